#include "debug/DebugInfo.h"

#include <algorithm>
#include <charconv>
#include <fstream>
#include <sstream>
#include <unordered_map>

namespace vantor::debug {

namespace {

struct ParseError {
    std::string message;
};

[[noreturn]] void fail(const std::string &message) { throw ParseError{message}; }

int toInt(std::string_view s, const char *what, int base = 10) {
    int value = 0;
    const auto r = std::from_chars(s.data(), s.data() + s.size(), value, base);
    if (s.empty() || r.ec != std::errc() || r.ptr != s.data() + s.size())
        fail(std::string("bad ") + what + " '" + std::string(s) + "'");
    return value;
}

std::vector<std::string_view> splitOn(std::string_view s, char c) {
    std::vector<std::string_view> parts;
    for (;;) {
        const auto at = s.find(c);
        parts.push_back(s.substr(0, at));
        if (at == std::string_view::npos) return parts;
        s.remove_prefix(at + 1);
    }
}

Space spaceOf(char c) {
    switch (c) {
    case 'B': return Space::Stack;
    case 'C':
    case 'D': return Space::Code;
    case 'E':
    case 'I': return Space::Data;
    case 'F': return Space::Xdata;
    case 'G': return Space::Idata;
    case 'H':
    case 'J': return Space::Bit;
    case 'P': return Space::Pdata;
    case 'R': return Space::Register;
    case 'A':
    case 'Z': return Space::None;
    default: fail(std::string("unknown address space '") + c + "'");
    }
}

// "G$name$1_0$5", "Fmain$name$0_0$0", "Lmain.main$i$1_0$10": a symbol's scope, module, function,
// name, level and block, the rest of it left empty.
Symbol parseKey(std::string_view key) {
    const auto parts = splitOn(key, '$');
    if (parts.size() != 4 || parts[0].empty() || parts[1].empty()) fail("bad symbol name '" + std::string(key) + "'");
    Symbol k;
    const std::string_view scope = parts[0];
    if (scope == "G" || scope == "S") {  // S: a structure member
        k.scope = Symbol::Scope::Global;
    } else if (scope[0] == 'F' && scope.size() > 1) {
        k.scope = Symbol::Scope::File;
        k.module = std::string(scope.substr(1));
    } else if (scope[0] == 'L' && scope.size() > 1) {
        k.scope = Symbol::Scope::Local;
        const std::string_view f = scope.substr(1);
        const auto dot = f.find('.');
        if (dot == std::string_view::npos) k.function = std::string(f);
        else k.module = std::string(f.substr(0, dot)), k.function = std::string(f.substr(dot + 1));
    } else {
        fail("bad symbol scope '" + std::string(scope) + "'");
    }
    k.name = std::string(parts[1]);
    k.level = toInt(parts[2].substr(0, parts[2].find('_')), "level");
    k.block = toInt(parts[3], "block");
    return k;
}

std::string linkKey(Symbol::Scope scope, const std::string &owner, const std::string &name) {
    return std::to_string(int(scope)) + "$" + owner + "$" + name;
}

// "NAME(TYPE),SPACE,ONSTACK,STACK[,...]" -> the key, the type text and the fields after it.
struct SymbolText {
    std::string_view key, type;
    std::vector<std::string_view> fields;
};

SymbolText splitSymbol(std::string_view body) {
    const auto open = body.find('(');
    const auto close = body.find(')', open == std::string_view::npos ? 0 : open);
    if (open == std::string_view::npos || close == std::string_view::npos) fail("symbol without a type chain");
    SymbolText t;
    t.key = body.substr(0, open);
    t.type = body.substr(open, close - open + 1);
    std::string_view rest = body.substr(close + 1);
    if (rest.empty() || rest[0] != ',') fail("symbol without an address space");
    rest.remove_prefix(1);
    const auto bracket = rest.find('[');
    std::string_view regs;
    if (bracket != std::string_view::npos) {
        if (rest.back() != ']') fail("unterminated register list");
        regs = rest.substr(bracket);
        rest = rest.substr(0, bracket);
        if (!rest.empty() && rest.back() == ',') rest.remove_suffix(1);
    }
    t.fields = splitOn(rest, ',');
    if (!regs.empty()) t.fields.push_back(regs);
    return t;
}

TypePtr typeOf(std::string_view text) {
    std::string error;
    TypePtr t = parseTypeChain(text, error);
    if (!t) fail(error);
    return t;
}

Symbol makeSymbol(std::string_view body) {
    const SymbolText t = splitSymbol(body);
    Symbol s = parseKey(t.key);
    if (t.fields.size() < 3 || t.fields[0].size() != 1) fail("symbol record needs space, on-stack and stack fields");
    s.type = typeOf(t.type);
    s.space = spaceOf(t.fields[0][0]);
    s.stackOffset = toInt(t.fields[2], "stack offset");
    if (s.space == Space::Register) {
        if (t.fields.size() < 4 || t.fields[3].size() < 2 || t.fields[3].front() != '[')
            fail("register symbol without a register list");
        std::string_view list = t.fields[3].substr(1, t.fields[3].size() - 2);
        if (!list.empty())
            for (auto r : splitOn(list, ',')) {
                if (r.size() != 2 || r[0] != 'r' || r[1] < '0' || r[1] > '7')
                    fail("bad register '" + std::string(r) + "'");
                s.registers.push_back(unsigned(r[1] - '0'));
            }
        if (s.registers.empty()) s.space = Space::None;  // optimised away
    }
    return s;
}

// The owner part of a link key: a file-scope name's module, a local's "module.function".
std::string ownerOf(Symbol::Scope scope, const std::string &module, const std::string &function) {
    return scope == Symbol::Scope::File ? module : scope == Symbol::Scope::Local ? module + "." + function : "";
}

// A link key narrowed to one nesting level and block: locals of one name in different blocks.
std::string blockKey(const std::string &key, int level, int block) {
    return key + "$" + std::to_string(level) + "$" + std::to_string(block);
}

// "F:G$main$0_0$0({2}DF,SV:S),C,0,0,0,0,0": a function, its module the current M: record's
// unless it is static.
Function makeFunction(std::string_view body, const std::string &module) {
    const SymbolText t = splitSymbol(body);
    const Symbol k = parseKey(t.key);
    if (t.fields.size() < 6) fail("function record needs six fields after its type");
    Function f;
    f.name = k.name;
    f.isStatic = k.scope == Symbol::Scope::File;
    f.module = f.isStatic ? k.module : module;
    const TypePtr type = typeOf(t.type);
    f.returnType = type->kind == Type::Kind::Function ? type->target : type;
    f.reentrant = toInt(t.fields[2], "stack size") != 0;
    f.isInterrupt = toInt(t.fields[3], "interrupt flag") != 0;
    f.interruptNumber = toInt(t.fields[4], "interrupt number");
    f.registerBank = toInt(t.fields[5], "register bank");
    if (f.registerBank < 0 || f.registerBank > 3) fail("register bank out of range");
    return f;
}

// Reads the member at the front of `members` and drops it from there:
// ({offset}S:S$name$0_0$0({size}type),Z,0,0)
StructMember takeMember(std::string_view &members) {
    std::string_view m = members;
    if (m.size() < 2 || m[0] != '(' || m[1] != '{') fail("bad structure member");
    const auto brace = m.find('}');
    if (brace == std::string_view::npos) fail("bad structure member offset");
    StructMember member;
    member.offset = unsigned(toInt(m.substr(2, brace - 2), "member offset"));
    std::string_view after = m.substr(brace + 1);
    if (after.substr(0, 2) != "S:") fail("structure member without a symbol");
    int depth = 1;
    std::size_t end = 2;
    for (; end < after.size() && depth; ++end) depth += after[end] == '(' ? 1 : after[end] == ')' ? -1 : 0;
    if (depth) fail("unbalanced parentheses in structure member");
    const Symbol s = makeSymbol(after.substr(2, end - 3));
    member.name = s.name;
    member.type = s.type;
    members = after.substr(end);
    return member;
}

// "T:Fmodule$name[members]"
StructDef makeStruct(std::string_view body) {
    const auto open = body.find('[');
    if (open == std::string_view::npos || body.back() != ']' || body[0] != 'F') fail("bad structure record");
    const auto dollar = body.find('$');
    if (dollar == std::string_view::npos || dollar > open) fail("structure record without a name");
    StructDef def;
    def.module = std::string(body.substr(1, dollar - 1));
    def.name = std::string(body.substr(dollar + 1, open - dollar - 1));
    for (std::string_view m = body.substr(open + 1, body.size() - open - 2); !m.empty();)
        def.members.push_back(takeMember(m));
    return def;
}

// "C$file.c$LINE$LEVEL_x$BLOCK", split on '$'.
LineRecord makeCLine(const std::vector<std::string_view> &parts, int address) {
    if (parts.size() != 5) fail("bad C line record");
    LineRecord r;
    r.file = std::string(parts[1]);
    r.line = toInt(parts[2], "line number");
    r.level = toInt(parts[3].substr(0, parts[3].find('_')), "level");
    r.block = toInt(parts[4], "block");
    r.address = std::uint16_t(address);
    if (r.line <= 0) fail("line number out of range");
    return r;
}

void checkTextLine(std::string_view line) {
    for (char c : line)
        if (static_cast<unsigned char>(c) < 0x20 || static_cast<unsigned char>(c) > 0x7E)
            fail("not a text line of sdcc debug records");
    if (line.size() < 2 || line[1] != ':') fail("not an sdcc debug record");
}

}  // namespace

struct DebugInfo::LinkAddresses {
    std::unordered_map<std::string, std::uint32_t> starts, ends;  // by link key
    std::unordered_map<std::string, std::uint32_t> localStarts;   // by block key
};

std::optional<DebugInfo> DebugInfo::load(const std::string &path, std::string &error) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        error = "cannot open " + path;
        return std::nullopt;
    }
    std::ostringstream text;
    text << file.rdbuf();
    return parse(text.str(), path, error);
}

