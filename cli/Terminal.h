#pragma once
#include <cstdio>
#include <mutex>
#include <string>
#include <string_view>

#include "core/Colour.h"
#include "core/InfoSink.h"

namespace vantor::cli {

// Control characters (escape sequences above all) as \xNN, so that a file or device name
// cannot drive the terminal; line breaks and tabs stay.
std::string escapeControls(std::string_view text);

// Coloured lines and a progress bar on a terminal; plain text when piped or asked.
class Terminal {
public:
    Terminal(std::FILE *out, bool colour, bool interactive);
    static Terminal forStdout(bool allowColour);
    static Terminal forStderr(bool allowColour);

    void line(std::string_view text, Colour colour, bool bold = false);
    void plain(std::string_view text);
    // The bar is redrawn on one line; any printed line clears it first.
    void progressRange(int steps);
    void progressStep();
    void progressDone();

    bool colour() const { return colour_; }
    bool interactive() const { return interactive_; }
    std::FILE *stream() const { return out_; }

private:
    void clearBar();
    void drawBar();

    std::FILE *out_;
    bool colour_;
    bool interactive_;
    int range_ = 0;
    int position_ = 0;
    int lastDrawn_ = -1;
    bool barShown_ = false;
    std::recursive_mutex mutex_;
};

// Information-window lines printed on the terminal.
class TerminalInfoSink : public InfoSink {
public:
    explicit TerminalInfoSink(Terminal &t) : terminal_(t) {}
    void appendLine(std::string_view text, Colour colour, bool bold) override;

private:
    Terminal &terminal_;
};

}  // namespace vantor::cli
