#include "tools/devlibc/DevlibSource.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <map>
#include <optional>
#include <set>
#include <sstream>

#include "devices/Algorithms.h"
#include "devices/Crc16.h"
#include "devices/DeviceTables.h"

namespace vantor::devlibc {
namespace fs = std::filesystem;
using devlib::kHeaderSize;
using devlib::kRecordSize;

namespace {

constexpr std::size_t kHeaderReservedOffset = 56;
constexpr std::size_t kHeaderReservedSize = 100;
constexpr std::size_t kNameOffset = 0x00;
constexpr std::size_t kConfigOffset = 0x65;
constexpr int kMaxErrors = 100;
constexpr int kMaxIncludeDepth = 16;
constexpr std::uintmax_t kMaxSourceSize = 16u << 20;

struct OpName {
    std::string_view name;
    int code;
};
// Printing order of the dumper.
constexpr OpName kOpNames[] = {
    {"program", kOpProgram},
    {"read", kOpRead},
    {"verify", kOpVerify},
    {"blank", kOpBlank},
    {"erase", kOpErase},
    {"write-fuse", kOpWriteFuse},
    {"read-fuse", kOpReadFuse},
    {"protect", kOpProtect},
    {"protect2", kOpProtect2},
    {"write-config", kOpWriteConfig},
    {"read-config", kOpReadConfig},
    {"write-cal", kOpWriteCal},
    {"boot-lock", kOpBootLock},
    {"test", kOpTest},
};

constexpr std::string_view kTypeNames[] = {"mcu", "memory", "eprom", "serial", "pld", "ram"};

struct OptionName {
    std::string_view name;
    std::uint32_t bit;
};
constexpr OptionName kOptionNames[] = {{"ignore-ff", kOptionIgnoreFF}};

std::string hexByte(std::uint8_t b) {
    char buf[4];
    std::snprintf(buf, sizeof buf, "%02X", b);
    return buf;
}

std::string hex(std::uint64_t v) {
    char buf[24];
    std::snprintf(buf, sizeof buf, "0x%llX", static_cast<unsigned long long>(v));
    return buf;
}

std::vector<std::uint8_t> trimZeros(const std::uint8_t *p, std::size_t n) {
    while (n > 0 && p[n - 1] == 0) --n;
    return std::vector<std::uint8_t>(p, p + n);
}

// Splits a fixed text field into the text before its NUL and the bytes after it.
void splitText(const std::uint8_t *p, std::size_t size, std::string &text, std::vector<std::uint8_t> &pad) {
    const auto *nul = static_cast<const std::uint8_t *>(std::memchr(p, 0, size));
    if (!nul) {
        text.assign(reinterpret_cast<const char *>(p), size);
        pad.clear();
        return;
    }
    const std::size_t len = std::size_t(nul - p);
    text.assign(reinterpret_cast<const char *>(p), len);
    pad = trimZeros(p + len + 1, size - len - 1);
}

// False when the text plus its NUL plus the padding does not fit the field.
bool joinText(std::uint8_t *p, std::size_t size, const std::string &text, const std::vector<std::uint8_t> &pad) {
    std::memset(p, 0, size);
    if (text.size() + (pad.empty() ? 0 : 1 + pad.size()) > size) return false;
    std::memcpy(p, text.data(), text.size());
    if (!pad.empty()) std::memcpy(p + text.size() + 1, pad.data(), pad.size());
    return true;
}

bool uniqueAdapterName(int index) {
    const auto text = adapterTableText(index);
    for (int i = 0; i < kAdapterCount; ++i)
        if (i != index && adapterTableText(i) == text) return false;
    return true;
}

std::string lower(std::string_view s) {
    std::string r(s);
    for (char &c : r)
        if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
    return r;
}

bool plainToken(std::string_view s) {
    if (s.empty() || s == ":" || s[0] == '"' || s[0] == '#') return false;
    for (unsigned char c : s)
        if (c <= 0x20 || c >= 0x7F || c == '"' || c == '\\') return false;
    return true;
}

std::string quoteIfNeeded(std::string_view s) {
    if (plainToken(s)) return std::string(s);
    std::string r = "\"";
    for (unsigned char c : s) {
        if (c == '"' || c == '\\') {
            r += '\\';
            r += char(c);
        } else if (c < 0x20 || c >= 0x7F) {
            r += "\\x" + hexByte(c);
        } else {
            r += char(c);
        }
    }
    return r + "\"";
}

std::string bytesText(const std::vector<std::uint8_t> &bytes) {
    std::string r;
    for (std::size_t i = 0; i < bytes.size(); ++i) r += (i ? " " : "") + hexByte(bytes[i]);
    return r;
}

}  // namespace

std::string Diagnostic::text() const { return file + ":" + std::to_string(line) + ": " + message; }

// ---------------------------------------------------------------------------
// Binary side

DeviceEntry decodeEntry(const std::uint8_t raw[kRecordSize]) {
    DeviceEntry e;
    e.record = devlib::decodeRecord(raw);
    splitText(raw + kNameOffset, kDeviceNameSize, e.record.device_name, e.namePad);
    splitText(raw + kConfigOffset, kConfigNameSize, e.record.config_name, e.configPad);
    return e;
}

void encodeEntry(const DeviceEntry &entry, std::uint8_t out[kRecordSize]) {
    devlib::encodeRecord(entry.record, out);
    // The plain encoder truncates; texts that were validated always fit here.
    joinText(out + kNameOffset, kDeviceNameSize, entry.record.device_name, entry.namePad);
    joinText(out + kConfigOffset, kConfigNameSize, entry.record.config_name, entry.configPad);
}

std::vector<std::uint8_t> encodeLibrary(const Library &library, const std::string &libraryName, std::string &error) {
    std::vector<std::uint8_t> image(kHeaderSize + kRecordSize * library.devices.size() + devlib::kCheckWordSize);
    devlib::LibraryHeader header;
    header.library_name = libraryName;
    header.reserved0 = library.headerReserved0;
    header.record_count = std::uint32_t(library.devices.size());
    devlib::encodeHeader(header, image.data());
    if (!joinText(image.data() + 4, devlib::kLibraryNameSize, libraryName, library.libraryNamePad)) {
        error = "library name '" + libraryName + "' with its padding does not fit 44 bytes";
        return {};
    }
    if (library.headerReserved.size() > kHeaderReservedSize) {
        error = "header-reserved holds more than 100 bytes";
        return {};
    }
    std::copy(library.headerReserved.begin(), library.headerReserved.end(), image.begin() + kHeaderReservedOffset);
    for (std::size_t i = 0; i < library.devices.size(); ++i)
        encodeEntry(library.devices[i], image.data() + kHeaderSize + kRecordSize * i);
    const std::size_t body = image.size() - devlib::kCheckWordSize;
    const std::uint16_t crc = Crc16::of(image.data(), body);
    image[body] = std::uint8_t(crc >> 8);
    image[body + 1] = std::uint8_t(crc);
    return image;
}

bool decodeLibrary(std::span<const std::uint8_t> image, Library &out, std::string &libraryName, std::string &error) {
    out = Library{};
    if (image.size() < kHeaderSize + devlib::kCheckWordSize) {
        error = "file too short for a device library (" + std::to_string(image.size()) + " bytes)";
        return false;
    }
    Crc16 crc;
    crc.update(image.data(), image.size());
    if (crc.value() != 0) {
        error = "check word mismatch (file damaged)";
        return false;
    }
    const auto header = devlib::decodeHeader(image.data());
    if (header.record_size != kRecordSize) {
        error = "record_size is " + std::to_string(header.record_size) + ", expected 136";
        return false;
    }
    const std::uint64_t expected =
        kHeaderSize + std::uint64_t(kRecordSize) * header.record_count + devlib::kCheckWordSize;
    if (expected != image.size()) {
        error = "file holds " + std::to_string(image.size()) + " bytes, but " + std::to_string(header.record_count) +
                " records need " + std::to_string(expected);
        return false;
    }
    splitText(image.data() + 4, devlib::kLibraryNameSize, libraryName, out.libraryNamePad);
    out.headerReserved0 = header.reserved0;
    out.headerReserved = trimZeros(image.data() + kHeaderReservedOffset, kHeaderReservedSize);
    out.devices.reserve(header.record_count);
    for (std::uint32_t i = 0; i < header.record_count; ++i)
        out.devices.push_back(decodeEntry(image.data() + kHeaderSize + kRecordSize * i));
    return true;
}

// ---------------------------------------------------------------------------
// Record rules

std::vector<Problem> validateEntry(const DeviceEntry &entry) {
    std::vector<Problem> p;
    const auto &r = entry.record;
    if (r.device_name.empty()) p.push_back({Field::Name, -1, "device name is empty"});
    if (r.device_name.size() > std::size_t(kDeviceNameSize))
        p.push_back({Field::Name, -1,
                     "device name too long (" + std::to_string(r.device_name.size()) + " characters, at most 31)",
                     true});
    else if (r.device_name.size() > kMaxNameLength)
        p.push_back({Field::Name, -1, "device name is not NUL-terminated (32 characters)"});
    if (!entry.namePad.empty() && r.device_name.size() + 1 + entry.namePad.size() > kDeviceNameSize)
        p.push_back({Field::NamePad, -1, "name-pad does not fit beside the device name", true});
    if (r.vendor_index >= kVendorCount)
        p.push_back({Field::Vendor, -1, "vendor index " + std::to_string(r.vendor_index) + " out of range (0..100)"});
    if (r.adapter_index >= kAdapterCount)
        p.push_back({Field::Adapter, -1, "adapter index " + std::to_string(r.adapter_index) + " out of range (0..72)"});
    if (r.device_type > kTypeRam)
        p.push_back({Field::Type, -1, "device type " + std::to_string(r.device_type) + " out of range (0..5)"});
    if (r.data_width != 8 && r.data_width != 12 && r.data_width != 14 && r.data_width != 16)
        p.push_back({Field::Width, -1, "data width " + std::to_string(r.data_width) + " is not 8, 12, 14 or 16"});
    if (r.config_name.size() > std::size_t(kConfigNameSize)) {
        p.push_back({Field::Config, -1,
                     "config name too long (" + std::to_string(r.config_name.size()) + " characters, at most 16)",
                     true});
    } else {
        if (r.config_name.size() > kMaxConfigLength)
            p.push_back({Field::Config, -1, "config name is not NUL-terminated (17 characters)"});
        if (!entry.configPad.empty() && r.config_name.size() + 1 + entry.configPad.size() > kConfigNameSize)
            p.push_back({Field::ConfigPad, -1, "config-pad does not fit beside the config name", true});
        // The name becomes a file name in the cfg directory: nothing that leaves it.
        const bool badChar = std::any_of(r.config_name.begin(), r.config_name.end(), [](char c) {
            return std::strchr("/\\:*?\"<>|", c) != nullptr || static_cast<unsigned char>(c) < 0x20 ||
                   static_cast<unsigned char>(c) >= 0x7F;
        });
        if (badChar || r.config_name == "." || r.config_name == "..")
            p.push_back({Field::Config, -1, "config name '" + r.config_name + "' is not a plain file name"});
    }
    const bool word = r.data_width == 12 || r.data_width == 14;
    if (std::none_of(std::begin(r.memory_areas), std::end(r.memory_areas),
                     [](const MemoryArea &a) { return a.size_bytes != 0; }))
        p.push_back({Field::Name, -1, "device '" + r.device_name + "' has no memory area"});
    for (int a = 0; a < kMaxAreas; ++a) {
        const auto &area = r.memory_areas[a];
        if (area.size_bytes == 0) continue;
        const std::uint64_t start = area.buffer_start;
        const std::uint64_t end = start + area.size_bytes;
        if (end > kBufferSize)
            p.push_back({Field::Area, a,
                         "area " + std::to_string(a) + " (" + hex(start) + ".." + hex(end - 1) +
                             ") runs past the 8 MiB buffer"});
        if (word && ((start | area.size_bytes) & 1))
            p.push_back({Field::Area, a,
                         "area " + std::to_string(a) + " of a word device must start and end on a word boundary"});
        for (int b = 0; b < a; ++b) {
            const auto &other = r.memory_areas[b];
            if (other.size_bytes == 0) continue;
            const std::uint64_t os = other.buffer_start, oe = os + other.size_bytes;
            if (start < oe && os < end)
                p.push_back({Field::Area, a,
                             "area " + std::to_string(a) + " (" + hex(start) + ".." + hex(end - 1) +
                                 ") overlaps area " + std::to_string(b) + " (" + hex(os) + ".." + hex(oe - 1) + ")"});
        }
    }
    return p;
}

std::vector<std::string> checkLibraryImage(std::span<const std::uint8_t> image, const std::string &fileName,
                                           std::size_t *deviceCount) {
    std::vector<std::string> faults;
    Library lib;
    std::string name, error;
    if (!decodeLibrary(image, lib, name, error)) {
        faults.push_back(error);
        return faults;
    }
    if (deviceCount) *deviceCount = lib.devices.size();
    if (name != fileName) faults.push_back("library_name is '" + name + "', but the file is named '" + fileName + "'");
    std::map<std::pair<std::uint16_t, std::string>, std::size_t> seen;
    for (std::size_t i = 0; i < lib.devices.size(); ++i) {
        const auto &e = lib.devices[i];
        const std::string who = "record " + std::to_string(i) + " (" +
                                std::string(vendorTableText(e.record.vendor_index)) + "/" + e.record.device_name +
                                "): ";
        for (const auto &p : validateEntry(e)) faults.push_back(who + p.message);
        const auto key = std::make_pair(e.record.vendor_index, e.record.device_name);
        if (auto [it, fresh] = seen.emplace(key, i); !fresh)
            faults.push_back(who + "duplicate of record " + std::to_string(it->second));
    }
    return faults;
}

// ---------------------------------------------------------------------------
// Numbers

bool parseNumber(std::string_view t, std::uint64_t &value) {
    std::uint64_t mul = 1;
    if (!t.empty() && (t.back() == 'K' || t.back() == 'k')) {
        mul = 1024;
        t.remove_suffix(1);
    } else if (!t.empty() && (t.back() == 'M' || t.back() == 'm')) {
        mul = 1024 * 1024;
        t.remove_suffix(1);
    }
    int base = 10;
    if (t.size() > 2 && t[0] == '0' && (t[1] == 'x' || t[1] == 'X')) {
        base = 16;
        t.remove_prefix(2);
    }
    if (t.empty() || t.size() > 16) return false;
    std::uint64_t v = 0;
    for (char c : t) {
        int d;
        if (c >= '0' && c <= '9') d = c - '0';
        else if (base == 16 && c >= 'a' && c <= 'f') d = c - 'a' + 10;
        else if (base == 16 && c >= 'A' && c <= 'F') d = c - 'A' + 10;
        else return false;
        v = v * std::uint64_t(base) + std::uint64_t(d);
        if (v > (std::uint64_t(1) << 40)) return false;
    }
    value = v * mul;
    return true;
}

std::string formatSize(std::uint64_t bytes) {
    if (bytes >= 0x100000 && bytes % 0x100000 == 0) return std::to_string(bytes / 0x100000) + "M";
    if (bytes >= 1024 && bytes % 1024 == 0) return std::to_string(bytes / 1024) + "K";
    return std::to_string(bytes);
}

namespace {

bool parseHexByte(std::string_view t, std::uint8_t &b) {
    if (t.size() > 2 && t[0] == '0' && (t[1] == 'x' || t[1] == 'X')) t.remove_prefix(2);
    if (t.empty() || t.size() > 2) return false;
    unsigned v = 0;
    for (char c : t) {
        int d;
        if (c >= '0' && c <= '9') d = c - '0';
        else if (c >= 'a' && c <= 'f') d = c - 'a' + 10;
        else if (c >= 'A' && c <= 'F') d = c - 'A' + 10;
        else return false;
        v = v * 16 + unsigned(d);
    }
    b = std::uint8_t(v);
    return true;
}

// ---------------------------------------------------------------------------
// Tokens

struct Token {
    std::string text;
    bool quoted = false;
};

// A '#' starts a comment unless a digit follows it (the "#12" index form).
bool tokenize(std::string_view line, std::vector<Token> &out, std::string &error) {
    out.clear();
    std::size_t i = 0;
    auto space = [](char c) { return c == ' ' || c == '\t' || c == '\r'; };
    while (i < line.size()) {
        if (space(line[i])) {
            ++i;
            continue;
        }
        if (line[i] == '#' && !(i + 1 < line.size() && line[i + 1] >= '0' && line[i + 1] <= '9')) break;
        Token tok;
        if (line[i] == '"') {
            tok.quoted = true;
            ++i;
            bool closed = false;
            while (i < line.size()) {
                char c = line[i++];
                if (c == '"') {
                    closed = true;
                    break;
                }
                if (c != '\\') {
                    tok.text += c;
                    continue;
                }
                if (i >= line.size()) break;
                char e = line[i++];
                if (e == '"' || e == '\\') {
                    tok.text += e;
                } else if (e == 'x' && i + 2 <= line.size()) {
                    std::uint8_t b;
                    if (!parseHexByte(line.substr(i, 2), b)) {
                        error = "bad \\x escape in quoted text";
                        return false;
                    }
                    tok.text += char(b);
                    i += 2;
                } else {
                    error = std::string("unknown escape \\") + e + " in quoted text";
                    return false;
                }
            }
            if (!closed) {
                error = "unterminated quoted text";
                return false;
            }
            if (i < line.size() && !space(line[i])) {
                error = "quoted text must be followed by a blank";
                return false;
            }
        } else {
            while (i < line.size() && !space(line[i])) tok.text += line[i++];
        }
        out.push_back(std::move(tok));
    }
    return true;
}

// ---------------------------------------------------------------------------
// The compiler

struct Loc {
    int file = -1;
    int line = 0;
    bool set() const { return file >= 0; }
};

struct PendingParam {
    std::string name;  // empty: positional
    int index = 0;     // for positional and pN forms
    std::uint64_t value = 0;
    Loc loc;
};

// A device or template while it is being described.
struct Proto {
    std::string name;
    Loc where;
    DeviceEntry entry;
    bool hasVendor = false, hasType = false, hasAdapter = false, hasAlgorithm = false;
    Loc vendorLoc, typeLoc, widthLoc, adapterLoc, configLoc, namePadLoc, configPadLoc;
    int areaCount = 0;
    bool areasOwn = false;  // an 'area' line of this block replaced the inherited areas
    std::array<Loc, 4> areaLocs;
    std::vector<PendingParam> params;
};

class Compiler {
public:
    CompileResult result;

