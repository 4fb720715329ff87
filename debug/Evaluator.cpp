#include "debug/Evaluator.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "core/HexText.h"

namespace vantor::debug {

namespace {

constexpr std::uint8_t kPsw = 0xD0, kP2 = 0xA0;
constexpr unsigned kMaxElements = 200;

TypePtr ucharType() { return basicType(Type::Kind::Char, true); }

std::int64_t signExtend(std::uint64_t raw, unsigned bytes) {
    if (bytes == 0 || bytes >= 8) return std::int64_t(raw);
    const std::uint64_t sign = std::uint64_t(1) << (bytes * 8 - 1);
    raw &= (sign << 1) - 1;
    return std::int64_t((raw ^ sign) - sign);
}

// Where a generic pointer's tag byte points.
Space genericSpace(std::uint8_t tag) {
    if (tag >= 0x80) return Space::Code;
    if (tag >= 0x60) return Space::Pdata;
    if (tag >= 0x40) return Space::Idata;
    return Space::Xdata;
}

std::uint8_t genericTag(Space s) {
    switch (s) {
    case Space::Code: return 0x80;
    case Space::Pdata: return 0x60;
    case Space::Data:
    case Space::Idata:
    case Space::Stack: return 0x40;
    default: return 0x00;
    }
}

std::string charLiteral(int c) {
    if (c == '\'' || c == '\\') return std::string("\\") + char(c);
    if (c >= 0x20 && c < 0x7F) return std::string(1, char(c));
    if (c == 0) return "\\0";
    if (c == '\n') return "\\n";
    char text[8];
    std::snprintf(text, sizeof text, "\\%03o", unsigned(c & 0xFF));
    return text;
}

}  // namespace

Value integerValue(std::int64_t value, bool isUnsigned) {
    Value v;
    v.type = basicType(Type::Kind::Long, isUnsigned);
    v.where = Value::Where::Constant;
    for (int i = 0; i < 4; ++i) v.bytes.push_back(std::uint8_t(std::uint64_t(value) >> (8 * i)));
    return v;
}

// Recursive descent over one expression.
class ExpressionParser {
public:
    ExpressionParser(Evaluator &e, const std::string &text) : e_(e), s_(text) {}

    std::optional<Value> parse(std::string &error) {
        auto v = comparison(error);
        if (v && (skip(), pos_ != s_.size())) {
            error = "unexpected '" + s_.substr(pos_) + "'";
            return std::nullopt;
        }
        return v;
    }

private:
    void skip() {
        while (pos_ < s_.size() && std::isspace(static_cast<unsigned char>(s_[pos_]))) ++pos_;
    }
    bool eat(const char *token) {
        skip();
        const std::size_t n = std::strlen(token);
        if (s_.compare(pos_, n, token) != 0) return false;
        // "-" must not eat the start of "->", "<" not "<=" and so on.
        if (n == 1 && pos_ + 1 < s_.size() &&
            ((token[0] == '-' && s_[pos_ + 1] == '>') ||
             ((token[0] == '<' || token[0] == '>' || token[0] == '=' || token[0] == '!') && s_[pos_ + 1] == '=')))
            return false;
        pos_ += n;
        return true;
    }
    std::optional<std::int64_t> integer(const std::optional<Value> &v, std::string &error) {
        if (!v) return std::nullopt;
        return e_.toInteger(*v, error);
    }
    bool isFloat(const Value &v) const { return v.type && v.type->kind == Type::Kind::Float; }

