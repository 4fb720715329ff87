#pragma once
#include <string_view>

#include "core/Colour.h"

namespace vantor {

// One line of the main window's information window: text, colour, bold.
class InfoSink {
public:
    virtual ~InfoSink() = default;
    virtual void appendLine(std::string_view text, Colour colour, bool bold) = 0;
};

}  // namespace vantor