    void compileRoot(const std::string &text, const std::string &displayName, const fs::path &dir) {
        parse(text, addFile(displayName), dir, 0);
        if (int(result.errors.size()) >= kMaxErrors)
            result.errors.push_back({fileNames_.front(), 0, "too many errors, giving up"});
    }

    void compilePath(const fs::path &path) {
        std::string text;
        if (!readFile(path, text)) {
            result.errors.push_back({path.string(), 0, "cannot read the source file"});
            return;
        }
        includeStack_.push_back(canonical(path));
        result.inputs.push_back(path);
        compileRoot(text, path.string(), path.parent_path());
    }

private:
    std::vector<std::string> fileNames_;
    std::vector<fs::path> includeStack_;
    std::map<std::string, Proto> templates_;
    std::vector<Proto> devices_;
    std::map<std::pair<std::uint16_t, std::string>, std::size_t> deviceIndex_;
    std::optional<Proto> open_;
    bool openIsTemplate_ = false;

    static fs::path canonical(const fs::path &path) {
        std::error_code ec;
        auto c = fs::weakly_canonical(path, ec);
        return ec ? path.lexically_normal() : c;
    }

    // Sources are small text files; anything else (a device, a directory, a huge
    // file named by mistake) is refused rather than read.
    static bool readFile(const fs::path &path, std::string &text) {
        std::error_code ec;
        if (!fs::is_regular_file(path, ec) || fs::file_size(path, ec) > kMaxSourceSize || ec) return false;
        std::ifstream in(path, std::ios::binary);
        if (!in) return false;
        std::ostringstream ss;
        ss << in.rdbuf();
        text = ss.str();
        return !in.bad();
    }