    std::optional<Value> arithmetic(char op, const Value &a, const Value &b, std::string &error) {
        // Pointer plus or minus an integer moves by elements.
        if ((op == '+' || op == '-') && a.type && a.type->kind == Type::Kind::Pointer) {
            auto n = e_.toInteger(b, error);
            auto base = e_.toInteger(a, error);
            if (!n || !base) return std::nullopt;
            const unsigned step = std::max(1u, e_.info_.sizeOf(*a.type->target, a.module));
            Value r = a;
            r.where = Value::Where::Constant;
            const std::int64_t moved = *base + (op == '+' ? *n : -*n) * step;
            r.bytes.clear();
            const unsigned size = a.type->size;
            for (unsigned i = 0; i < size; ++i) r.bytes.push_back(std::uint8_t(std::uint64_t(moved) >> (8 * i)));
            if (size == 3) {
                std::vector<std::uint8_t> raw;
                if (!e_.readBytes(a, raw, error)) return std::nullopt;
                r.bytes[2] = raw[2];
            }
            return r;
        }
        if (isFloat(a) || isFloat(b)) {
            auto x = e_.toNumber(a, error), y = e_.toNumber(b, error);
            if (!x || !y) return std::nullopt;
            double r = 0;
            switch (op) {
            case '+': r = *x + *y; break;
            case '-': r = *x - *y; break;
            case '*': r = *x * *y; break;
            case '/':
                if (*y == 0) return error = "division by zero", std::nullopt;
                r = *x / *y;
                break;
            default: return error = "% needs integers", std::nullopt;
            }
            Value v;
            v.type = basicType(Type::Kind::Float, false);
            float f = float(r);
            v.bytes.resize(4);
            std::memcpy(v.bytes.data(), &f, 4);
            return v;
        }
        auto x = e_.toInteger(a, error), y = e_.toInteger(b, error);
        if (!x || !y) return std::nullopt;
        if ((op == '/' || op == '%') && *y == 0) return error = "division by zero", std::nullopt;
        std::int64_t r = 0;
        switch (op) {
        case '+': r = *x + *y; break;
        case '-': r = *x - *y; break;
        case '*': r = *x * *y; break;
        case '/': r = *x / *y; break;
        default: r = *x % *y; break;
        }
        return integerValue(r);
    }

