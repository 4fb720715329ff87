#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <map>

#if !defined(_WIN32) || defined(__MINGW32__)
#include <iconv.h>
#define VANTOR_HAVE_ICONV 1
#endif

#include "core/Utf8.h"
#include "devices/RtfDocument.h"

namespace vantor {
namespace {

constexpr char kReplacement[] = "\xEF\xBF\xBD";  // U+FFFD
constexpr int kDefaultHalfPoints = 24;           // what RTF assumes without \fs

// Bytes below 0x80 are ASCII in every code page RTF writers use; anything else is lost.
std::string asciiOnly(std::string_view bytes) {
    std::string out;
    for (unsigned char c : bytes) {
        if (c < 0x80) out += char(c);
        else out += kReplacement;
    }
    return out;
}

int codePageOfCharset(int charset, int ansiCodePage) {
    switch (charset) {
    case 0: return 1252;
    case 77: return 10000;
    case 128: return 932;
    case 129: return 949;
    case 134: return 936;
    case 136: return 950;
    case 161: return 1253;
    case 162: return 1254;
    case 163: return 1258;
    case 177: return 1255;
    case 178: return 1256;
    case 186: return 1257;
    case 204: return 1251;
    case 222: return 874;
    case 238: return 1250;
    default: return ansiCodePage;
    }
}

enum class Dest { Text, Skip, FontTable, ColourTable, Picture };

struct State {
    Dest dest = Dest::Text;
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool hidden = false;
    int colourIndex = 0;
    int halfPoints = kDefaultHalfPoints;
    int font = -1;
    int uc = 1;
    bool starred = false;   // group opened with \* and no known destination seen yet
    bool firstWord = true;  // the next control word is the first of its group
};

struct FontDef {
    std::string nameBytes;
    std::string name;
    int charset = -1;
    int codePage = 0;
};

struct PictureData {
    std::string format;
    std::string hexDigits;
    std::vector<std::uint8_t> bytes;
    int width = 0;
    int height = 0;
    bool tooLarge = false;
};

class Parser {
public:
    Parser(std::string_view in, RichText &out, const RtfOptions &opt) : in_(in), out_(out), opt_(opt) {}

    void run() {
        while (pos_ < in_.size()) {
            const char c = in_[pos_++];
            switch (c) {
            case '{': openGroup(); break;
            case '}':
                if (!closeGroup()) return;
                break;
            case '\\': controlSequence(); break;
            case '\r':
            case '\n': break;
            default: character(static_cast<unsigned char>(c)); break;
            }
        }
        flushBytes();  // an unterminated picture is incomplete and left out
    }

private:
    // ---- groups ----
    void openGroup() {
        flushBytes();
        if (overflow_ > 0 || stack_.size() >= opt_.maxDepth) {
            ++overflow_;
            return;
        }
        stack_.push_back(state_);
        state_.starred = false;
        state_.firstWord = true;
    }

    bool closeGroup() {
        flushBytes();
        if (overflow_ > 0) {
            --overflow_;
            return true;
        }
        if (stack_.empty()) return false;  // the document's own closing brace
        if (state_.dest == Dest::Picture && stack_.back().dest != Dest::Picture) finishPicture();
        if (state_.dest == Dest::FontTable && stack_.back().dest == Dest::FontTable) endFontEntry();
        state_ = stack_.back();
        stack_.pop_back();
        return true;
    }

    bool skipping() const { return overflow_ > 0 || state_.dest == Dest::Skip; }

    // ---- control words and symbols ----
    void controlSequence() {
        if (pos_ >= in_.size()) return;
        const char c = in_[pos_];
        if (!std::isalpha(static_cast<unsigned char>(c))) {
            ++pos_;
            controlSymbol(c);
            return;
        }
        std::string word;
        while (pos_ < in_.size() && std::isalpha(static_cast<unsigned char>(in_[pos_]))) {
            if (word.size() < 32) word += in_[pos_];
            ++pos_;
        }
        bool hasParam = false;
        long long param = 0;
        bool negative = false;
        if (pos_ < in_.size() && in_[pos_] == '-' && pos_ + 1 < in_.size() &&
            std::isdigit(static_cast<unsigned char>(in_[pos_ + 1]))) {
            negative = true;
            ++pos_;
        }
        while (pos_ < in_.size() && std::isdigit(static_cast<unsigned char>(in_[pos_]))) {
            hasParam = true;
            if (param < 100000000000LL) param = param * 10 + (in_[pos_] - '0');
            ++pos_;
        }
        if (pos_ < in_.size() && in_[pos_] == ' ') ++pos_;
        param = std::clamp(negative ? -param : param, -2147483648LL, 2147483647LL);
        controlWord(word, hasParam, int(param));
    }