    int addFile(const std::string &name) {
        fileNames_.push_back(name);
        return int(fileNames_.size()) - 1;
    }

    bool full() const { return int(result.errors.size()) >= kMaxErrors; }

    void error(Loc loc, std::string message) {
        if (full()) return;
        result.errors.push_back(
            {loc.file >= 0 ? fileNames_[std::size_t(loc.file)] : std::string(), loc.line, std::move(message)});
    }

    void warning(Loc loc, std::string message) {
        result.warnings.push_back(
            {loc.file >= 0 ? fileNames_[std::size_t(loc.file)] : std::string(), loc.line, std::move(message)});
    }

    std::string where(Loc loc) const { return fileNames_[std::size_t(loc.file)] + ":" + std::to_string(loc.line); }

    void parse(const std::string &text, int file, const fs::path &dir, int depth) {
        std::size_t pos = text.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;  // UTF-8 byte-order mark
        int lineNo = 0;
        std::vector<Token> toks;
        while (pos <= text.size() && !full()) {
            std::size_t nl = text.find('\n', pos);
            if (nl == std::string::npos) nl = text.size();
            std::string_view line(text.data() + pos, nl - pos);
            pos = nl + 1;
            ++lineNo;
            const Loc loc{file, lineNo};
            std::string err;
            if (!tokenize(line, toks, err)) {
                error(loc, err);
                continue;
            }
            if (!toks.empty()) statement(toks, loc, dir, depth);
            if (nl == text.size()) break;
        }
        finishOpen();  // a block never spans files
    }