    std::optional<Value> comparison(std::string &error) {
        auto a = additive(error);
        if (!a) return a;
        static const char *const ops[] = {"==", "!=", "<=", ">=", "<", ">"};
        for (const char *op : ops) {
            if (!eat(op)) continue;
            auto b = additive(error);
            if (!b) return b;
            auto x = e_.toNumber(*a, error), y = e_.toNumber(*b, error);
            if (!x || !y) return std::nullopt;
            const std::string o = op;
            const bool r = o == "=="   ? *x == *y
                           : o == "!=" ? *x != *y
                           : o == "<=" ? *x <= *y
                           : o == ">=" ? *x >= *y
                           : o == "<"  ? *x < *y
                                       : *x > *y;
            return integerValue(r ? 1 : 0);
        }
        return a;
    }
    std::optional<Value> additive(std::string &error) {
        auto a = multiplicative(error);
        while (a) {
            const char op = eat("+") ? '+' : eat("-") ? '-' : 0;
            if (!op) break;
            auto b = multiplicative(error);
            if (!b) return b;
            a = arithmetic(op, *a, *b, error);
        }
        return a;
    }
    std::optional<Value> multiplicative(std::string &error) {
        auto a = unary(error);
        while (a) {
            const char op = eat("*") ? '*' : eat("/") ? '/' : eat("%") ? '%' : 0;
            if (!op) break;
            auto b = unary(error);
            if (!b) return b;
            a = arithmetic(op, *a, *b, error);
        }
        return a;
    }
    std::optional<Value> unary(std::string &error) {
        if (eat("-")) {
            auto v = unary(error);
            if (!v) return v;
            return arithmetic('-', integerValue(0), *v, error);
        }
        if (eat("!")) {
            auto v = integer(unary(error), error);
            if (!v) return std::nullopt;
            return integerValue(*v == 0);
        }
        if (eat("~")) {
            auto v = integer(unary(error), error);
            if (!v) return std::nullopt;
            return integerValue(~*v);
        }
        if (eat("*")) {
            auto v = unary(error);
            if (!v) return v;
            return e_.dereference(*v, error);
        }
        if (eat("&")) {
            auto v = unary(error);
            if (!v) return v;
            return e_.addressOf(*v, error);
        }
        return postfix(error);
    }
    std::optional<Value> postfix(std::string &error) {
        auto v = primary(error);
        while (v) {
            if (eat("[")) {
                auto i = integer(comparison(error), error);
                if (!i) return std::nullopt;
                if (!eat("]")) return error = "missing ]", std::nullopt;
                v = e_.index(*v, *i, error);
            } else if (eat("->")) {
                const std::string name = identifier();
                if (name.empty()) return error = "member name expected after ->", std::nullopt;
                v = e_.dereference(*v, error);
                if (v) v = e_.member(*v, name, error);
            } else if (eat(".")) {
                const std::string name = identifier();
                if (name.empty()) return error = "member name expected after .", std::nullopt;
                v = e_.member(*v, name, error);
            } else {
                break;
            }
        }
        return v;
    }
    std::string identifier() {
        skip();
        const std::size_t start = pos_;
        while (pos_ < s_.size() && (std::isalnum(static_cast<unsigned char>(s_[pos_])) || s_[pos_] == '_')) ++pos_;
        if (start < s_.size() && std::isdigit(static_cast<unsigned char>(s_[start]))) {
            pos_ = start;
            return {};
        }
        return s_.substr(start, pos_ - start);
    }
    std::optional<Value> primary(std::string &error) {
        skip();
        if (pos_ >= s_.size()) return error = "expression expected", std::nullopt;
        if (eat("(")) {
            auto v = comparison(error);
            if (v && !eat(")")) return error = "missing )", std::nullopt;
            return v;
        }
        const char c = s_[pos_];
        if (c == '\'' && pos_ + 2 < s_.size() && s_[pos_ + 2] == '\'') {
            const int ch = static_cast<unsigned char>(s_[pos_ + 1]);
            pos_ += 3;
            return integerValue(ch);
        }
        if (std::isdigit(static_cast<unsigned char>(c))) {
            const char *begin = s_.c_str() + pos_;
            char *end = nullptr;
            const bool looksFloat =
                std::strpbrk(begin, ".eE") && !(begin[0] == '0' && (begin[1] == 'x' || begin[1] == 'X'));
            if (looksFloat) {
                const double d = std::strtod(begin, &end);
                const char *intEnd = begin;
                while (std::isdigit(static_cast<unsigned char>(*intEnd))) ++intEnd;
                if (end > intEnd) {
                    pos_ += std::size_t(end - begin);
                    Value v;
                    v.type = basicType(Type::Kind::Float, false);
                    float f = float(d);
                    v.bytes.resize(4);
                    std::memcpy(v.bytes.data(), &f, 4);
                    return v;
                }
            }
            const unsigned long long n = std::strtoull(begin, &end, 0);
            pos_ += std::size_t(end - begin);
            while (pos_ < s_.size() && (s_[pos_] == 'u' || s_[pos_] == 'U' || s_[pos_] == 'l' || s_[pos_] == 'L'))
                ++pos_;
            if (pos_ < s_.size() && std::isalnum(static_cast<unsigned char>(s_[pos_])))
                return error = "bad number '" + std::string(begin, std::strcspn(begin, " )]")) + "'", std::nullopt;
            return integerValue(std::int64_t(n), n > 0x7FFFFFFF);
        }
        // Memory forms: C:0100, X:0x20, D:7E, I:80.
        if (pos_ + 1 < s_.size() && s_[pos_ + 1] == ':' && std::strchr("CXDIcxdi", c)) {
            pos_ += 2;
            skip();
            const char *begin = s_.c_str() + pos_;
            char *end = nullptr;
            const unsigned long address = std::strtoul(begin, &end, 16);
            if (end == begin) return error = "address expected after " + std::string(1, c) + ":", std::nullopt;
            pos_ += std::size_t(end - begin);
            Value v;
            v.type = ucharType();
            v.where = Value::Where::Memory;
            switch (std::toupper(static_cast<unsigned char>(c))) {
            case 'C': v.space = Space::Code; break;
            case 'X': v.space = Space::Xdata; break;
            case 'I': v.space = Space::Idata; break;
            default: v.space = Space::Data; break;
            }
            const unsigned long limit = v.space == Space::Code || v.space == Space::Xdata ? 0xFFFF : 0xFF;
            if (address > limit) return error = "address out of range", std::nullopt;
            v.address = std::uint32_t(address);
            return v;
        }
        const std::string name = identifier();
        if (name.empty()) return error = "unexpected '" + s_.substr(pos_) + "'", std::nullopt;
        return e_.lookupName(name, error);
    }

