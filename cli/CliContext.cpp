#include <stdexcept>

#include "cli/CliContext.h"

namespace vantor::cli {

std::optional<std::string> takeOption(Args &args, std::string_view name, std::string_view alias) {
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string &a = args[i];
        const bool exact = a == name || (!alias.empty() && a == alias);
        if (exact) {
            if (i + 1 >= args.size()) throw UsageError("option " + a + " needs a value");
            std::string value = args[i + 1];
            args.erase(args.begin() + long(i), args.begin() + long(i) + 2);
            return value;
        }
        if (a.size() > name.size() && a.compare(0, name.size(), name) == 0 && a[name.size()] == '=') {
            std::string value = a.substr(name.size() + 1);
            args.erase(args.begin() + long(i));
            return value;
        }
    }
    return std::nullopt;
}

bool takeFlag(Args &args, std::string_view name, std::string_view alias) {
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == name || (!alias.empty() && args[i] == alias)) {
            args.erase(args.begin() + long(i));
            return true;
        }
    }
    return false;
}

std::uint32_t parseHex(std::string_view text, std::string_view what) {
    std::string_view t = text;
    if (t.size() > 2 && t[0] == '0' && (t[1] == 'x' || t[1] == 'X')) t.remove_prefix(2);
    else if (t.size() > 1 && (t.back() == 'h' || t.back() == 'H')) t.remove_suffix(1);
    if (t.empty() || t.size() > 8)
        throw UsageError(std::string(what) + ": not a hexadecimal number: " + std::string(text));
    std::uint32_t v = 0;
    for (char c : t) {
        int d = (c >= '0' && c <= '9')   ? c - '0'
                : (c >= 'a' && c <= 'f') ? c - 'a' + 10
                : (c >= 'A' && c <= 'F') ? c - 'A' + 10
                                         : -1;
        if (d < 0) throw UsageError(std::string(what) + ": not a hexadecimal number: " + std::string(text));
        v = (v << 4) | std::uint32_t(d);
    }
    return v;
}

}  // namespace vantor::cli