    void statement(const std::vector<Token> &t, Loc loc, const fs::path &dir, int depth) {
        const std::string &key = t[0].text;
        if (key == "device" || key == "template") {
            finishOpen();
            begin(t, loc, key == "template");
        } else if (key == "include") {
            finishOpen();
            include(t, loc, dir, depth);
        } else if (key == "header-reserved0" || key == "header-reserved" || key == "library-name-pad") {
            finishOpen();
            headerDirective(t, loc);
        } else if (!open_) {
            if (isFieldKey(key)) error(loc, "field '" + key + "' outside a device or template block");
            else error(loc, "unknown keyword '" + key + "'");
        } else {
            field(*open_, t, loc);
        }
    }

    static bool isFieldKey(std::string_view k) {
        static const std::set<std::string_view> keys = {
            "vendor",         "type",           "width",         "id",       "area",
            "pins",           "adapter",        "options",       "ops",      "algorithm",
            "read-page",      "program-page",   "params",        "config",   "reserved",
            "reserved-word0", "reserved-word1", "reserved-tail", "name-pad", "config-pad"};
        return keys.count(k) != 0;
    }

    void include(const std::vector<Token> &t, Loc loc, const fs::path &dir, int depth) {
        if (t.size() != 2) {
            error(loc, "include takes one file name");
            return;
        }
        const fs::path path = dir / t[1].text;
        const fs::path canon = canonical(path);
        if (depth + 1 > kMaxIncludeDepth ||
            std::find(includeStack_.begin(), includeStack_.end(), canon) != includeStack_.end()) {
            error(loc, "include of '" + t[1].text + "' is circular");
            return;
        }
        std::string text;
        if (!readFile(path, text)) {
            error(loc, "cannot read included file '" + path.string() + "'");
            return;
        }
        result.inputs.push_back(path);
        includeStack_.push_back(canon);
        parse(text, addFile(path.string()), path.parent_path(), depth + 1);
        includeStack_.pop_back();
    }