    Evaluator &e_;
    std::string s_;
    std::size_t pos_ = 0;
};

Evaluator::Evaluator(const DebugInfo &info, TargetAccess &target, Frame frame)
    : info_(info), target_(target), frame_(frame) {}

std::optional<Value> Evaluator::evaluate(const std::string &expression, std::string &error) {
    ExpressionParser parser(*this, expression);
    return parser.parse(error);
}

unsigned Evaluator::registerBank() {
    if (frame_.function && frame_.function->registerBank) return unsigned(frame_.function->registerBank);
    std::uint8_t psw = 0;
    std::string ignored;
    target_.read(Space::Data, kPsw, &psw, 1, ignored);
    return (psw >> 3) & 3u;
}

Value Evaluator::symbolValue(const Symbol &s) {
    Value v;
    v.type = s.type;
    v.module = s.module.empty() && frame_.function ? frame_.function->module : s.module;
    switch (s.space) {
    case Space::Register:
        if (!frame_.innermost) {
            v.where = Value::Where::Nowhere;
            v.unavailable = "<not saved in outer frames>";
            break;
        }
        v.where = Value::Where::Registers;
        for (unsigned r : s.registers) v.registers.push_back(registerBank() * 8 + r);
        break;
    case Space::Stack:
        if (!frame_.framePointer) {
            v.where = Value::Where::Nowhere;
            v.unavailable = "<frame not set up yet>";
            break;
        }
        v.where = Value::Where::Memory;
        v.space = Space::Idata;
        v.address = std::uint8_t(*frame_.framePointer + s.stackOffset);
        break;
    case Space::Bit:
        v.where = s.address ? Value::Where::BitAddress : Value::Where::Nowhere;
        v.address = s.address.value_or(0);
        v.unavailable = "<no address>";
        break;
    case Space::None:
        v.where = Value::Where::Nowhere;
        v.unavailable = "<optimized out>";
        break;
    default:
        v.where = s.address ? Value::Where::Memory : Value::Where::Nowhere;
        v.space = s.space;
        v.address = s.address.value_or(0);
        v.unavailable = "<no address>";
        break;
    }
    return v;
}

std::optional<Value> Evaluator::lookupName(const std::string &name, std::string &error) {
    if (const Symbol *s = info_.lookup(name, frame_.function)) return symbolValue(*s);
    if (const Function *f = info_.findFunction(name)) {
        Value v;
        auto t = std::make_shared<Type>();
        t->kind = Type::Kind::Function;
        t->target = f->returnType;
        v.type = t;
        v.where = Value::Where::Memory;
        v.space = Space::Code;
        v.address = f->start;
        return v;
    }
    std::string upper;
    for (char c : name) upper += char(std::toupper(static_cast<unsigned char>(c)));
    auto sfr = [&](std::uint8_t address, bool word = false) {
        Value v;
        v.type = basicType(word ? Type::Kind::Int : Type::Kind::Char, true);
        v.where = Value::Where::Memory;
        v.space = Space::Data;
        v.address = address;
        return v;
    };
    if (upper == "A" || upper == "ACC") return sfr(0xE0);
    if (upper == "B") return sfr(0xF0);
    if (upper == "SP") return sfr(0x81);
    if (upper == "PSW") return sfr(kPsw);
    if (upper == "DPL") return sfr(0x82);
    if (upper == "DPH") return sfr(0x83);
    if (upper == "DPTR") return sfr(0x82, true);
    if (upper.size() == 2 && upper[0] == 'R' && upper[1] >= '0' && upper[1] <= '7') {
        Value v;
        v.type = ucharType();
        v.where = Value::Where::Registers;
        v.registers.push_back(registerBank() * 8 + unsigned(upper[1] - '0'));
        return v;
    }
    if (upper == "PC") {
        Value v = integerValue(frame_.pc, true);
        v.type = basicType(Type::Kind::Int, true);
        v.bytes.resize(2);
        return v;
    }
    error = "No symbol \"" + name + "\" in current context.";
    return std::nullopt;
}

unsigned Evaluator::sizeOf(const Value &v) const { return v.type ? info_.sizeOf(*v.type, v.module) : 0; }

bool Evaluator::readBytes(const Value &v, std::vector<std::uint8_t> &out, std::string &error) {
    const unsigned size = sizeOf(v);
    out.assign(size, 0);
    switch (v.where) {
    case Value::Where::Constant:
        out = v.bytes;
        out.resize(size);
        return true;
    case Value::Where::Nowhere: error = v.unavailable.empty() ? "value not available" : v.unavailable; return false;
    case Value::Where::Registers:
        out.clear();
        for (unsigned r : v.registers) {
            std::uint8_t b = 0;
            if (!target_.read(Space::Data, r, &b, 1, error)) return false;
            out.push_back(b);
        }
        out.resize(size);
        return true;
    case Value::Where::BitAddress: {
        const std::uint32_t byte = v.address < 0x80 ? 0x20 + v.address / 8 : v.address & 0xF8;
        std::uint8_t b = 0;
        if (!target_.read(Space::Data, byte, &b, 1, error)) return false;
        out.assign(1, std::uint8_t((b >> (v.address & 7)) & 1));
        return true;
    }
    case Value::Where::Memory:
        if (size == 0) return true;
        if (v.space == Space::Pdata) {
            std::uint8_t page = 0;
            if (!target_.read(Space::Data, kP2, &page, 1, error)) return false;
            return target_.read(Space::Xdata, std::uint32_t(page) << 8 | (v.address & 0xFF), out.data(), size, error);
        }
        return target_.read(v.space, v.address, out.data(), size, error);
    }
    return false;
}

std::optional<std::int64_t> Evaluator::toInteger(const Value &v, std::string &error) {
    if (!v.type) return error = "value without a type", std::nullopt;
    if (v.type->kind == Type::Kind::Float) {
        auto d = toNumber(v, error);
        if (!d) return std::nullopt;
        return std::int64_t(*d);
    }
    if (v.type->kind == Type::Kind::Array || v.type->kind == Type::Kind::Function) {
        if (v.where != Value::Where::Memory) return error = "value has no address", std::nullopt;
        return std::int64_t(v.address);
    }
    if (!v.type->isScalar()) return error = "a " + v.type->name() + " is not a number", std::nullopt;
    std::vector<std::uint8_t> bytes;
    if (!readBytes(v, bytes, error)) return std::nullopt;
    std::uint64_t raw = 0;
    const unsigned n =
        v.type->kind == Type::Kind::Pointer ? std::min<unsigned>(2, unsigned(bytes.size())) : unsigned(bytes.size());
    for (unsigned i = 0; i < n && i < 8; ++i) raw |= std::uint64_t(bytes[i]) << (8 * i);
    if (v.type->kind == Type::Kind::BitField && v.where != Value::Where::BitAddress)
        raw = (raw >> v.type->bitOffset) & ((std::uint64_t(1) << v.type->bitWidth) - 1);
    if (v.type->isUnsigned || v.type->kind == Type::Kind::Pointer || v.type->kind == Type::Kind::Bit ||
        v.type->kind == Type::Kind::BitField || v.type->kind == Type::Kind::Sbit)
        return std::int64_t(raw);
    return signExtend(raw, n);
}

std::optional<double> Evaluator::toNumber(const Value &v, std::string &error) {
    if (v.type && v.type->kind == Type::Kind::Float) {
        std::vector<std::uint8_t> bytes;
        if (!readBytes(v, bytes, error)) return std::nullopt;
        float f = 0;
        std::memcpy(&f, bytes.data(), 4);
        return double(f);
    }
    auto i = toInteger(v, error);
    if (!i) return std::nullopt;
    return double(*i);
}

std::optional<Value> Evaluator::member(const Value &base, const std::string &name, std::string &error) {
    if (!base.type || base.type->kind != Type::Kind::Struct)
        return error = "not a struct: no member " + name, std::nullopt;
    const StructDef *def = info_.findStruct(base.module, base.type->structName);
    if (!def) return error = "unknown struct " + base.type->structName, std::nullopt;
    for (const auto &m : def->members) {
        if (m.name != name) continue;
        Value v = base;
        v.type = m.type;
        if (base.where == Value::Where::Memory) {
            v.address = base.address + m.offset;
        } else if (base.where == Value::Where::Registers) {
            v.registers.assign(base.registers.begin() + std::min<std::size_t>(m.offset, base.registers.size()),
                               base.registers.end());
        } else if (base.where == Value::Where::Constant) {
            v.bytes.assign(base.bytes.begin() + std::min<std::size_t>(m.offset, base.bytes.size()), base.bytes.end());
        }
        return v;
    }
    return error = "There is no member named " + name + ".", std::nullopt;
}

std::optional<Value> Evaluator::index(const Value &base, std::int64_t i, std::string &error) {
    if (!base.type) return error = "cannot index", std::nullopt;
    if (base.type->kind == Type::Kind::Pointer) {
        auto p = dereference(base, error);
        if (!p) return p;
        const unsigned step = sizeOf(*p);
        p->address = std::uint32_t(std::int64_t(p->address) + i * step);
        return p;
    }
    if (base.type->kind != Type::Kind::Array) return error = "cannot index a " + base.type->name(), std::nullopt;
    if (i < 0 || std::uint64_t(i) >= base.type->count)
        return error = "index " + std::to_string(i) + " out of bounds", std::nullopt;
    Value v = base;
    v.type = base.type->target;
    const unsigned step = sizeOf(v);
    const std::size_t offset = std::size_t(i) * step;
    if (base.where == Value::Where::Memory) v.address = base.address + std::uint32_t(offset);
    else if (base.where == Value::Where::Registers)
        v.registers.assign(base.registers.begin() + std::min(offset, base.registers.size()), base.registers.end());
    else if (base.where == Value::Where::Constant)
        v.bytes.assign(base.bytes.begin() + std::min(offset, base.bytes.size()), base.bytes.end());
    return v;
}

std::optional<Value> Evaluator::dereference(const Value &p, std::string &error) {
    if (!p.type || p.type->kind != Type::Kind::Pointer) {
        if (p.type && p.type->kind == Type::Kind::Array) return index(p, 0, error);
        return error = "Attempt to take contents of a non-pointer value.", std::nullopt;
    }
    std::vector<std::uint8_t> raw;
    if (!readBytes(p, raw, error)) return std::nullopt;
    Value v;
    v.type = p.type->target;
    v.module = p.module;
    v.where = Value::Where::Memory;
    v.address = raw[0] | (raw.size() > 1 ? std::uint32_t(raw[1]) << 8 : 0u);
    v.space = p.type->pointerSpace == Space::None ? genericSpace(raw[2]) : p.type->pointerSpace;
    if (v.space == Space::Idata || v.space == Space::Data) v.address &= 0xFF;
    if (v.type->kind == Type::Kind::Void) return error = "Attempt to take contents of a void pointer.", std::nullopt;
    return v;
}

std::optional<Value> Evaluator::addressOf(const Value &v, std::string &error) {
    if (v.where != Value::Where::Memory)
        return error = "Attempt to take address of a value not in memory.", std::nullopt;
    Value p;
    auto t = std::make_shared<Type>();
    t->kind = Type::Kind::Pointer;
    t->target = v.type;
    // Data and idata addresses become generic pointers, as the compiler would make them.
    t->pointerSpace = v.space == Space::Xdata || v.space == Space::Code ? v.space : Space::None;
    t->size = t->pointerSpace == Space::None ? 3 : 2;
    p.type = t;
    p.module = v.module;
    p.bytes = {std::uint8_t(v.address), std::uint8_t(v.address >> 8)};
    if (t->size == 3) p.bytes.push_back(genericTag(v.space));
    return p;
}

bool Evaluator::hasChildren(const Value &v) const {
    if (!v.type) return false;
    return v.type->kind == Type::Kind::Struct || (v.type->kind == Type::Kind::Array && v.type->count) ||
           (v.type->kind == Type::Kind::Pointer && v.type->target && v.type->target->kind != Type::Kind::Void);
}

std::vector<std::pair<std::string, Value>> Evaluator::children(const Value &v, std::string &error) {
    std::vector<std::pair<std::string, Value>> out;
    if (!v.type) return out;
    if (v.type->kind == Type::Kind::Struct) {
        const StructDef *def = info_.findStruct(v.module, v.type->structName);
        if (!def) return error = "unknown struct " + v.type->structName, out;
        for (const auto &m : def->members)
            if (auto c = member(v, m.name, error)) out.emplace_back(m.name, *c);
    } else if (v.type->kind == Type::Kind::Array) {
        for (unsigned i = 0; i < v.type->count && i < kMaxElements; ++i)
            if (auto c = index(v, i, error)) out.emplace_back("[" + std::to_string(i) + "]", *c);
    } else if (v.type->kind == Type::Kind::Pointer) {
        if (auto c = dereference(v, error)) out.emplace_back("*", *c);
    }
    return out;
}

std::string Evaluator::summary(const Value &v, std::string &error) {
    if (v.type && v.type->kind == Type::Kind::Struct) return "{...}";
    if (v.type && v.type->kind == Type::Kind::Array && !(v.type->target && v.type->target->kind == Type::Kind::Char))
        return v.type->name();
    return format(v, error);
}

std::string Evaluator::format(const Value &v, std::string &error) {
    if (v.where == Value::Where::Nowhere) return v.unavailable;
    if (!v.type) return "?";
    const Type &t = *v.type;
    switch (t.kind) {
    case Type::Kind::Struct: {
        std::string text = "{";
        bool first = true;
        for (auto &[name, c] : children(v, error)) {
            std::string e;
            text += (first ? "" : ", ") + name + " = " + format(c, e);
            first = false;
        }
        return text + "}";
    }
    case Type::Kind::Array: {
        if (t.target && t.target->kind == Type::Kind::Char) {
            std::vector<std::uint8_t> bytes;
            if (!readBytes(v, bytes, error)) return "<" + error + ">";
            std::string text = "\"";
            std::size_t end = bytes.size();
            while (end > 0 && bytes[end - 1] == 0) --end;
            for (std::size_t i = 0; i < end && i < kMaxElements; ++i)
                text += bytes[i] == '"' ? "\\\"" : charLiteral(bytes[i]);
            return text + (end > kMaxElements ? "\"..." : "\"");
        }
        std::string text = "{";
        bool first = true;
        for (auto &[name, c] : children(v, error)) {
            std::string e;
            text += (first ? "" : ", ") + format(c, e);
            first = false;
        }
        return text + (t.count > kMaxElements ? "...}" : "}");
    }
    case Type::Kind::Function:
        return "{" + t.name() + "} " + hexAddress(v.address) +
               (info_.functionAt(v.address) ? " <" + info_.functionAt(v.address)->name + ">" : "");
    case Type::Kind::Void: return "void";
    case Type::Kind::Float: {
        auto d = toNumber(v, error);
        if (!d) return "<" + error + ">";
        char text[32];
        std::snprintf(text, sizeof text, "%g", *d);
        return text;
    }
    case Type::Kind::Pointer: {
        std::vector<std::uint8_t> raw;
        if (!readBytes(v, raw, error)) return "<" + error + ">";
        const std::uint32_t address = raw[0] | (raw.size() > 1 ? std::uint32_t(raw[1]) << 8 : 0u);
        const Space space = t.pointerSpace == Space::None ? genericSpace(raw[2]) : t.pointerSpace;
        char text[24];
        std::snprintf(text, sizeof text, "%c:0x%04X", spacePrefix(space), unsigned(address));
        std::string out = text;
        if (t.target && t.target->kind == Type::Kind::Char && address != 0) {
            std::string e;
            if (auto s = dereference(v, e)) {
                std::string str = " \"";
                for (unsigned i = 0; i < 32; ++i, ++s->address) {
                    std::vector<std::uint8_t> b;
                    if (!readBytes(*s, b, e) || b.empty() || b[0] == 0) break;
                    str += b[0] == '"' ? "\\\"" : charLiteral(b[0]);
                }
                out += str + "\"";
            }
        }
        return out;
    }
    default: {
        auto i = toInteger(v, error);
        if (!i) return "<" + error + ">";
        std::string text = std::to_string(*i);
        if (t.kind == Type::Kind::Char) text += " '" + charLiteral(int(*i & 0xFF)) + "'";
        return text;
    }
    }
}

bool Evaluator::assign(const std::string &target, const std::string &expression, std::string &error) {
    auto lhs = evaluate(target, error);
    if (!lhs) return false;
    auto rhs = evaluate(expression, error);
    if (!rhs) return false;
    return assign(*lhs, *rhs, error);
}

bool Evaluator::assign(const Value &lhs, const Value &rhs, std::string &error) {
    if (!lhs.type || (!lhs.type->isScalar()))
        return error = "cannot assign to a " + (lhs.type ? lhs.type->name() : "value"), false;
    std::vector<std::uint8_t> bytes(sizeOf(lhs));
    if (lhs.type->kind == Type::Kind::Float) {
        auto d = toNumber(rhs, error);
        if (!d) return false;
        float f = float(*d);
        std::memcpy(bytes.data(), &f, 4);
    } else if (lhs.type->kind == Type::Kind::Pointer && rhs.type && rhs.type->kind == Type::Kind::Pointer &&
               bytes.size() == 3 && rhs.type->size == 3) {
        if (!readBytes(rhs, bytes, error)) return false;
    } else {
        auto i = toInteger(rhs, error);
        if (!i) return false;
        for (std::size_t k = 0; k < bytes.size(); ++k) bytes[k] = std::uint8_t(std::uint64_t(*i) >> (8 * k));
        if (lhs.type->kind == Type::Kind::Pointer && bytes.size() == 3 && rhs.type &&
            rhs.type->kind == Type::Kind::Pointer) {
            std::vector<std::uint8_t> raw;
            if (!readBytes(rhs, raw, error)) return false;
            bytes[2] = genericTag(rhs.type->pointerSpace);
        }
    }
    switch (lhs.where) {
    case Value::Where::Memory:
        if (lhs.space == Space::Code) return error = "cannot write code memory through a variable", false;
        if (lhs.space == Space::Pdata) {
            std::uint8_t page = 0;
            if (!target_.read(Space::Data, kP2, &page, 1, error)) return false;
            return target_.write(Space::Xdata, std::uint32_t(page) << 8 | (lhs.address & 0xFF), bytes.data(),
                                 bytes.size(), error);
        }
        return target_.write(lhs.space, lhs.address, bytes.data(), bytes.size(), error);
    case Value::Where::Registers:
        for (std::size_t k = 0; k < lhs.registers.size() && k < bytes.size(); ++k)
            if (!target_.write(Space::Data, lhs.registers[k], &bytes[k], 1, error)) return false;
        return true;
    case Value::Where::BitAddress: {
        const std::uint32_t byte = lhs.address < 0x80 ? 0x20 + lhs.address / 8 : lhs.address & 0xF8;
        std::uint8_t b = 0;
        if (!target_.read(Space::Data, byte, &b, 1, error)) return false;
        const std::uint8_t mask = std::uint8_t(1u << (lhs.address & 7));
        b = bytes[0] ? std::uint8_t(b | mask) : std::uint8_t(b & ~mask);
        return target_.write(Space::Data, byte, &b, 1, error);
    }
    default: return error = "Left operand of assignment is not an lvalue.", false;
    }
}

}  // namespace vantor::debug
