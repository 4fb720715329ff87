#include <cstdio>
#include <fstream>
#include <iterator>
#include <optional>

#include "tools/cfgc/CfgSource.h"

namespace vantor::cfgc {
namespace {

using namespace cfg;

struct Word {
    std::string text;
    bool quoted = false;
};

std::optional<std::uint64_t> number(const std::string &t) {
    if (t.empty()) return std::nullopt;
    std::size_t pos = 0;
    int base = 10;
    if (t.size() > 2 && t[0] == '0' && (t[1] == 'x' || t[1] == 'X')) {
        pos = 2;
        base = 16;
    }
    std::uint64_t v = 0;
    for (std::size_t i = pos; i < t.size(); ++i) {
        const char c = t[i];
        int d = c >= '0' && c <= '9'   ? c - '0'
                : c >= 'a' && c <= 'f' ? c - 'a' + 10
                : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                       : 99;
        if (d >= base) return std::nullopt;
        v = v * std::uint64_t(base) + std::uint64_t(d);
        if (v > 0xFFFFFFFFull) return std::nullopt;
    }
    return v;
}

std::optional<std::uint8_t> hexByte(const std::string &t) {
    if (t.size() != 2) return std::nullopt;
    auto v = number("0x" + t);
    return v ? std::optional<std::uint8_t>(std::uint8_t(*v)) : std::nullopt;
}

// Splits a line into words; quoted words keep blanks and take \" \\ \xHH escapes.
bool splitLine(std::string_view line, std::vector<Word> &words, std::string &error) {
    std::size_t i = 0;
    while (i < line.size()) {
        const char c = line[i];
        if (c == ' ' || c == '\t' || c == '\r') {
            ++i;
            continue;
        }
        if (c == '#') break;
        Word w;
        if (c == '"') {
            w.quoted = true;
            ++i;
            bool closed = false;
            while (i < line.size()) {
                char ch = line[i++];
                if (ch == '"') {
                    closed = true;
                    break;
                }
                if (ch == '\\') {
                    if (i >= line.size()) break;
                    const char e = line[i++];
                    if (e == 'x') {
                        // Exactly two digits: "\x1g" or "\x-1" is a mistake, not byte 01 or FF.
                        const auto v = i + 2 <= line.size() ? hexByte(std::string(line.substr(i, 2))) : std::nullopt;
                        if (!v) {
                            error = "\\x needs two hex digits";
                            return false;
                        }
                        ch = char(*v);
                        i += 2;
                    } else if (e == 'n') {
                        ch = '\n';
                    } else {
                        ch = e;
                    }
                }
                w.text += ch;
            }
            if (!closed) {
                error = "text without its closing quote";
                return false;
            }
        } else {
            while (i < line.size() && line[i] != ' ' && line[i] != '\t' && line[i] != '\r') w.text += line[i++];
        }
        words.push_back(std::move(w));
    }
    return true;
}

const char *kKindNames[] = {"hex", "group", "radio", "check", "text", "text5", "text6", "list", "entry"};

int kindOf(const std::string &w) {
    for (int k = 0; k <= kDropEntry; ++k)
        if (w == kKindNames[k]) return k;
    return -1;
}

class Compiler {
public:
    Compiler(std::string fileName) : name_(std::move(fileName)) {}

    CompileResult run(std::string_view text) {
        std::size_t start = 0;
        int lineNo = 0;
        while (start <= text.size()) {
            std::size_t end = text.find('\n', start);
            if (end == std::string_view::npos) end = text.size();
            ++lineNo;
            line_ = lineNo;
            std::vector<Word> words;
            std::string err;
            if (!splitLine(text.substr(start, end - start), words, err)) error(err);
            else if (!words.empty()) directive(words);
            if (end == text.size()) break;
            start = end + 1;
        }
        finish();
        return std::move(result_);
    }

private:
    void error(std::string message) { result_.errors.push_back({name_, line_, std::move(message)}); }

    // "@OFFSET HH HH ..." into a byte array of `size` bytes.
    template <std::size_t N>
    void bytesAt(const std::vector<Word> &w, std::array<std::uint8_t, N> &dst, const char *what) {
        if (w.size() < 3 || w[1].text.empty() || w[1].text[0] != '@') {
            error(std::string(what) + " needs @OFFSET and hex bytes");
            return;
        }
        auto off = number(w[1].text.substr(1));
        if (!off) {
            error("bad offset " + w[1].text);
            return;
        }
        for (std::size_t i = 2; i < w.size(); ++i) {
            auto b = hexByte(w[i].text);
            if (!b) {
                error("not a hex byte: " + w[i].text);
                return;
            }
            const std::uint64_t at = *off + (i - 2);
            if (at >= N) {
                error(std::string(what) + " runs past byte " + std::to_string(N - 1));
                return;
            }
            dst[at] = *b;
        }
    }

    bool hexBytes(const std::vector<Word> &w, std::size_t from, std::size_t to, std::vector<std::uint8_t> &out) {
        for (std::size_t i = from; i < to; ++i) {
            auto b = hexByte(w[i].text);
            if (!b) {
                error("not a hex byte: " + w[i].text);
                return false;
            }
            out.push_back(*b);
        }
        return true;
    }

