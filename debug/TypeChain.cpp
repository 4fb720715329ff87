#include "debug/TypeChain.h"

#include <charconv>

namespace vantor::debug {

const char *spaceName(Space space) {
    switch (space) {
    case Space::Code: return "code";
    case Space::Data: return "data";
    case Space::Idata: return "idata";
    case Space::Xdata: return "xdata";
    case Space::Pdata: return "pdata";
    case Space::Bit: return "bit";
    case Space::Register: return "register";
    case Space::Stack: return "stack";
    case Space::None: break;
    }
    return "generic";
}

char spacePrefix(Space space) {
    switch (space) {
    case Space::Code: return 'C';
    case Space::Xdata:
    case Space::Pdata: return 'X';
    case Space::Idata:
    case Space::Stack: return 'I';
    case Space::Bit: return 'B';
    default: return 'D';
    }
}

bool Type::isInteger() const {
    switch (kind) {
    case Kind::Char:
    case Kind::Short:
    case Kind::Int:
    case Kind::Long:
    case Kind::LongLong:
    case Kind::Bit:
    case Kind::Sbit:
    case Kind::BitField: return true;
    default: return false;
    }
}

std::string Type::name() const {
    const std::string sign = isUnsigned ? "unsigned " : "";
    switch (kind) {
    case Kind::Void: return "void";
    case Kind::Char: return sign + "char";
    case Kind::Short: return sign + "short";
    case Kind::Int: return sign + "int";
    case Kind::Long: return sign + "long";
    case Kind::LongLong: return sign + "long long";
    case Kind::Float: return "float";
    case Kind::Bit: return "__bit";
    case Kind::Sbit: return "__sbit";
    case Kind::BitField: return sign + "int : " + std::to_string(bitWidth);
    case Kind::Struct: return "struct " + structName;
    case Kind::Array: return (target ? target->name() : "?") + " [" + std::to_string(count) + "]";
    case Kind::Pointer: {
        const std::string space = pointerSpace == Space::None ? "" : std::string("__") + spaceName(pointerSpace) + " ";
        return space + (target ? target->name() : "void") + " *";
    }
    case Kind::Function: return (target ? target->name() : "void") + " ()";
    }
    return "?";
}

TypePtr basicType(Type::Kind kind, bool isUnsigned) {
    auto t = std::make_shared<Type>();
    t->kind = kind;
    t->isUnsigned = isUnsigned;
    switch (kind) {
    case Type::Kind::Char:
    case Type::Kind::Bit:
    case Type::Kind::Sbit: t->size = 1; break;
    case Type::Kind::Short:
    case Type::Kind::Int: t->size = 2; break;
    case Type::Kind::Long:
    case Type::Kind::Float: t->size = 4; break;
    case Type::Kind::LongLong: t->size = 8; break;
    default: break;
    }
    return t;
}

namespace {

bool readNumber(std::string_view &s, unsigned &value) {
    const auto r = std::from_chars(s.data(), s.data() + s.size(), value);
    if (r.ec != std::errc() || r.ptr == s.data()) return false;
    s.remove_prefix(std::size_t(r.ptr - s.data()));
    return true;
}

// The specifier part: "SC:U", "STpoint:S", "SB0$1:U", "SV:S".
TypePtr parseSpecifier(std::string_view s, std::string &error) {
    const auto colon = s.rfind(':');
    if (s.size() < 2 || s[0] != 'S' || colon == std::string_view::npos || colon + 2 != s.size() ||
        (s[colon + 1] != 'S' && s[colon + 1] != 'U')) {
        error = "bad type specifier '" + std::string(s) + "'";
        return nullptr;
    }
    const bool isUnsigned = s[colon + 1] == 'U';
    std::string_view body = s.substr(1, colon - 1);
    using K = Type::Kind;
    if (body == "C") return basicType(K::Char, isUnsigned);
    if (body == "S") return basicType(K::Short, isUnsigned);
    if (body == "I") return basicType(K::Int, isUnsigned);
    if (body == "L") return basicType(K::Long, isUnsigned);
    if (body == "LL") return basicType(K::LongLong, isUnsigned);
    if (body == "F") return basicType(K::Float, false);
    if (body == "V") return basicType(K::Void, false);
    if (body == "X") return basicType(K::Sbit, true);
    if (!body.empty() && body[0] == 'T' && body.size() > 1) {
        auto t = std::make_shared<Type>();
        t->kind = K::Struct;
        t->structName = std::string(body.substr(1));
        return t;
    }
    if (!body.empty() && body[0] == 'B') {
        body.remove_prefix(1);
        unsigned offset = 0, width = 0;
        if (!readNumber(body, offset) || body.empty() || body[0] != '$' ||
            (body.remove_prefix(1), !readNumber(body, width)) || !body.empty() || width == 0 || width > 32) {
            error = "bad bit-field specifier '" + std::string(s) + "'";
            return nullptr;
        }
        auto t = std::make_shared<Type>();
        t->kind = width == 1 && offset == 0 ? K::Bit : K::BitField;
        t->isUnsigned = isUnsigned;
        t->size = 1;
        t->bitOffset = offset;
        t->bitWidth = width;
        return t;
    }
    error = "unknown type specifier '" + std::string(s) + "'";
    return nullptr;
}

Space pointerClass(char c) {
    switch (c) {
    case 'G': return Space::None;
    case 'C': return Space::Code;
    case 'X': return Space::Xdata;
    case 'D': return Space::Data;
    case 'I': return Space::Idata;
    case 'P': return Space::Pdata;
    default: return Space::Register;  // marks an unknown class
    }
}

}  // namespace

TypePtr parseTypeChain(std::string_view text, std::string &error) {
    if (text.size() >= 2 && text.front() == '(' && text.back() == ')') text = text.substr(1, text.size() - 2);
    if (text.empty() || text[0] != '{') {
        error = "type chain does not start with {size}";
        return nullptr;
    }
    text.remove_prefix(1);
    unsigned totalSize = 0;
    if (!readNumber(text, totalSize) || text.empty() || text[0] != '}') {
        error = "bad size in type chain";
        return nullptr;
    }
    text.remove_prefix(1);
    std::vector<std::string_view> parts;
    while (!text.empty()) {
        const auto comma = text.find(',');
        parts.push_back(text.substr(0, comma));
        if (comma == std::string_view::npos) break;
        text.remove_prefix(comma + 1);
    }
    if (parts.empty()) {
        error = "empty type chain";
        return nullptr;
    }
    TypePtr result = parseSpecifier(parts.back(), error);
    if (!result) return nullptr;
    if (result->kind == Type::Kind::Struct) {
        // A struct learns its size from the chain when only arrays wrap it.
        unsigned elements = 1;
        bool arraysOnly = true;
        for (auto it = parts.rbegin() + 1; it != parts.rend(); ++it) {
            std::string_view n = it->size() >= 3 && it->substr(0, 2) == "DA" ? it->substr(2, it->size() - 3) : "";
            unsigned count = 0;
            if (!readNumber(n, count) || count == 0) arraysOnly = false;
            else elements *= count;
        }
        if (arraysOnly) {
            auto t = std::make_shared<Type>(*result);
            t->size = totalSize / elements;
            result = t;
        }
    }
    // Declarators read outside-in; build the type from the innermost one.
    for (auto it = parts.rbegin() + 1; it != parts.rend(); ++it) {
        std::string_view d = *it;
        auto t = std::make_shared<Type>();
        t->target = result;
        if (d.size() >= 3 && d[0] == 'D' && d[1] == 'A' && d.back() == 'd') {
            std::string_view n = d.substr(2, d.size() - 3);
            unsigned count = 0;
            if (!readNumber(n, count) || !n.empty()) {
                error = "bad array declarator '" + std::string(d) + "'";
                return nullptr;
            }
            t->kind = Type::Kind::Array;
            t->count = count;
            t->size = result->size * count;
        } else if (d == "DF") {
            t->kind = Type::Kind::Function;
        } else if (d.size() == 2 && d[0] == 'D' && pointerClass(d[1]) != Space::Register) {
            t->kind = Type::Kind::Pointer;
            t->pointerSpace = pointerClass(d[1]);
            t->size = t->pointerSpace == Space::None                                        ? 3
                      : (t->pointerSpace == Space::Xdata || t->pointerSpace == Space::Code) ? 2
                                                                                            : 1;
        } else {
            error = "unknown declarator '" + std::string(d) + "'";
            return nullptr;
        }
        result = t;
    }
    return result;
}

}  // namespace vantor::debug
