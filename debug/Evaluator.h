#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "debug/CallStack.h"
#include "debug/DebugInfo.h"
#include "debug/Target.h"

namespace vantor::debug {

// A C value: where it lives (if anywhere) and its type.
struct Value {
    enum class Where : std::uint8_t { Nowhere, Memory, Registers, BitAddress, Constant };
    TypePtr type;
    std::string module;  // where its struct names are looked up
    Where where = Where::Constant;
    Space space = Space::Data;
    std::uint32_t address = 0;        // Memory: byte address; BitAddress: bit address
    std::vector<unsigned> registers;  // Registers: data addresses, least significant byte first
    std::vector<std::uint8_t> bytes;  // Constant: the bytes, little-endian
    std::string unavailable;          // Nowhere: why
};

// Evaluates C expressions of sdcc programs against a stopped target: names (locals of the frame,
// statics of its module, globals), a.b, p->b, a[i], *p, &x, + - * / %, comparisons, the registers
// A B R0..R7 DPTR SP PSW PC, and the memory forms C: X: D: I: (one byte at a hexadecimal address).
class Evaluator {
public:
    Evaluator(const DebugInfo &info, TargetAccess &target, Frame frame);

    std::optional<Value> evaluate(const std::string &expression, std::string &error);
    // The value as a debugger shows it: by type, structs and arrays in braces.
    std::string format(const Value &value, std::string &error);
    // One line for a scalar, a summary for structs and arrays.
    std::string summary(const Value &value, std::string &error);
    // `target = expression`, converted to the target's type.
    bool assign(const std::string &target, const std::string &expression, std::string &error);
    bool assign(const Value &target, const Value &source, std::string &error);
    // Members of a struct, elements of an array, the pointee of a pointer.
    std::vector<std::pair<std::string, Value>> children(const Value &value, std::string &error);
    bool hasChildren(const Value &value) const;

    std::optional<std::int64_t> toInteger(const Value &value, std::string &error);
    std::optional<double> toNumber(const Value &value, std::string &error);
    // The symbol as a value in this evaluator's frame.
    Value symbolValue(const Symbol &symbol);
    const Frame &frame() const { return frame_; }

private:
    friend class ExpressionParser;
    bool readBytes(const Value &value, std::vector<std::uint8_t> &out, std::string &error);
    std::optional<Value> member(const Value &base, const std::string &name, std::string &error);
    std::optional<Value> index(const Value &base, std::int64_t i, std::string &error);
    std::optional<Value> dereference(const Value &pointer, std::string &error);
    std::optional<Value> addressOf(const Value &value, std::string &error);
    std::optional<Value> lookupName(const std::string &name, std::string &error);
    unsigned sizeOf(const Value &value) const;
    unsigned registerBank();

    const DebugInfo &info_;
    TargetAccess &target_;
    Frame frame_;
};

Value integerValue(std::int64_t value, bool isUnsigned = false);

}  // namespace vantor::debug