    void directive(const std::vector<Word> &w) {
        const std::string &d = w[0].text;
        auto &f = result_.file;
        if (d == "page") {
            if (w.size() != 1) error("page takes no value");
            if (++pages_ > kMaxPages) error("more than 10 pages");
            return;
        }
        if (d == "page-size") {
            auto a = w.size() == 3 ? number(w[1].text) : std::nullopt;
            auto b = w.size() == 3 ? number(w[2].text) : std::nullopt;
            if (!a || !b) return error("page-size needs WIDTH HEIGHT");
            f.pageWidth = std::uint32_t(*a);
            f.pageHeight = std::uint32_t(*b);
            return;
        }
        if (d == "default") return bytesAt(w, f.defaults, "default");
        if (d == "head-reserved") return bytesAt(w, f.headReserved, "head-reserved");
        if (d == "tail-reserved") return bytesAt(w, f.tailReserved, "tail-reserved");
        if (d == "trailer") {
            hexBytes(w, 1, w.size(), f.trailer);
            return;
        }
        const int kind = kindOf(d);
        if (kind < 0) return error("unknown directive " + d);
        if (pages_ == 0) return error("an item before the first page line");
        item(std::uint8_t(kind), w);
    }

    void item(std::uint8_t kind, const std::vector<Word> &w) {
        Item it;
        it.kind = kind;
        it.page = pages_ - 1;
        std::size_t i = 1;
        if (i < w.size() && w[i].quoted) it.text = w[i++].text;
        if (it.text.size() > kTextSize - 1) error("text longer than 302 bytes");
        bool hasBits = false;
        while (i < w.size()) {
            const std::size_t used = itemField(it, w, i, hasBits);
            if (!used) return;
            i += used;
        }
        if (kind == kHexField && !hasBits) error("a hex field needs bits N");
        lines_.push_back(line_);
        result_.file.items.push_back(std::move(it));
    }

    // One field of an item at w[i]: "at X Y W H", "pad HH...", or a key and its byte value.
    // Answers how many words it took, 0 after an error.
    std::size_t itemField(Item &it, const std::vector<Word> &w, std::size_t i, bool &hasBits) {
        const std::string &key = w[i].text;
        if (key == "at") return itemRect(it, w, i);
        if (key == "pad") return itemPad(it, w, i);
        if (!hasValues(w, i, 1)) return 0;
        // A hex field keeps its bit count and range kind where other kinds keep mask and value.
        const bool hex = it.kind == kHexField;
        if (key == "range" && w[i + 1].text == "any") {
            (hex ? it.rangeKind : it.value) = kRangeAny;
            return 2;
        }
        std::uint8_t *slot = key == "byte"                      ? &it.byteIndex
                             : key == "mask" || key == "bits"   ? (hex ? &it.bitCount : &it.mask)
                             : key == "value" || key == "range" ? (hex ? &it.rangeKind : &it.value)
                             : key == "reserved"                ? &it.reserved
                                                                : nullptr;
        if (!slot) {
            error("unknown item field " + key);
            return 0;
        }
        const auto v = fieldValue(w, i, i + 1, 255);
        if (!v) return 0;
        *slot = std::uint8_t(*v);
        if (key == "mask" || key == "bits") hasBits = key == "bits";
        return 2;
    }

    std::size_t itemRect(Item &it, const std::vector<Word> &w, std::size_t i) {
        if (!hasValues(w, i, 4)) return 0;
        std::uint32_t r[4];
        for (int k = 0; k < 4; ++k) {
            const auto v = fieldValue(w, i, i + 1 + std::size_t(k), 0xFFFFFFFFull);
            if (!v) return 0;
            r[k] = std::uint32_t(*v);
        }
        it.rect = {r[0], r[1], r[2], r[3]};
        return 5;
    }

    // The pad runs to the first word that is not a hex byte.
    std::size_t itemPad(Item &it, const std::vector<Word> &w, std::size_t i) {
        std::size_t j = i + 1;
        while (j < w.size() && hexByte(w[j].text) && !w[j].quoted) ++j;
        std::vector<std::uint8_t> pad;
        if (!hexBytes(w, i + 1, j, pad)) return 0;
        it.textPad = pad;
        if (it.text.size() + 1 + pad.size() > kTextSize) error("text and pad longer than 303 bytes");
        return j - i;
    }

    bool hasValues(const std::vector<Word> &w, std::size_t key, std::size_t count) {
        if (key + count < w.size()) return true;
        error(w[key].text + " needs " + std::to_string(count) + " value(s)");
        return false;
    }

    std::optional<std::uint64_t> fieldValue(const std::vector<Word> &w, std::size_t key, std::size_t at,
                                            std::uint64_t max) {
        auto v = number(w[at].text);
        if (!v || *v > max) {
            error("bad value for " + w[key].text + ": " + w[at].text);
            return std::nullopt;
        }
        return v;
    }