    void controlSymbol(char c) {
        if (c == '\'') {
            const int hi = pos_ < in_.size() ? hexValue(in_[pos_]) : -1;
            if (hi < 0) return;  // malformed escape: drop it
            ++pos_;
            const int lo = pos_ < in_.size() ? hexValue(in_[pos_]) : -1;
            if (lo < 0) return;
            ++pos_;
            character(static_cast<unsigned char>(hi * 16 + lo), true);
            return;
        }
        if (c == '*') {
            state_.starred = true;
            return;
        }
        if (consumeUnicodeSkip()) return;
        switch (c) {
        case '\\':
        case '{':
        case '}': character(static_cast<unsigned char>(c), true); break;
        case '~': emitUnicode(0xA0); break;
        case '_': emitUnicode(0x2011); break;
        // A line break (as every emitted character) follows the text still pending.
        case '\r':
        case '\n': emitUnicode('\n'); break;
        default: break;  // \- (optional hyphen), \: and unknown symbols print nothing
        }
    }

    static int hexValue(char c) {
        if (c >= '0' && c <= '9') return c - '0';
        if (c >= 'a' && c <= 'f') return c - 'a' + 10;
        if (c >= 'A' && c <= 'F') return c - 'A' + 10;
        return -1;
    }

    bool isDestination(const std::string &w) const {
        // clang-format off
        static const char *const kSkipped[] = {
            "stylesheet", "info", "header", "headerl", "headerr", "headerf", "footer", "footerl",
            "footerr", "footerf", "footnote", "annotation", "atnid", "atnauthor", "object", "fldinst",
            "listtable", "listoverridetable", "rsidtbl", "generator", "xmlnstbl", "themedata",
            "colorschememapping", "latentstyles", "datastore", "pgdsctbl", "revtbl", "filetbl",
            "pn", "nonshppict", "template", "userprops", "xe", "tc", "bkmkstart", "bkmkend",
            "mmathPr", "wgrffmtfilter", "docvar", "keywords", "operator", "title", "subject",
            "author", "doccomm", "company", "buptim", "creatim", "revtim", "printim", "falt", "panose"};
        // clang-format on
        for (const char *s : kSkipped)
            if (w == s) return true;
        return false;
    }

    void controlWord(const std::string &w, bool hasParam, int p) {
        const bool first = state_.firstWord;
        state_.firstWord = false;
        flushBytes();
        if (w == "bin") {
            binary(hasParam ? p : 0);
            return;
        }
        if (skipping() || destinationWord(w, first)) return;
        switch (state_.dest) {
        case Dest::FontTable: fontTableWord(w, hasParam, p); return;
        case Dest::ColourTable: colourTableWord(w, p); return;
        case Dest::Picture: pictureWord(w, hasParam, p); return;
        default: break;
        }
        if (documentWord(w, p) || consumeUnicodeSkip()) return;
        formattingWord(w, hasParam, p);
        specialCharacterWord(w);
        // Everything else (paragraph layout, page setup, ...) does not change the text.
    }

    // Destinations change how the rest of the group is read; true when w was one.
    bool destinationWord(const std::string &w, bool first) {
        if (w == "fonttbl") {
            state_.dest = Dest::FontTable;
            state_.starred = false;
            return true;
        }
        if (w == "colortbl") {
            state_.dest = Dest::ColourTable;
            state_.starred = false;
            colourReset();
            return true;
        }
        if (w == "pict") {
            state_.dest = Dest::Picture;
            state_.starred = false;
            picture_ = PictureData{};
            return true;
        }
        if (w == "shppict" || w == "fldrslt" || w == "result") {
            state_.starred = false;
            return true;
        }
        if (isDestination(w)) {
            state_.dest = Dest::Skip;
            return true;
        }
        if (state_.starred && first) {
            // An ignorable destination this reader does not know.
            state_.dest = Dest::Skip;
            return true;
        }
        return false;
    }