std::optional<DebugInfo> DebugInfo::parse(std::string_view text, const std::string &origin, std::string &error) {
    DebugInfo info;
    LinkAddresses links;
    int lineNo = 0;
    std::string module;
    try {
        for (std::string_view rest = text; !rest.empty();) {
            const auto nl = rest.find('\n');
            std::string_view line = rest.substr(0, nl);
            rest = nl == std::string_view::npos ? std::string_view() : rest.substr(nl + 1);
            ++lineNo;
            if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
            if (!line.empty()) info.readRecord(line, module, links);
        }
    } catch (const ParseError &e) {
        error = origin + ":" + std::to_string(lineNo) + ": " + e.message;
        return std::nullopt;
    } catch (const std::exception &) {
        error = origin + ":" + std::to_string(lineNo) + ": malformed record";
        return std::nullopt;
    }
    if (info.modules_.empty() && info.symbols_.empty() && info.lines_.empty()) {
        error = origin + ": no sdcc debug records (was the program built with --debug?)";
        return std::nullopt;
    }
    info.placeSymbols(links);
    info.placeFunctions(links);
    info.markParameters();
    info.sizeStructs();
    return info;
}

void DebugInfo::readRecord(std::string_view line, std::string &module, LinkAddresses &links) {
    checkTextLine(line);
    const std::string_view body = line.substr(2);
    switch (line[0]) {
    case 'M':
        if (body.empty()) fail("module record without a name");
        module = std::string(body);
        modules_.push_back(module);
        break;
    case 'S': symbols_.push_back(makeSymbol(body)); break;
    case 'F': functions_.push_back(makeFunction(body, module)); break;
    case 'T': structs_.push_back(makeStruct(body)); break;
    case 'L': readLink(body, links); break;
    default: fail(std::string("unknown record type '") + line[0] + "'");
    }
}