    bool bytesArg(const std::vector<Token> &t, Loc loc, std::size_t max, std::vector<std::uint8_t> &out) {
        out.clear();
        if (t.size() < 2 || t.size() - 1 > max) {
            error(loc, "'" + t[0].text + "' takes 1 to " + std::to_string(max) + " hex bytes");
            return false;
        }
        for (std::size_t i = 1; i < t.size(); ++i) {
            std::uint8_t b;
            if (!parseHexByte(t[i].text, b)) {
                error(loc, "bad number '" + t[i].text + "' (expected a hex byte)");
                return false;
            }
            out.push_back(b);
        }
        return true;
    }

    bool numberArg(const Token &tok, Loc loc, std::uint64_t max, std::uint64_t &v, std::string_view what) {
        if (!parseNumber(tok.text, v)) {
            error(loc, "bad number '" + tok.text + "' for " + std::string(what));
            return false;
        }
        if (v > max) {
            error(loc, "number " + tok.text + " too large for " + std::string(what) + " (at most " +
                           std::to_string(max) + ")");
            return false;
        }
        return true;
    }

    bool single(const std::vector<Token> &t, Loc loc) {
        if (t.size() == 2) return true;
        error(loc, "'" + t[0].text + "' takes one value");
        return false;
    }

    Library &lib() { return result.library; }

    void headerDirective(const std::vector<Token> &t, Loc loc) {
        const std::string &key = t[0].text;
        if (key == "header-reserved0") {
            std::uint64_t v;
            if (single(t, loc) && numberArg(t[1], loc, 0xFFFFFFFFu, v, key)) lib().headerReserved0 = std::uint32_t(v);
        } else if (key == "header-reserved") {
            std::vector<std::uint8_t> b;
            if (bytesArg(t, loc, kHeaderReservedSize, b)) lib().headerReserved = trimZeros(b.data(), b.size());
        } else {
            std::vector<std::uint8_t> b;
            if (bytesArg(t, loc, devlib::kLibraryNameSize - 1, b)) lib().libraryNamePad = trimZeros(b.data(), b.size());
        }
    }

    void begin(const std::vector<Token> &t, Loc loc, bool isTemplate) {
        const char *what = isTemplate ? "template" : "device";
        if (t.size() != 2 && !(t.size() == 4 && t[2].text == ":" && !t[2].quoted)) {
            error(loc, std::string("expected '") + what + " NAME' or '" + what + " NAME : BASE'");
            return;
        }
        Proto p;
        if (t.size() == 4) {
            const Proto *base = findBase(t[3].text, loc);
            if (!base) return;
            p = *base;
            p.entry.namePad.clear();
            p.entry.configPad.clear();
            p.namePadLoc = p.configPadLoc = Loc{};
            p.areasOwn = false;
        }
        p.name = t[1].text;
        p.where = loc;
        p.entry.record.device_name = t[1].text;
        if (isTemplate && templates_.count(p.name)) {
            error(loc, "template '" + p.name + "' defined twice (first at " + where(templates_[p.name].where) + ")");
            return;
        }
        open_ = std::move(p);
        openIsTemplate_ = isTemplate;
    }

    const Proto *findBase(const std::string &name, Loc loc) {
        if (auto it = templates_.find(name); it != templates_.end()) return &it->second;
        const Proto *found = nullptr;
        int count = 0;
        for (const auto &d : devices_)
            if (d.name == name) {
                found = &d;
                ++count;
            }
        if (count == 1) return found;
        if (count > 1) {
            error(loc, "base '" + name + "' is ambiguous: write VENDOR/" + name);
            return nullptr;
        }
        if (auto slash = name.find('/'); slash != std::string::npos) {
            const auto vendor = findVendor(name.substr(0, slash));
            if (vendor >= 0)
                if (auto it = deviceIndex_.find({std::uint16_t(vendor), name.substr(slash + 1)});
                    it != deviceIndex_.end())
                    return &devices_[it->second];
        }
        error(loc, "unknown base '" + name + "' (no template or earlier device of that name)");
        return nullptr;
    }

    static int findVendor(std::string_view name) {
        for (int i = 0; i < kVendorCount; ++i)
            if (vendorTableText(i) == name) return i;
        return -1;
    }

    bool tableIndex(const Token &tok, Loc loc, std::string_view what, int count, std::string_view (*text)(int),
                    std::uint16_t &out) {
        if (!tok.quoted && tok.text.size() > 1 && tok.text[0] == '#') {
            std::uint64_t v;
            if (!parseNumber(std::string_view(tok.text).substr(1), v) || v > 0xFFFF) {
                error(loc, "bad number '" + tok.text + "' for the " + std::string(what) + " index");
                return false;
            }
            out = std::uint16_t(v);
            return true;
        }
        std::vector<int> rows;
        for (int i = 0; i < count; ++i)
            if (text(i) == tok.text) rows.push_back(i);
        if (rows.size() == 1) {
            out = std::uint16_t(rows[0]);
            return true;
        }
        if (rows.size() > 1) {
            error(loc, std::string(what) + " name '" + tok.text + "' is ambiguous (rows " +
                           std::to_string(rows.front()) + ".." + std::to_string(rows.back()) +
                           "): use the index form #" + std::to_string(rows.front()));
            return false;
        }
        std::string hint;
        for (int i = 0; i < count; ++i)
            if (lower(text(i)) == lower(tok.text)) {
                hint = " (did you mean '" + std::string(text(i)) + "'?)";
                break;
            }
        error(loc, "unknown " + std::string(what) + " '" + tok.text + "'" + hint);
        return false;
    }