    // Document-wide settings and Unicode escapes; true when w was one.
    bool documentWord(const std::string &w, int p) {
        if (w == "ansicpg") {
            if (p > 0) ansiCodePage_ = p;
            return true;
        }
        if (w == "ansi") {
            ansiCodePage_ = 1252;
            return true;
        }
        if (w == "mac") {
            ansiCodePage_ = 10000;
            return true;
        }
        if (w == "pc") {
            ansiCodePage_ = 437;
            return true;
        }
        if (w == "pca") {
            ansiCodePage_ = 850;
            return true;
        }
        if (w == "deff") {
            defaultFont_ = p;
            return true;
        }
        if (w == "uc") {
            state_.uc = std::clamp(p, 0, 16);
            return true;
        }
        if (w == "u") {
            if (!consumeUnicodeSkip()) unicodeEscape(p);
            return true;
        }
        return false;
    }

    // Character formatting; other words leave it as it is.
    void formattingWord(const std::string &w, bool hasParam, int p) {
        const bool on = !hasParam || p != 0;
        if (w == "b") {
            state_.bold = on;
            return;
        }
        if (w == "i") {
            state_.italic = on;
            return;
        }
        if (w == "ul" || w == "uld" || w == "uldb" || w == "ulw" || w == "uldash" || w == "ulth") {
            state_.underline = on;
            return;
        }
        if (w == "ulnone") {
            state_.underline = false;
            return;
        }
        if (w == "v") {
            state_.hidden = on;
            return;
        }
        if (w == "cf") {
            state_.colourIndex = p;
            return;
        }
        if (w == "fs") {
            state_.halfPoints = p > 0 && p <= 3276 ? p : kDefaultHalfPoints;
            return;
        }
        if (w == "f") {
            state_.font = p;
            return;
        }
        if (w == "plain") {
            state_.bold = state_.italic = state_.underline = state_.hidden = false;
            state_.colourIndex = 0;
            state_.halfPoints = kDefaultHalfPoints;
            state_.font = -1;
        }
    }

    void specialCharacterWord(const std::string &w) {
        if (w == "par" || w == "line" || w == "row" || w == "sect" || w == "page") emitText("\n");
        else if (w == "tab" || w == "cell") emitText("\t");
        else if (w == "emdash") emitUnicode(0x2014);
        else if (w == "endash") emitUnicode(0x2013);
        else if (w == "emspace" || w == "enspace" || w == "qmspace") emitText(" ");
        else if (w == "bullet") emitUnicode(0x2022);
        else if (w == "lquote") emitUnicode(0x2018);
        else if (w == "rquote") emitUnicode(0x2019);
        else if (w == "ldblquote") emitUnicode(0x201C);
        else if (w == "rdblquote") emitUnicode(0x201D);
    }

    // Skips the ANSI fallback that follows a \u escape; true when this item was one of them.
    bool consumeUnicodeSkip() {
        if (unicodeSkip_ == 0) return false;
        --unicodeSkip_;
        return true;
    }

    void unicodeEscape(int value) {
        std::uint32_t cp = value < 0 ? std::uint32_t(value + 65536) : std::uint32_t(value);
        if (cp >= 0xD800 && cp <= 0xDBFF) {
            highSurrogate_ = cp;
        } else if (cp >= 0xDC00 && cp <= 0xDFFF && highSurrogate_) {
            emitUnicode(0x10000 + ((highSurrogate_ - 0xD800) << 10) + (cp - 0xDC00));
            highSurrogate_ = 0;
        } else {
            if (highSurrogate_) emitUnicode(0xFFFD);
            highSurrogate_ = 0;
            emitUnicode(cp);
        }
        unicodeSkip_ = state_.uc;
    }

    void binary(int n) {
        const std::size_t count = n < 0 ? 0 : std::min<std::size_t>(std::size_t(n), in_.size() - pos_);
        if (state_.dest == Dest::Picture && !skipping()) {
            if (count < std::size_t(std::max(n, 0)) || picture_.bytes.size() + count > opt_.maxPictureBytes)
                picture_.tooLarge = true;  // truncated or oversized data is dropped
            else picture_.bytes.insert(picture_.bytes.end(), in_.begin() + pos_, in_.begin() + pos_ + count);
        }
        pos_ += count;
    }

