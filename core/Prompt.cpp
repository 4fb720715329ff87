#include <cstdio>

#include "core/Prompt.h"

namespace vantor {

Prompt::Answer StreamPrompt::ask(std::string_view text, std::string_view caption, Icon icon, Buttons buttons) {
    const char *kind = icon == Icon::Error ? "error: " : icon == Icon::Warning ? "warning: " : "";
    std::string line(text);
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
    if (caption.empty()) std::fprintf(out_, "%s%s\n", kind, line.c_str());
    else std::fprintf(out_, "%s%.*s: %s\n", kind, int(caption.size()), caption.data(), line.c_str());
    std::fflush(out_);
    return buttons == Buttons::YesNo || buttons == Buttons::YesNoCancel ? Answer::Yes : Answer::Ok;
}

}  // namespace vantor