    // Flags lists: a plain word starts from nothing, +word adds, -word removes.
    template <typename Lookup>
    void flagList(const std::vector<Token> &t, Loc loc, std::uint32_t &flags, std::string_view what, Lookup lookup) {
        if (t.size() < 2) {
            error(loc, "'" + t[0].text + "' needs at least one name");
            return;
        }
        std::uint32_t v = flags;
        bool reset = std::any_of(t.begin() + 1, t.end(), [](const Token &k) {
            return k.text.empty() || (k.text[0] != '+' && k.text[0] != '-');
        });
        if (reset) v = 0;
        for (std::size_t i = 1; i < t.size(); ++i) {
            std::string_view w = t[i].text;
            char sign = '+';
            if (!w.empty() && (w[0] == '+' || w[0] == '-')) {
                sign = w[0];
                w.remove_prefix(1);
            }
            std::uint32_t bits = 0;
            std::uint64_t n;
            if (lookup(w, bits)) {
            } else if (!w.empty() && w[0] >= '0' && w[0] <= '9' && parseNumber(w, n) && n <= 0xFFFFFFFFu) {
                bits = std::uint32_t(n);
            } else {
                error(loc, "unknown " + std::string(what) + " name '" + std::string(w) + "'");
                return;
            }
            v = sign == '+' ? (v | bits) : (v & ~bits);
        }
        flags = v;
    }

    void field(Proto &p, const std::vector<Token> &t, Loc loc) {
        const std::string &key = t[0].text;
        if (key == "vendor" || key == "adapter") tableField(p, t, loc);
        else if (key == "type") typeField(p, t, loc);
        else if (key == "algorithm") algorithmField(p, t, loc);
        else if (key == "options" || key == "ops") flagsField(p.entry.record, t, loc);
        else if (key == "area") area(p, t, loc);
        else if (key == "params") params(p, t, loc);
        else if (key == "config") configField(p, t, loc);
        else if (key == "id" || key == "reserved" || key == "name-pad" || key == "config-pad") bytesField(p, t, loc);
        else if (!numberField(p, t, loc)) error(loc, "unknown field '" + key + "'");
    }

    // vendor and adapter: a row of their table, by name or #index.
    void tableField(Proto &p, const std::vector<Token> &t, Loc loc) {
        auto &r = p.entry.record;
        const bool vendor = t[0].text == "vendor";
        if (!single(t, loc)) return;
        if (vendor ? !tableIndex(t[1], loc, "vendor", kVendorCount, vendorTableText, r.vendor_index)
                   : !tableIndex(t[1], loc, "adapter", kAdapterCount, adapterTableText, r.adapter_index))
            return;
        (vendor ? p.hasVendor : p.hasAdapter) = true;
        (vendor ? p.vendorLoc : p.adapterLoc) = loc;
    }

    void typeField(Proto &p, const std::vector<Token> &t, Loc loc) {
        auto &r = p.entry.record;
        std::uint64_t v = 0;
        if (!single(t, loc)) return;
        const auto it = std::find(std::begin(kTypeNames), std::end(kTypeNames), t[1].text);
        if (it != std::end(kTypeNames)) {
            r.device_type = std::uint8_t(it - std::begin(kTypeNames));
        } else if (parseNumber(t[1].text, v) && v <= 0xFF) {
            r.device_type = std::uint8_t(v);
        } else {
            error(loc, "unknown device type '" + t[1].text + "' (mcu, memory, eprom, serial, pld, ram)");
            return;
        }
        p.hasType = true;
        p.typeLoc = loc;
    }

    void algorithmField(Proto &p, const std::vector<Token> &t, Loc loc) {
        auto &r = p.entry.record;
        std::uint64_t v = 0;
        if (!single(t, loc)) return;
        if (const auto *a = algo::findAlgorithm(std::string_view(t[1].text))) {
            r.algorithm = a->number;
        } else if (!t[1].text.empty() && t[1].text[0] >= '0' && t[1].text[0] <= '9') {
            if (!numberArg(t[1], loc, 0xFF, v, "algorithm")) return;
            r.algorithm = std::uint8_t(v);
        } else {
            error(loc, "unknown algorithm '" + t[1].text + "'");
            return;
        }
        p.hasAlgorithm = true;
    }

    // options and ops: flag names of their tables.
    void flagsField(devlib::LibraryRecord &r, const std::vector<Token> &t, Loc loc) {
        if (t[0].text == "options") {
            flagList(t, loc, r.option_flags, "option", [](std::string_view w, std::uint32_t &bits) {
                for (const auto &o : kOptionNames)
                    if (o.name == w) {
                        bits = o.bit;
                        return true;
                    }
                return false;
            });
        } else {
            flagList(t, loc, r.operation_flags, "operation", [](std::string_view w, std::uint32_t &bits) {
                for (const auto &o : kOpNames)
                    if (o.name == w) {
                        bits = operationFlagBit(o.code);
                        return true;
                    }
                return false;
            });
        }
    }

    void configField(Proto &p, const std::vector<Token> &t, Loc loc) {
        if (!single(t, loc)) return;
        p.entry.record.config_name = t[1].text;
        p.configLoc = loc;
    }