    // ---- plain characters ----
    void character(unsigned char c, bool escaped = false) {
        if (consumeUnicodeSkip()) return;
        if (skipping()) return;
        switch (state_.dest) {
        case Dest::FontTable:
            if (c == ';' && !escaped) endFontEntry();
            else font_.nameBytes += char(c);
            return;
        case Dest::ColourTable:
            if (c == ';') colourEntry();
            return;
        case Dest::Picture:
            if (hexValue(char(c)) >= 0) {
                if (picture_.hexDigits.size() / 2 >= opt_.maxPictureBytes) picture_.tooLarge = true;
                else picture_.hexDigits += char(c);
            }
            return;
        case Dest::Skip: return;
        case Dest::Text: break;
        }
        if (state_.hidden) return;
        if (c == '\t' && !escaped) {
            emitUnicode('\t');  // after the bytes still pending
            return;
        }
        if (c < 0x20) return;
        const int cp = currentCodePage();
        if (!pending_.empty() && cp != pendingCodePage_) flushBytes();
        pendingCodePage_ = cp;
        pending_ += char(c);
    }

    int currentCodePage() const {
        const int f = state_.font >= 0 ? state_.font : defaultFont_;
        auto it = fonts_.find(f);
        if (it != fonts_.end()) {
            if (it->second.codePage > 0) return it->second.codePage;
            if (it->second.charset >= 0) return codePageOfCharset(it->second.charset, ansiCodePage_);
        }
        return ansiCodePage_;
    }

    void flushBytes() {
        if (pending_.empty()) return;
        std::string bytes;
        bytes.swap(pending_);
        emitText(decodeCodePage(bytes, pendingCodePage_));
    }

    // ---- font and colour tables ----
    void fontTableWord(const std::string &w, bool hasParam, int p) {
        if (w == "f" && hasParam) {
            font_ = FontDef{};
            fontIndex_ = p;
        } else if (w == "fcharset") {
            font_.charset = p;
        } else if (w == "cpg") {
            font_.codePage = p;
        }
    }

    void endFontEntry() {
        if (fontIndex_ < 0) return;
        const int cp = font_.codePage > 0
                           ? font_.codePage
                           : (font_.charset >= 0 ? codePageOfCharset(font_.charset, ansiCodePage_) : ansiCodePage_);
        font_.name = decodeCodePage(font_.nameBytes, cp);
        while (!font_.name.empty() && font_.name.back() == ' ') font_.name.pop_back();
        if (fonts_.size() < 4096 || fonts_.count(fontIndex_)) fonts_[fontIndex_] = font_;
        fontIndex_ = -1;
        font_ = FontDef{};
    }

    void colourReset() {
        colours_.clear();
        red_ = green_ = blue_ = 0;
        colourGiven_ = false;
    }

    void colourTableWord(const std::string &w, int p) {
        const int v = std::clamp(p, 0, 255);
        if (w == "red") {
            red_ = v;
            colourGiven_ = true;
        } else if (w == "green") {
            green_ = v;
            colourGiven_ = true;
        } else if (w == "blue") {
            blue_ = v;
            colourGiven_ = true;
        }
    }

    void colourEntry() {
        if (colours_.size() < 4096)
            colours_.push_back(colourGiven_ ? Colour(red_ | (green_ << 8) | (blue_ << 16)) : colour::Black);
        red_ = green_ = blue_ = 0;
        colourGiven_ = false;
    }

    // ---- pictures ----
    void pictureWord(const std::string &w, bool hasParam, int p) {
        if (w == "pngblip") picture_.format = "png";
        else if (w == "jpegblip") picture_.format = "jpeg";
        else if (w == "dibitmap") picture_.format = "dib";
        else if (w == "wbitmap") picture_.format = "bmp";
        else if (w == "wmetafile") picture_.format = "wmf";
        else if (w == "emfblip") picture_.format = "emf";
        else if (w == "picw" && hasParam) picture_.width = std::max(p, 0);
        else if (w == "pich" && hasParam) picture_.height = std::max(p, 0);
    }

    void finishPicture() {
        PictureData pic = std::move(picture_);
        picture_ = PictureData{};
        if (!opt_.keepPictures || pic.tooLarge) return;
        for (std::size_t i = 0; i + 1 < pic.hexDigits.size(); i += 2)
            pic.bytes.push_back(std::uint8_t(hexValue(pic.hexDigits[i]) * 16 + hexValue(pic.hexDigits[i + 1])));
        if (pic.bytes.empty()) return;
        RichRun r = currentRun();
        r.pictureFormat = pic.format;
        r.picture = std::move(pic.bytes);
        r.pictureWidth = pic.width;
        r.pictureHeight = pic.height;
        out_.push_back(std::move(r));
    }

