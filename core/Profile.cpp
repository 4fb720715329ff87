#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "core/Profile.h"

#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstring>
#include <ctime>
#include <iterator>

#ifndef _WIN32
#include <fcntl.h>
#include <pwd.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include "core/SafeFile.h"
#include "core/Utf8.h"

namespace vantor {

int MemoryProfile::readInt(std::string_view section, std::string_view key, int defaultValue) {
    auto s = values_.find(std::string(section));
    if (s == values_.end()) return defaultValue;
    auto k = s->second.find(std::string(key));
    if (k == s->second.end()) return defaultValue;
    char *end = nullptr;
    long v = std::strtol(k->second.c_str(), &end, 10);
    return (end && *end == '\0' && !k->second.empty()) ? int(v) : defaultValue;
}

std::string MemoryProfile::readString(std::string_view section, std::string_view key, std::string_view defaultValue) {
    auto s = values_.find(std::string(section));
    if (s == values_.end()) return std::string(defaultValue);
    auto k = s->second.find(std::string(key));
    return k == s->second.end() ? std::string(defaultValue) : k->second;
}

void MemoryProfile::writeInt(std::string_view section, std::string_view key, int value) {
    values_[std::string(section)][std::string(key)] = std::to_string(value);
}

void MemoryProfile::writeString(std::string_view section, std::string_view key, std::string_view value) {
    values_[std::string(section)][std::string(key)] = std::string(value);
}

bool MemoryProfile::contains(std::string_view section, std::string_view key) const {
    auto s = values_.find(std::string(section));
    return s != values_.end() && s->second.count(std::string(key)) != 0;
}

namespace {

bool isHex(char c) { return std::isxdigit(static_cast<unsigned char>(c)) != 0; }

int hexValue(char c) { return c <= '9' ? c - '0' : (c | 0x20) - 'a' + 10; }

// Next code point of UTF-8 text; a stray byte stands for itself (as Latin-1).
std::uint32_t nextCodePoint(std::string_view s, std::size_t &i) {
    const auto b = static_cast<unsigned char>(s[i]);
    int extra = b >= 0xF0 ? 3 : b >= 0xE0 ? 2 : b >= 0xC0 ? 1 : 0;
    if (extra == 0 || i + std::size_t(extra) >= s.size()) {
        ++i;
        return b;
    }
    std::uint32_t cp = b & (0x3F >> extra);
    for (int k = 1; k <= extra; ++k) {
        const auto c = static_cast<unsigned char>(s[i + std::size_t(k)]);
        if ((c & 0xC0) != 0x80) {
            ++i;
            return b;
        }
        cp = (cp << 6) | (c & 0x3F);
    }
    i += std::size_t(extra) + 1;
    return cp;
}

std::string_view trimmed(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
    return s;
}

// Root entries of a QSettings file live in this section.
constexpr std::string_view kRootSection = "General";

#ifndef _WIN32
// QSettings serialises writers with a lock file beside the settings file ("pid\napp\nhost\n");
// one left by a process that is gone, or older than half a minute, is stale.
class LockFile {
public:
    explicit LockFile(std::filesystem::path path) : path_(std::move(path)) {}
    ~LockFile() {
        if (held_) ::unlink(path_.c_str());
    }
    bool acquire() {
        for (int attempt = 0; attempt < 250; ++attempt) {
            const int fd = ::open(path_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
            if (fd >= 0) {
                char host[256] = "";
                ::gethostname(host, sizeof host - 1);
                const std::string text = std::to_string(::getpid()) + "\nvantor\n" + host + "\n";
                const bool ok = ::write(fd, text.data(), text.size()) == ssize_t(text.size());
                ::close(fd);
                held_ = true;
                if (ok) return true;
                ::unlink(path_.c_str());
                held_ = false;
                return false;
            }
            if (errno != EEXIST) return false;
            if (stale()) {
                ::unlink(path_.c_str());
                continue;
            }
            ::usleep(20000);
        }
        return false;
    }

private:
    bool stale() const {
        struct stat st;
        if (::stat(path_.c_str(), &st) != 0) return false;
        if (std::time(nullptr) - st.st_mtime > 30) return true;
        std::ifstream in(path_);
        long pid = 0;
        std::string host;
        if (!(in >> pid) || pid <= 0) return false;
        in >> host >> host;
        char ours[256] = "";
        ::gethostname(ours, sizeof ours - 1);
        if (!host.empty() && host != ours) return false;
        return ::kill(pid_t(pid), 0) != 0 && errno == ESRCH;
    }

    std::filesystem::path path_;
    bool held_ = false;
};
#endif

}  // namespace

std::string IniProfile::escapeKey(std::string_view key) {
    static const char digits[] = "0123456789ABCDEF";
    std::string out;
    for (std::size_t i = 0; i < key.size();) {
        const std::uint32_t cp = nextCodePoint(key, i);
        if (cp == '/') {
            out += '\\';
        } else if ((cp >= 'a' && cp <= 'z') || (cp >= 'A' && cp <= 'Z') || (cp >= '0' && cp <= '9') || cp == '_' ||
                   cp == '-' || cp == '.') {
            out += char(cp);
        } else if (cp <= 0xFF) {
            out += '%';
            out += digits[cp >> 4];
            out += digits[cp & 15];
        } else {
            out += "%U";
            for (int shift = 12; shift >= 0; shift -= 4) out += digits[(cp >> shift) & 15];
        }
    }
    return out;
}

std::string IniProfile::unescapeKey(std::string_view raw) {
    std::string out;
    for (std::size_t i = 0; i < raw.size(); ++i) {
        const char c = raw[i];
        if (c == '\\') {
            out += '/';
        } else if (c == '%' && i + 5 < raw.size() && raw[i + 1] == 'U' && isHex(raw[i + 2]) && isHex(raw[i + 3]) &&
                   isHex(raw[i + 4]) && isHex(raw[i + 5])) {
            std::uint32_t cp = 0;
            for (int k = 2; k <= 5; ++k) cp = cp * 16 + std::uint32_t(hexValue(raw[i + std::size_t(k)]));
            appendUtf8(out, cp);
            i += 5;
        } else if (c == '%' && i + 2 < raw.size() && isHex(raw[i + 1]) && isHex(raw[i + 2])) {
            appendUtf8(out, std::uint32_t(hexValue(raw[i + 1]) * 16 + hexValue(raw[i + 2])));
            i += 2;
        } else {
            out += c;
        }
    }
    return out;
}

std::string IniProfile::escapeValue(std::string_view value) {
    std::string out;
    bool quotes = false;
    bool escapeHexDigit = false;
    for (char c : value) {
        const auto u = static_cast<unsigned char>(c);
        if (c == ';' || c == ',' || c == '=') quotes = true;
        if (escapeHexDigit && isHex(c)) {
            char code[8];
            std::snprintf(code, sizeof code, "\\x%x", u);
            out += code;
            continue;
        }
        escapeHexDigit = false;
        switch (c) {
        case '\0':
            out += "\\0";
            escapeHexDigit = true;
            break;
        case '\a': out += "\\a"; break;
        case '\b': out += "\\b"; break;
        case '\f': out += "\\f"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        case '\v': out += "\\v"; break;
        case '"':
        case '\\':
            out += '\\';
            out += c;
            break;
        default:
            if (u <= 0x1F) {
                char code[8];
                std::snprintf(code, sizeof code, "\\x%x", u);
                out += code;
                escapeHexDigit = true;
            } else {
                out += c;
            }
        }
    }
    if (quotes || (!out.empty() && (out.front() == ' ' || out.back() == ' '))) out = '"' + out + '"';
    return out;
}

std::string IniProfile::unescapeValue(std::string_view raw) {
    raw = trimmed(raw);
    std::string out;
    for (std::size_t i = 0; i < raw.size();) {
        const char c = raw[i++];
        if (c == '"') continue;  // quotes only protect what they enclose
        if (c != '\\' || i >= raw.size()) {
            out += c;
            continue;
        }
        const char e = raw[i++];
        switch (e) {
        case 'a': out += '\a'; break;
        case 'b': out += '\b'; break;
        case 'f': out += '\f'; break;
        case 'n': out += '\n'; break;
        case 'r': out += '\r'; break;
        case 't': out += '\t'; break;
        case 'v': out += '\v'; break;
        case 'x': {
            std::uint32_t cp = 0;
            while (i < raw.size() && isHex(raw[i]) && cp < 0x10FFFF) cp = cp * 16 + std::uint32_t(hexValue(raw[i++]));
            appendUtf8(out, cp);
            break;
        }
        default:
            if (e >= '0' && e <= '7') {
                std::uint32_t cp = std::uint32_t(e - '0');
                while (i < raw.size() && raw[i] >= '0' && raw[i] <= '7' && cp < 0x10FFFF)
                    cp = cp * 8 + std::uint32_t(raw[i++] - '0');
                appendUtf8(out, cp);
            } else {
                out += e;  // \" \' \\ \? and anything unknown stand for the character
            }
        }
    }
    return out;
}

IniProfile::IniProfile(std::filesystem::path path) : path_(std::move(path)) {}

bool IniProfile::parse(const std::string &text, Entries &out) {
    out.clear();
    std::string section(kRootSection);
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t end = text.find('\n', pos);
        if (end == std::string::npos) end = text.size();
        const std::string_view line = trimmed(std::string_view(text).substr(pos, end - pos));
        pos = end + 1;
        if (line.empty() || line.front() == ';' || line.front() == '#') continue;
        if (line.front() == '[') {
            const auto close = line.find(']');
            section = std::string(line.substr(1, close == std::string_view::npos ? line.npos : close - 1));
            if (section == "%General") section = "General";
            continue;
        }
        const auto eq = line.find('=');
        if (eq == std::string_view::npos) continue;
        const std::string key(trimmed(line.substr(0, eq)));
        if (!key.empty()) out[section][key] = std::string(trimmed(line.substr(eq + 1)));
    }
    return true;
}

std::string IniProfile::render(const Entries &entries) const {
    std::string out;
    auto emit = [&](const std::string &name, const std::map<std::string, std::string> &keys) {
        if (keys.empty()) return;
        if (!out.empty()) out += '\n';
        out += '[' + name + "]\n";
        for (const auto &[key, raw] : keys) out += key + '=' + raw + '\n';
    };
    if (auto root = entries.find(std::string(kRootSection)); root != entries.end()) emit(root->first, root->second);
    for (const auto &[name, keys] : entries)
        if (name != kRootSection) emit(name, keys);
    return out;
}

bool IniProfile::load() {
    entries_.clear();
    changed_.clear();
    error_.clear();
    std::error_code ec;
    const auto status = std::filesystem::status(path_, ec);
    if (!std::filesystem::exists(status)) return true;
    if (!std::filesystem::is_regular_file(status)) {
        error_ = path_.string() + " is not a regular file";
        return false;
    }
    std::ifstream in(path_, std::ios::binary);
    if (!in) {
        error_ = "cannot read " + path_.string() + ": " + std::strerror(errno);
        return false;
    }
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    return parse(text, entries_);
}

bool IniProfile::save() {
    error_.clear();
    if (changed_.empty()) return true;
    std::error_code ec;
    const auto parent = path_.parent_path();
    if (!parent.empty()) std::filesystem::create_directories(parent, ec);
#ifndef _WIN32
    LockFile lock(std::filesystem::path(path_.string() + ".lock"));
    if (!lock.acquire()) {
        error_ = "cannot lock " + path_.string() + ".lock: " + std::strerror(errno);
        return false;
    }
#endif
    // Another program may have written since load(): keep its entries, put ours over them.
    IniProfile current(path_);
    if (!current.load()) {
        error_ = current.error_;
        return false;
    }
    Entries merged = std::move(current.entries_);
    for (const auto &[section, keys] : changed_)
        for (const auto &[key, raw] : keys) merged[section][key] = raw;
    const ReplaceResult written = replaceFile(path_, render(merged));
    if (!written) {
        error_ = written.error;
        return false;
    }
    entries_ = std::move(merged);
    changed_.clear();
    return true;
}

const std::string *IniProfile::find(std::string_view section, std::string_view key) const {
    auto s = entries_.find(escapeKey(section));
    if (s == entries_.end()) return nullptr;
    auto k = s->second.find(escapeKey(key));
    return k == s->second.end() ? nullptr : &k->second;
}

void IniProfile::put(std::string_view section, std::string_view key, std::string raw) {
    const std::string s = escapeKey(section), k = escapeKey(key);
    entries_[s][k] = raw;
    changed_[s][k] = std::move(raw);
}

int IniProfile::readInt(std::string_view section, std::string_view key, int defaultValue) {
    const std::string *raw = find(section, key);
    if (!raw) return defaultValue;
    const std::string text(trimmed(unescapeValue(*raw)));
    if (text == "true") return 1;
    if (text == "false") return 0;
    errno = 0;
    char *end = nullptr;
    const long v = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || errno == ERANGE || v < INT_MIN || v > INT_MAX) return defaultValue;
    return int(v);
}