// "L:A$module$LINE:ADDR", "L:C$file$LINE$...:ADDR", "L:XG$name$..:ADDR" (a function's end),
// or a symbol's address.
void DebugInfo::readLink(std::string_view body, LinkAddresses &links) {
    const auto colon = body.rfind(':');
    if (colon == std::string_view::npos) fail("link record without an address");
    const int address = toInt(body.substr(colon + 1), "address", 16);
    if (address < 0 || address > 0xFFFF) fail("address out of range");
    const std::string_view key = body.substr(0, colon);
    if (key.substr(0, 2) == "A$") {
        const auto parts = splitOn(key, '$');
        if (parts.size() != 3) fail("bad assembler line record");
        asmLines_[{std::string(parts[1]), toInt(parts[2], "line number")}] = std::uint16_t(address);
    } else if (key.substr(0, 2) == "C$") {
        lines_.push_back(makeCLine(splitOn(key, '$'), address));
    } else if (key.size() > 1 && key[0] == 'X') {
        const Symbol k = parseKey(key.substr(1));
        links.ends[linkKey(k.scope, k.scope == Symbol::Scope::File ? k.module : "", k.name)] = std::uint32_t(address);
    } else {
        const Symbol k = parseKey(key);
        const std::string link = linkKey(k.scope, ownerOf(k.scope, k.module, k.function), k.name);
        links.starts[link] = std::uint32_t(address);
        if (k.scope == Symbol::Scope::Local)
            links.localStarts[blockKey(link, k.level, k.block)] = std::uint32_t(address);
    }
}