    // ---- output ----
    RichRun currentRun() const {
        RichRun r;
        r.bold = state_.bold;
        r.italic = state_.italic;
        r.underline = state_.underline;
        r.halfPoints = state_.halfPoints;
        if (state_.colourIndex > 0 && std::size_t(state_.colourIndex) < colours_.size())
            r.colour = colours_[std::size_t(state_.colourIndex)];
        const int f = state_.font >= 0 ? state_.font : defaultFont_;
        if (auto it = fonts_.find(f); it != fonts_.end()) r.font = it->second.name;
        return r;
    }

    void emitUnicode(std::uint32_t cp) {
        if (skipping() || state_.dest != Dest::Text || state_.hidden) return;
        flushBytes();
        std::string s;
        appendUtf8(s, cp);
        emitText(s);
    }

    void emitText(const std::string &text) {
        if (text.empty() || skipping() || state_.dest != Dest::Text || state_.hidden) return;
        RichRun r = currentRun();
        if (!out_.empty()) {
            RichRun &last = out_.back();
            if (!last.isPicture() && last.bold == r.bold && last.italic == r.italic && last.underline == r.underline &&
                last.colour == r.colour && last.halfPoints == r.halfPoints && last.font == r.font) {
                last.text += text;
                return;
            }
        }
        r.text = text;
        out_.push_back(std::move(r));
    }

    std::string_view in_;
    RichText &out_;
    const RtfOptions &opt_;
    std::size_t pos_ = 0;
    State state_;
    std::vector<State> stack_;
    std::size_t overflow_ = 0;
    int ansiCodePage_ = 1252;
    int defaultFont_ = 0;
    std::map<int, FontDef> fonts_;
    FontDef font_;
    int fontIndex_ = -1;
    std::vector<Colour> colours_;
    int red_ = 0, green_ = 0, blue_ = 0;
    bool colourGiven_ = false;
    PictureData picture_;
    std::string pending_;
    int pendingCodePage_ = 1252;
    int unicodeSkip_ = 0;
    std::uint32_t highSurrogate_ = 0;
};

}  // namespace

std::string decodeCodePage(std::string_view bytes, int codePage) {
    if (std::all_of(bytes.begin(), bytes.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; }))
        return std::string(bytes);
#if defined(VANTOR_HAVE_ICONV)
    std::string name;
    if (codePage == 936) name = "CP936";
    else if (codePage == 65001) name = "UTF-8";
    else if (codePage == 10000) name = "MACINTOSH";
    else name = "CP" + std::to_string(codePage);
    iconv_t cd = iconv_open("UTF-8", name.c_str());
    if (cd == iconv_t(-1)) return asciiOnly(bytes);

    std::string out;
    std::string in(bytes);
    char *inp = in.data();
    std::size_t inLeft = in.size();
    char buf[1024];
    // Code pages with combining marks (1255, 1258) hold a character back until they see what
    // follows: it is written out before a mark and at the end, never dropped.
    auto release = [&] {
        char *outp = buf;
        std::size_t outLeft = sizeof buf;
        iconv(cd, nullptr, nullptr, &outp, &outLeft);
        out.append(buf, std::size_t(outp - buf));
    };
    while (inLeft > 0) {
        char *outp = buf;
        std::size_t outLeft = sizeof buf;
        const std::size_t r = iconv(cd, &inp, &inLeft, &outp, &outLeft);
        out.append(buf, std::size_t(outp - buf));
        if (r != std::size_t(-1)) continue;
        if (errno == E2BIG) continue;
        // Invalid or truncated sequence: mark it and resynchronise on the next byte.
        release();
        out += kReplacement;
        ++inp;
        --inLeft;
    }
    release();
    iconv_close(cd);
    return out;
#else
    (void)codePage;
    return asciiOnly(bytes);
#endif
}

bool parseRtf(std::string_view rtf, RichText &out, const RtfOptions &options) {
    out.clear();
    std::size_t start = 0;
    while (start < rtf.size() && std::isspace(static_cast<unsigned char>(rtf[start]))) ++start;
    if (rtf.substr(start, 5) != "{\\rtf") return false;
    // Skip the outer brace: its closing partner ends the document.
    Parser parser(rtf.substr(start + 1), out, options);
    parser.run();
    return true;
}

std::string plainText(const RichText &runs) {
    std::string text;
    for (const RichRun &r : runs) {
        if (r.isPicture())
            text += "[picture " + std::to_string(r.pictureWidth) + "x" + std::to_string(r.pictureHeight) + "]";
        else text += r.text;
    }
    return text;
}

}  // namespace vantor
