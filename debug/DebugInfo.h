#pragma once
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "debug/TypeChain.h"

namespace vantor::debug {

struct Symbol {
    enum class Scope : std::uint8_t { Global, File, Local };
    Scope scope = Scope::Global;
    std::string module;    // file and local scope: the module (source file without .c)
    std::string function;  // local scope
    std::string name;
    int level = 0, block = 0;
    TypePtr type;
    Space space = Space::None;
    int stackOffset = 0;                   // Space::Stack: from the frame pointer
    std::vector<unsigned> registers;       // Space::Register: R0..R7, least significant byte first
    std::optional<std::uint32_t> address;  // from the linker; code, data, xdata... by `space`
    bool isParameter = false;
};

struct Function {
    std::string name;
    std::string module;
    bool isStatic = false;
    TypePtr returnType;
    std::uint16_t start = 0, end = 0;  // inclusive; valid when hasRange
    bool hasRange = false;
    bool isInterrupt = false;
    int interruptNumber = 0;
    int registerBank = 0;
    bool reentrant = false;  // keeps locals on the stack
    std::string file;        // the C file its lines come from

    bool contains(std::uint32_t pc) const { return hasRange && pc >= start && pc <= end; }
};

struct LineRecord {
    std::string file;
    int line = 0;
    int level = 0, block = 0;
    std::uint16_t address = 0;
};

struct StructMember {
    std::string name;
    unsigned offset = 0;
    TypePtr type;
};

struct StructDef {
    std::string module, name;
    unsigned size = 0;
    std::vector<StructMember> members;
};

// What sdcc's --debug writes into NAME.cdb, read into one immutable model.
class DebugInfo {
public:
    // `origin` names the text in error messages ("prog.cdb:12: ...").
    static std::optional<DebugInfo> parse(std::string_view text, const std::string &origin, std::string &error);
    static std::optional<DebugInfo> load(const std::string &path, std::string &error);

    const std::vector<std::string> &modules() const { return modules_; }
    const std::vector<Function> &functions() const { return functions_; }
    const std::vector<Symbol> &symbols() const { return symbols_; }
    const std::vector<LineRecord> &lines() const { return lines_; }
    const std::map<std::pair<std::string, int>, std::uint16_t> &asmLines() const { return asmLines_; }

    const Function *functionAt(std::uint32_t pc) const;
    const Function *findFunction(const std::string &name) const;
    const StructDef *findStruct(const std::string &module, const std::string &name) const;
    // Symbols visible by `name` from `function` (may be null): locals, then file statics, then globals.
    const Symbol *lookup(const std::string &name, const Function *function) const;
    std::vector<const Symbol *> localsOf(const Function &function) const;
    // The size of a type, structs included.
    unsigned sizeOf(const Type &type, const std::string &module) const;
    // The file a module was compiled from ("main" -> "main.c"), if it has line records.
    std::string fileOfModule(const std::string &module) const;

private:
    struct LinkAddresses;  // what the L: records tie to names, kept until every record is read
    void readRecord(std::string_view line, std::string &module, LinkAddresses &links);
    void readLink(std::string_view body, LinkAddresses &links);
    void placeSymbols(const LinkAddresses &links);
    void placeFunctions(const LinkAddresses &links);
    void markParameters();
    void sizeStructs();

    std::vector<std::string> modules_;
    std::vector<Function> functions_;
    std::vector<Symbol> symbols_;
    std::vector<LineRecord> lines_;
    std::map<std::pair<std::string, int>, std::uint16_t> asmLines_;  // (module, asm line) -> address
    std::vector<StructDef> structs_;
};

}  // namespace vantor::debug