// A symbol is recorded once per module that mentions it; keep one of each, with its address.
void DebugInfo::placeSymbols(const LinkAddresses &links) {
    std::vector<Symbol> unique;
    std::unordered_map<std::string, bool> seen;
    for (auto &s : symbols_) {
        if (s.type->kind == Type::Kind::Function) continue;  // functions have their F: records
        const std::string key = linkKey(s.scope, ownerOf(s.scope, s.module, s.function), s.name);
        const std::string exact = blockKey(key, s.level, s.block);
        if (seen[exact]) continue;
        seen[exact] = true;
        if (auto it = links.localStarts.find(exact); it != links.localStarts.end()) s.address = it->second;
        else if (auto a = links.starts.find(key); a != links.starts.end()) s.address = a->second;
        unique.push_back(std::move(s));
    }
    symbols_ = std::move(unique);
}

// A function's range runs from its address to its end record; its file is that of the C lines inside it.
void DebugInfo::placeFunctions(const LinkAddresses &links) {
    for (auto &f : functions_) {
        const std::string key =
            linkKey(f.isStatic ? Symbol::Scope::File : Symbol::Scope::Global, f.isStatic ? f.module : "", f.name);
        const auto s = links.starts.find(key), e = links.ends.find(key);
        if (s != links.starts.end() && e != links.ends.end() && e->second >= s->second) {
            f.start = std::uint16_t(s->second);
            f.end = std::uint16_t(e->second);
            f.hasRange = true;
        }
    }
    for (auto &f : functions_)
        for (const auto &l : lines_)
            if (f.contains(l.address)) {
                f.file = l.file;
                break;
            }
}

// Parameters sit in a block before the one of the body's lines.
void DebugInfo::markParameters() {
    for (auto &s : symbols_) {
        if (s.scope != Symbol::Scope::Local || s.level != 1) continue;
        const Function *f = nullptr;
        for (const auto &fn : functions_)
            if (fn.name == s.function && (s.module.empty() || fn.module == s.module)) f = &fn;
        if (!f) continue;
        int bodyBlock = -1;
        for (const auto &l : lines_)
            if (f->contains(l.address) && l.level >= 1 && (bodyBlock < 0 || l.block < bodyBlock)) bodyBlock = l.block;
        s.isParameter = bodyBlock >= 0 && s.block < bodyBlock;
    }
}

// Twice: a struct member may be a struct recorded after its container.
void DebugInfo::sizeStructs() {
    for (int pass = 0; pass < 2; ++pass)
        for (auto &def : structs_)
            for (const auto &m : def.members) def.size = std::max(def.size, m.offset + sizeOf(*m.type, def.module));
}

const Function *DebugInfo::functionAt(std::uint32_t pc) const {
    for (const auto &f : functions_)
        if (f.contains(pc)) return &f;
    return nullptr;
}

const Function *DebugInfo::findFunction(const std::string &name) const {
    for (const auto &f : functions_)
        if (f.name == name) return &f;
    return nullptr;
}

const StructDef *DebugInfo::findStruct(const std::string &module, const std::string &name) const {
    const StructDef *any = nullptr;
    for (const auto &s : structs_) {
        if (s.name != name) continue;
        if (s.module == module) return &s;
        if (!any) any = &s;
    }
    return any;
}

const Symbol *DebugInfo::lookup(const std::string &name, const Function *function) const {
    const Symbol *file = nullptr, *global = nullptr;
    for (const auto &s : symbols_) {
        if (s.name != name) continue;
        if (s.scope == Symbol::Scope::Local && function && s.function == function->name &&
            (s.module.empty() || s.module == function->module))
            return &s;
        if (s.scope == Symbol::Scope::File && function && s.module == function->module) file = &s;
        if (s.scope == Symbol::Scope::Global && !global) global = &s;
    }
    return file ? file : global;
}

std::vector<const Symbol *> DebugInfo::localsOf(const Function &function) const {
    std::vector<const Symbol *> out;
    for (const auto &s : symbols_)
        if (s.scope == Symbol::Scope::Local && s.function == function.name &&
            (s.module.empty() || s.module == function.module))
            out.push_back(&s);
    return out;
}

unsigned DebugInfo::sizeOf(const Type &type, const std::string &module) const {
    if (type.kind == Type::Kind::Struct) {
        if (type.size) return type.size;
        const StructDef *def = findStruct(module, type.structName);
        return def ? def->size : 0;
    }
    if (type.kind == Type::Kind::Array && type.target) return type.count * sizeOf(*type.target, module);
    return type.size;
}

std::string DebugInfo::fileOfModule(const std::string &module) const {
    for (const auto &l : lines_) {
        const auto dot = l.file.rfind('.');
        if (l.file.substr(0, dot) == module) return l.file;
    }
    return {};
}

}  // namespace vantor::debug