    // id, reserved, name-pad and config-pad: hex bytes, the rest of the field zero.
    void bytesField(Proto &p, const std::vector<Token> &t, Loc loc) {
        auto &r = p.entry.record;
        const std::string &key = t[0].text;
        std::vector<std::uint8_t> b;
        if (key == "id" || key == "reserved") {
            std::uint8_t *field = key == "id" ? r.device_id : r.reserved_bytes;
            const std::size_t size = key == "id" ? sizeof r.device_id : sizeof r.reserved_bytes;
            if (!bytesArg(t, loc, size, b)) return;
            std::memset(field, 0, size);
            std::copy(b.begin(), b.end(), field);
            return;
        }
        const bool name = key == "name-pad";
        if (!bytesArg(t, loc, name ? kDeviceNameSize - 1 : kConfigNameSize - 1, b)) return;
        (name ? p.entry.namePad : p.entry.configPad) = trimZeros(b.data(), b.size());
        (name ? p.namePadLoc : p.configPadLoc) = loc;
    }

    // The fields that take one number; false when `t` names none of them.
    bool numberField(Proto &p, const std::vector<Token> &t, Loc loc) {
        auto &r = p.entry.record;
        const std::string &key = t[0].text;
        std::uint64_t v = 0;
        if (key == "width") {
            if (single(t, loc) && numberArg(t[1], loc, 0xFF, v, "width")) {
                r.data_width = std::uint8_t(v);
                p.widthLoc = loc;
            }
            return true;
        }
        std::uint16_t *slot = key == "pins"             ? &r.pin_count
                              : key == "read-page"      ? &r.read_page_size
                              : key == "program-page"   ? &r.program_page_size
                              : key == "reserved-word0" ? &r.reserved_word0
                              : key == "reserved-word1" ? &r.reserved_word1
                              : key == "reserved-tail"  ? &r.reserved_tail
                                                        : nullptr;
        if (!slot) return false;
        if (single(t, loc) && numberArg(t[1], loc, 0xFFFF, v, key)) *slot = std::uint16_t(v);
        return true;
    }

    void area(Proto &p, const std::vector<Token> &t, Loc loc) {
        auto &areas = p.entry.record.memory_areas;
        if (!p.areasOwn) {
            for (auto &a : areas) a = MemoryArea{};
            p.areaCount = 0;
            p.areaLocs = {};
            p.areasOwn = true;
        }
        if (!(t.size() == 2 || (t.size() == 4 && t[2].text == "@"))) {
            error(loc, "expected 'area SIZE' or 'area SIZE @ START'");
            return;
        }
        if (p.areaCount >= 4) {
            error(loc, "a device has at most 4 memory areas");
            return;
        }
        std::uint64_t size, start;
        if (!numberArg(t[1], loc, 0xFFFFFFFFu, size, "the area size")) return;
        if (t.size() == 4) {
            if (!numberArg(t[3], loc, 0xFFFFFFFFu, start, "the area start")) return;
        } else {
            start = p.areaCount == 0
                        ? 0
                        : std::uint64_t(areas[p.areaCount - 1].buffer_start) + areas[p.areaCount - 1].size_bytes;
            if (start > 0xFFFFFFFFu) start = 0xFFFFFFFFu;  // reported as running past the buffer
        }
        areas[p.areaCount] = MemoryArea{std::uint32_t(size), std::uint32_t(start)};
        p.areaLocs[std::size_t(p.areaCount)] = loc;
        ++p.areaCount;
    }

    void params(Proto &p, const std::vector<Token> &t, Loc loc) {
        if (t.size() < 2) {
            error(loc, "'params' needs at least one value");
            return;
        }
        int next = 0;
        for (std::size_t i = 1; i < t.size(); ++i) {
            PendingParam pp;
            pp.loc = loc;
            std::string_view w = t[i].text;
            std::string_view value = w;
            if (auto eq = w.find('='); eq != std::string_view::npos) {
                pp.name = std::string(w.substr(0, eq));
                value = w.substr(eq + 1);
            } else {
                pp.index = next++;
            }
            if (!parseNumber(value, pp.value) || pp.value > 0xFF) {
                error(loc, "bad number '" + std::string(value) + "' for a parameter byte (0..255)");
                return;
            }
            if (pp.name.empty() && pp.index > 7) {
                error(loc, "more than 8 parameter bytes");
                return;
            }
            p.params.push_back(std::move(pp));
        }
    }

    // Named parameters need the algorithm, which may be set after them or inherited.
    void resolveParams(Proto &p) {
        auto &r = p.entry.record;
        const auto *a = algo::findAlgorithm(r.algorithm);
        for (const auto &pp : p.params) {
            int index = pp.index;
            if (!pp.name.empty()) {
                index = -1;
                if (pp.name.size() == 2 && pp.name[0] == 'p' && pp.name[1] >= '0' && pp.name[1] <= '7')
                    index = pp.name[1] - '0';
                for (int k = 0; a && k < 7 && index < 0; ++k)
                    if (!a->params[std::size_t(k)].empty() && a->params[std::size_t(k)] == pp.name) index = k;
                if (index < 0) {
                    error(pp.loc, "unknown parameter '" + pp.name + "' for algorithm " +
                                      (a ? std::string(a->name) : std::to_string(r.algorithm)));
                    continue;
                }
            }
            r.program_params[index] = std::uint8_t(pp.value);
        }
        p.params.clear();
    }

