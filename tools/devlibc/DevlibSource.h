#pragma once
// devlibc: the text form of a device library, its compiler, its dumper and the
// rules every record must meet. The text format is described in data/README.md.
#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "devices/LibraryFormat.h"

namespace vantor::devlibc {

inline constexpr std::size_t kMaxNameLength = 31;
inline constexpr std::size_t kMaxConfigLength = 16;
inline constexpr std::uint64_t kBufferSize = vantor::kBufferSize;

// One record with the bytes that its fields do not carry: whatever follows the
// terminating NUL of the two text fields. Keeping them makes dump/compile lossless.
struct DeviceEntry {
    devlib::LibraryRecord record;
    std::vector<std::uint8_t> namePad;    // bytes after device_name's NUL, trailing zeros dropped
    std::vector<std::uint8_t> configPad;  // bytes after config_name's NUL, trailing zeros dropped
};

struct Library {
    std::uint32_t headerReserved0 = 0;
    std::vector<std::uint8_t> headerReserved;  // the 100 bytes at offset 56, trailing zeros dropped
    std::vector<std::uint8_t> libraryNamePad;  // bytes after library_name's NUL
    std::vector<DeviceEntry> devices;
};

struct Diagnostic {
    std::string file;
    int line = 0;
    std::string message;
    std::string text() const;  // "file:line: message"
};

// ---- Binary side ----------------------------------------------------------
// Whole file image (header, records, check word). Fails (empty result, error set)
// when a padding does not fit beside the library name.
std::vector<std::uint8_t> encodeLibrary(const Library &library, const std::string &libraryName, std::string &error);

// Structural decoding: size, check word, record_size. Record contents are not judged.
bool decodeLibrary(std::span<const std::uint8_t> image, Library &out, std::string &libraryName, std::string &error);

DeviceEntry decodeEntry(const std::uint8_t raw[devlib::kRecordSize]);
void encodeEntry(const DeviceEntry &entry, std::uint8_t out[devlib::kRecordSize]);

// ---- Record rules ---------------------------------------------------------
enum class Field { Name, Vendor, Type, Width, Area, Adapter, Config, NamePad, ConfigPad };

struct Problem {
    Field field;
    int area = -1;  // for Field::Area
    std::string message;
    // The record cannot be stored at all (a text that does not fit its field). Anything else
    // is a rule of the shipped data: the format holds it and the program reads it.
    bool fatal = false;
};

// Everything a single record must satisfy, whether it comes from a source or a file.
// `devlibc check` holds a file to every rule; compiling only refuses fatal problems and
// warns about the rest, so every library the format can hold compiles back byte for byte.
std::vector<Problem> validateEntry(const DeviceEntry &entry);

// Full verification of a library file as `devlibc check` does it; one line per fault.
std::vector<std::string> checkLibraryImage(std::span<const std::uint8_t> image, const std::string &fileName,
                                           std::size_t *deviceCount);

// ---- Text side ------------------------------------------------------------
struct CompileResult {
    Library library;
    std::vector<Diagnostic> errors;
    std::vector<Diagnostic> warnings;           // what the shipped data must not contain (compile --strict refuses it)
    std::vector<std::filesystem::path> inputs;  // every file read, for dependency tracking
    bool ok() const { return errors.empty(); }
};

CompileResult compileFile(const std::filesystem::path &source);
// `fileName` names the text in diagnostics; includes resolve against its directory.
CompileResult compileText(std::string_view text, const std::string &fileName);

std::string dumpLibrary(const Library &library, const std::string &libraryName);

// Text forms used by the dumper and accepted by the compiler.
std::string formatSize(std::uint64_t bytes);
bool parseNumber(std::string_view token, std::uint64_t &value);

}  // namespace vantor::devlibc