std::string IniProfile::readString(std::string_view section, std::string_view key, std::string_view defaultValue) {
    const std::string *raw = find(section, key);
    if (!raw) return std::string(defaultValue);
    std::string text = unescapeValue(*raw);
    // QSettings doubles a leading '@'; "@Invalid()", "@Variant(...)" and the like are values
    // of other types.
    if (text.rfind("@@", 0) == 0) return text.substr(1);
    if (!text.empty() && text.front() == '@') return std::string(defaultValue);
    return text;
}

void IniProfile::writeInt(std::string_view section, std::string_view key, int value) {
    put(section, key, std::to_string(value));
}

void IniProfile::writeString(std::string_view section, std::string_view key, std::string_view value) {
    put(section, key,
        escapeValue(!value.empty() && value.front() == '@' ? "@" + std::string(value) : std::string(value)));
}

std::filesystem::path userSettingsPath() {
    std::filesystem::path base;
#ifdef _WIN32
    if (const char *appData = std::getenv("APPDATA"); appData && *appData) base = appData;
#else
    if (const char *xdg = std::getenv("XDG_CONFIG_HOME"); xdg && *xdg && xdg[0] == '/') {
        base = xdg;
    } else {
        const char *home = std::getenv("HOME");
        if (!home || !*home) {
            const passwd *pw = ::getpwuid(::getuid());
            home = pw ? pw->pw_dir : nullptr;
        }
        if (home) base = std::filesystem::path(home) / ".config";
    }
#endif
    if (base.empty()) return {};
    return base / "TarvikTech" / "Vantor.conf";
}

}  // namespace vantor