    void finishOpen() {
        if (!open_) return;
        Proto p = std::move(*open_);
        open_.reset();
        if (openIsTemplate_) {
            templates_.emplace(p.name, std::move(p));
            return;
        }
        const std::size_t before = result.errors.size();
        resolveParams(p);
        const char *missing = !p.hasVendor      ? "vendor"
                              : !p.hasType      ? "type"
                              : !p.hasAdapter   ? "adapter"
                              : !p.hasAlgorithm ? "algorithm"
                                                : nullptr;
        if (missing) error(p.where, "device '" + p.name + "': missing required field '" + missing + "'");
        for (const auto &problem : validateEntry(p.entry)) {
            Loc loc = p.where;
            switch (problem.field) {
            case Field::Vendor: loc = p.vendorLoc; break;
            case Field::Type: loc = p.typeLoc; break;
            case Field::Width: loc = p.widthLoc; break;
            case Field::Adapter: loc = p.adapterLoc; break;
            case Field::Config: loc = p.configLoc; break;
            case Field::NamePad: loc = p.namePadLoc; break;
            case Field::ConfigPad: loc = p.configPadLoc; break;
            case Field::Area: loc = p.areaLocs[std::size_t(problem.area)]; break;
            case Field::Name: break;
            }
            if (problem.fatal) error(loc.set() ? loc : p.where, problem.message);
            else warning(loc.set() ? loc : p.where, problem.message);
        }
        // A second record of the same name is never found by a lookup, but the format holds it.
        const auto key = std::make_pair(p.entry.record.vendor_index, p.name);
        if (auto it = deviceIndex_.find(key); it != deviceIndex_.end())
            warning(p.where, "duplicate device " + std::string(vendorTableText(key.first)) + "/" + p.name +
                                 " (first defined at " + where(devices_[it->second].where) + ")");
        else deviceIndex_.emplace(key, devices_.size());
        if (result.errors.size() == before) result.library.devices.push_back(p.entry);
        devices_.push_back(std::move(p));
    }
};

}  // namespace

CompileResult compileFile(const fs::path &source) {
    Compiler c;
    c.compilePath(source);
    return std::move(c.result);
}

CompileResult compileText(std::string_view text, const std::string &fileName) {
    Compiler c;
    c.compileRoot(std::string(text), fileName, fs::path(fileName).parent_path());
    return std::move(c.result);
}

// ---------------------------------------------------------------------------
// The dumper

std::string dumpLibrary(const Library &library, const std::string &libraryName) {
    std::ostringstream o;
    auto line = [&](std::string_view key, const std::string &value) {
        std::string k(key);
        k.resize(std::max<std::size_t>(k.size() + 1, 13), ' ');
        o << "    " << k << value << "\n";
    };
    o << "# " << libraryName << ": " << library.devices.size() << " devices\n";
    o << "# Rebuild with: devlibc compile THIS.txt -o " << libraryName << "\n";
    if (library.headerReserved0) o << "header-reserved0 " << hex(library.headerReserved0) << "\n";
    if (!library.headerReserved.empty()) o << "header-reserved " << bytesText(library.headerReserved) << "\n";
    if (!library.libraryNamePad.empty()) o << "library-name-pad " << bytesText(library.libraryNamePad) << "\n";

    for (const auto &e : library.devices) {
        const auto &r = e.record;
        o << "\ndevice " << quoteIfNeeded(r.device_name) << "\n";
        const auto vendor = vendorTableText(r.vendor_index);
        line("vendor", vendor.empty() ? "#" + std::to_string(r.vendor_index) : std::string(vendor));
        line("type", r.device_type < std::size(kTypeNames) ? std::string(kTypeNames[r.device_type])
                                                           : std::to_string(r.device_type));
        if (r.data_width != 8) line("width", std::to_string(r.data_width));
        const auto id = trimZeros(r.device_id, 4);
        if (!id.empty()) line("id", bytesText(id));
        int lastArea = -1;
        for (int a = 0; a < kMaxAreas; ++a)
            if (r.memory_areas[a].size_bytes || r.memory_areas[a].buffer_start) lastArea = a;
        for (int a = 0; a <= lastArea; ++a)
            line("area", formatSize(r.memory_areas[a].size_bytes) + " @ " + hex(r.memory_areas[a].buffer_start));
        if (r.pin_count) line("pins", std::to_string(r.pin_count));
        const auto adapter = adapterTableText(r.adapter_index);
        line("adapter", !adapter.empty() && uniqueAdapterName(r.adapter_index) ? std::string(adapter)
                                                                               : "#" + std::to_string(r.adapter_index));
        if (r.option_flags) {
            std::string s;
            std::uint32_t rest = r.option_flags;
            for (const auto &opt : kOptionNames)
                if (rest & opt.bit) {
                    s += (s.empty() ? "" : " ") + std::string(opt.name);
                    rest &= ~opt.bit;
                }
            if (rest) s += (s.empty() ? "" : " ") + hex(rest);
            line("options", s);
        }
        if (r.operation_flags) {
            std::string s;
            std::uint32_t rest = r.operation_flags;
            for (const auto &op : kOpNames)
                if (rest & operationFlagBit(op.code)) {
                    s += (s.empty() ? "" : " ") + std::string(op.name);
                    rest &= ~operationFlagBit(op.code);
                }
            if (rest) s += (s.empty() ? "" : " ") + hex(rest);
            line("ops", s);
        }
        const auto *a = algo::findAlgorithm(r.algorithm);
        line("algorithm", a ? std::string(a->name) : hex(r.algorithm));
        std::string params;
        for (int i = 0; i < 8; ++i) {
            if (!r.program_params[i]) continue;
            std::string name = "p" + std::to_string(i);
            if (a && i < 7 && !a->params[std::size_t(i)].empty()) name = std::string(a->params[std::size_t(i)]);
            params += (params.empty() ? "" : " ") + name + "=" + std::to_string(r.program_params[i]);
        }
        if (!params.empty()) line("params", params);
        if (r.read_page_size) line("read-page", std::to_string(r.read_page_size));
        if (r.program_page_size) line("program-page", std::to_string(r.program_page_size));
        if (!r.config_name.empty()) line("config", quoteIfNeeded(r.config_name));
        const auto reserved = trimZeros(r.reserved_bytes, 16);
        if (!reserved.empty()) line("reserved", bytesText(reserved));
        if (r.reserved_word0) line("reserved-word0", hex(r.reserved_word0));
        if (r.reserved_word1) line("reserved-word1", hex(r.reserved_word1));
        if (r.reserved_tail) line("reserved-tail", hex(r.reserved_tail));
        if (!e.namePad.empty()) line("name-pad", bytesText(e.namePad));
        if (!e.configPad.empty()) line("config-pad", bytesText(e.configPad));
    }
    return o.str();
}

}  // namespace vantor::devlibc
