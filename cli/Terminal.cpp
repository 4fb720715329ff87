#include <unistd.h>

#include "cli/Terminal.h"

namespace vantor::cli {

std::string escapeControls(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;  // a line break of a message
        // C1 controls arrive in UTF-8 as C2 80..C2 9F (0x9B opens a sequence like ESC [).
        const bool c1 = c == 0xC2 && i + 1 < text.size() && (static_cast<unsigned char>(text[i + 1]) & 0xE0) == 0x80;
        if ((c < 0x20 && c != '\n' && c != '\t') || c == 0x7F || c1) {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02X", c1 ? static_cast<unsigned char>(text[++i]) : c);
            out += hex;
        } else {
            out += char(c);
        }
    }
    return out;
}

Terminal::Terminal(std::FILE *out, bool colour, bool interactive)
    : out_(out), colour_(colour), interactive_(interactive) {}

Terminal Terminal::forStdout(bool allowColour) {
    const bool tty = isatty(fileno(stdout)) != 0;
    const char *noColor = std::getenv("NO_COLOR");
    return Terminal(stdout, allowColour && tty && !(noColor && *noColor), tty);
}

Terminal Terminal::forStderr(bool allowColour) {
    const bool tty = isatty(fileno(stderr)) != 0;
    const char *noColor = std::getenv("NO_COLOR");
    return Terminal(stderr, allowColour && tty && !(noColor && *noColor), tty);
}

void Terminal::line(std::string_view text, Colour c, bool bold) {
    std::lock_guard lock(mutex_);
    clearBar();
    // The window appends "\r\n" itself; a text that already ends in one would print a blank line.
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.remove_suffix(1);
    const std::string shown = escapeControls(text);
    if (colour_) {
        std::fprintf(out_, "\x1b[%s38;2;%u;%u;%um%s\x1b[0m\n", bold ? "1;" : "", redOf(c), greenOf(c), blueOf(c),
                     shown.c_str());
    } else {
        std::fprintf(out_, "%s\n", shown.c_str());
    }
    std::fflush(out_);
    if (range_ > 0) drawBar();
}

void Terminal::plain(std::string_view text) {
    std::lock_guard lock(mutex_);
    clearBar();
    std::fprintf(out_, "%s\n", escapeControls(text).c_str());
    std::fflush(out_);
}

void Terminal::progressRange(int steps) {
    std::lock_guard lock(mutex_);
    range_ = steps;
    position_ = 0;
    lastDrawn_ = -1;
    if (range_ > 0) drawBar();
}

void Terminal::progressStep() {
    std::lock_guard lock(mutex_);
    if (position_ < range_) ++position_;
    drawBar();
}

void Terminal::progressDone() {
    std::lock_guard lock(mutex_);
    clearBar();
    range_ = 0;
}

void Terminal::clearBar() {
    if (!barShown_) return;
    std::fputs("\r\x1b[2K", out_);
    barShown_ = false;
    lastDrawn_ = -1;
}

void Terminal::drawBar() {
    if (!interactive_ || range_ <= 0) return;
    constexpr int kWidth = 40;
    const int percent = position_ * 100 / range_;
    if (percent == lastDrawn_) return;
    lastDrawn_ = percent;
    const int filled = position_ * kWidth / range_;
    std::string bar(std::size_t(filled), '#');
    bar.append(std::size_t(kWidth - filled), '.');
    std::fprintf(out_, "\r[%s] %3d%%", bar.c_str(), percent);
    std::fflush(out_);
    barShown_ = true;
}

void TerminalInfoSink::appendLine(std::string_view text, Colour colour, bool bold) {
    terminal_.line(text, colour, bold);
}

}  // namespace vantor::cli
