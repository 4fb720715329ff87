#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace vantor::debug {

// The 8051 memory spaces a symbol or a pointer can address.
enum class Space : std::uint8_t { Code, Data, Idata, Xdata, Pdata, Bit, Register, Stack, None };

const char *spaceName(Space space);  // "code", "data", ...
char spacePrefix(Space space);       // 'C', 'D', 'I', 'X', ...

// One C type as sdcc describes it: a chain of declarators ending in a specifier.
struct Type {
    enum class Kind : std::uint8_t {
        Void,
        Char,
        Short,
        Int,
        Long,
        LongLong,
        Float,
        Bit,
        Sbit,
        BitField,
        Struct,
        Array,
        Pointer,
        Function
    };
    Kind kind = Kind::Void;
    bool isUnsigned = false;
    unsigned size = 0;                   // bytes
    std::shared_ptr<const Type> target;  // element, pointee or return type
    unsigned count = 0;                  // array elements
    Space pointerSpace = Space::None;    // None: 3-byte generic pointer
    std::string structName;
    unsigned bitOffset = 0, bitWidth = 0;

    bool isInteger() const;
    bool isScalar() const { return isInteger() || kind == Kind::Float || kind == Kind::Pointer; }
    std::string name() const;  // C spelling, e.g. "__xdata struct shape *"
};
using TypePtr = std::shared_ptr<const Type>;

// Parses "({14}DA2d,STpoint:S)" (with or without the parentheses). Empty with `error` set on failure.
TypePtr parseTypeChain(std::string_view text, std::string &error);

TypePtr basicType(Type::Kind kind, bool isUnsigned);

}  // namespace vantor::debug