    void finish() {
        auto &f = result_.file;
        if (pages_ == 0) {
            line_ = 1;
            error("no page");
            return;
        }
        f.countItems();
        f.pageCount = std::uint32_t(std::min(pages_, kMaxPages));
        if (f.items.empty()) error("no items");
        if (f.items.size() > std::size_t(kMaxItems)) error("more than 300 items");
        for (std::size_t k = 0; k < f.items.size(); ++k) {
            const std::string fault = itemFault(f.items[k], f.effectiveWidth(), f.effectiveHeight());
            if (!fault.empty()) {
                line_ = lines_[k];
                error(fault);
            }
        }
    }

    std::string name_;
    int line_ = 0;
    int pages_ = 0;
    std::vector<int> lines_;
    CompileResult result_;
};

std::string quote(const std::string &s) {
    std::string r = "\"";
    for (unsigned char c : s) {
        if (c == '"' || c == '\\') {
            r += '\\';
            r += char(c);
        } else if (c < 0x20 || c >= 0x7F) {
            char b[8];
            std::snprintf(b, sizeof b, "\\x%2.2X", c);
            r += b;
        } else {
            r += char(c);
        }
    }
    return r + "\"";
}

std::string hex2(unsigned v) {
    char b[8];
    std::snprintf(b, sizeof b, "%2.2X", v & 0xFF);
    return b;
}

std::string hexNum(unsigned v) {
    char b[16];
    std::snprintf(b, sizeof b, "0x%2.2X", v);
    return b;
}

// Non-zero runs of an array as "DIRECTIVE @OFFSET HH ..." lines of at most 16 bytes.
template <std::size_t N>
void dumpBytes(std::string &out, const char *directive, const std::array<std::uint8_t, N> &a) {
    for (std::size_t i = 0; i < N;) {
        if (a[i] == 0) {
            ++i;
            continue;
        }
        std::size_t end = i;
        while (end < N && end - i < 16 && a[end] != 0) ++end;
        out += std::string(directive) + " @" + std::to_string(i);
        for (std::size_t k = i; k < end; ++k) out += " " + hex2(a[k]);
        out += "\n";
        i = end;
    }
}

}  // namespace

CompileResult compileText(std::string_view text, const std::string &fileName) { return Compiler(fileName).run(text); }

CompileResult compileFile(const std::filesystem::path &source) {
    std::ifstream in(source, std::ios::binary);
    if (!in) {
        CompileResult r;
        r.errors.push_back({source.string(), 0, "cannot read the file"});
        return r;
    }
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    return compileText(text, source.string());
}

std::string dumpConfig(const ConfigFile &file) {
    std::string out;
    if (file.pageWidth || file.pageHeight)
        out += "page-size " + std::to_string(file.pageWidth) + " " + std::to_string(file.pageHeight) + "\n";
    // Defaults are printed whole: they are the device's factory configuration.
    for (std::size_t i = 0; i < kConfigDataSize; i += 16) {
        bool any = false;
        for (std::size_t k = i; k < i + 16; ++k) any |= file.defaults[k] != 0;
        if (!any) continue;
        out += "default @" + std::to_string(i);
        for (std::size_t k = i; k < i + 16; ++k) out += " " + hex2(file.defaults[k]);
        out += "\n";
    }
    dumpBytes(out, "head-reserved", file.headReserved);
    dumpBytes(out, "tail-reserved", file.tailReserved);
    if (!file.trailer.empty()) {
        out += "trailer";
        for (auto b : file.trailer) out += " " + hex2(b);
        out += "\n";
    }
    std::size_t next = 0;
    for (std::uint32_t p = 0; p < file.pageCount; ++p) {
        out += "\npage\n";
        for (std::uint32_t k = 0; k < file.itemCounts[p] && next < file.items.size(); ++k, ++next) {
            const Item &it = file.items[next];
            std::string line = std::string("    ") + kKindNames[it.kind] + " " + quote(it.text);
            const Rect &r = it.rect;
            if (it.kind != kDropEntry || r.left || r.top || r.right || r.bottom)
                line += " at " + std::to_string(r.left) + " " + std::to_string(r.top) + " " + std::to_string(r.right) +
                        " " + std::to_string(r.bottom);
            if (it.byteIndex || it.kind == kHexField || it.kind == kRadioButton || it.kind == kCheckBox ||
                it.kind == kDropDown)
                line += " byte " + std::to_string(it.byteIndex);
            if (it.kind == kHexField) {
                line += " bits " + std::to_string(it.bitCount);
                line +=
                    it.rangeKind == kRangeAny ? std::string(" range any") : " range " + std::to_string(it.rangeKind);
            } else {
                if (it.mask || it.kind == kRadioButton || it.kind == kCheckBox || it.kind == kDropDown)
                    line += " mask " + hexNum(it.mask);
                if (it.value || it.kind == kRadioButton || it.kind == kCheckBox || it.kind == kDropEntry)
                    line += " value " + hexNum(it.value);
            }
            if (it.reserved) line += " reserved " + std::to_string(it.reserved);
            if (!it.textPad.empty()) {
                line += " pad";
                for (auto b : it.textPad) line += " " + hex2(b);
            }
            out += line + "\n";
        }
    }
    return out;
}

}  // namespace vantor::cfgc
