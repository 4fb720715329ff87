#pragma once
#include <string>
#include <string_view>

namespace vantor {

// Message boxes. The GUI shows a dialog; the CLI prints; tests script the answers.
class Prompt {
public:
    enum class Icon { None, Error, Warning, Information, Question };
    enum class Buttons { Ok, OkCancel, YesNo, YesNoCancel };
    enum class Answer { Ok, Cancel, Yes, No };

    virtual ~Prompt() = default;
    virtual Answer ask(std::string_view text, std::string_view caption, Icon icon, Buttons buttons = Buttons::Ok) = 0;
};

// Writes every message to a stream and answers the default (Ok / Yes).
class StreamPrompt : public Prompt {
public:
    explicit StreamPrompt(std::FILE *out) : out_(out) {}
    Answer ask(std::string_view text, std::string_view caption, Icon icon, Buttons buttons) override;

private:
    std::FILE *out_;
};

}  // namespace vantor
