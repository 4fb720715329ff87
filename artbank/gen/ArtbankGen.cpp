// artbank-gen: builds the Artbank resources from their sources.
//   artbank-gen LOGOS.txt DOCS_DIR OUT_DIR
// Writes OUT_DIR/ArtbankData.cpp (the resource table linked into the library), and for
// Windows builds OUT_DIR/Artbank.rc with the bitmaps (.bmp) and documents (.rtf) it names.
// DOCS_DIR/en holds the English documents, resources of type "ADPEN" under the same ids.
#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>
#include <stdexcept>
#include <string>
#include <tuple>
#include <vector>

#include <iconv.h>

#include "Font5x7.h"

namespace fs = std::filesystem;
using namespace artbank;

namespace {

[[noreturn]] void fail(const std::string &msg) { throw std::runtime_error(msg); }

// ---------------------------------------------------------------- pictures

struct Rgb {
    std::uint8_t r = 255, g = 255, b = 255;
    bool operator==(const Rgb &) const = default;
    bool operator<(const Rgb &o) const { return std::tie(r, g, b) < std::tie(o.r, o.g, o.b); }
};

Rgb hsv(double h, double s, double v) {
    h = std::fmod(h, 360.0) / 60.0;
    const int i = int(h);
    const double f = h - i, p = v * (1 - s), q = v * (1 - s * f), t = v * (1 - s * (1 - f));
    double r = v, g = t, b = p;
    switch (i) {
    case 1: r = q, g = v, b = p; break;
    case 2: r = p, g = v, b = t; break;
    case 3: r = p, g = q, b = v; break;
    case 4: r = t, g = p, b = v; break;
    case 5: r = v, g = p, b = q; break;
    default: break;
    }
    return {std::uint8_t(r * 255 + 0.5), std::uint8_t(g * 255 + 0.5), std::uint8_t(b * 255 + 0.5)};
}

Rgb mix(Rgb a, Rgb b, double t) {
    auto m = [t](int x, int y) { return std::uint8_t(x + (y - x) * t + 0.5); };
    return {m(a.r, b.r), m(a.g, b.g), m(a.b, b.b)};
}

const Rgb kWhite{255, 255, 255}, kBlack{0, 0, 0}, kGrey{128, 128, 128}, kLightGrey{200, 200, 200}, kRed{220, 0, 0},
    kGreen{0, 110, 60}, kDarkGrey{64, 64, 64}, kGold{200, 160, 40};

struct Image {
    int w, h;
    std::vector<Rgb> px;
    Image(int w_, int h_) : w(w_), h(h_), px(std::size_t(w_ * h_), kWhite) {}
    void set(int x, int y, Rgb c) {
        if (x >= 0 && y >= 0 && x < w && y < h) px[std::size_t(y * w + x)] = c;
    }
    void fill(int x, int y, int rw, int rh, Rgb c) {
        for (int j = y; j < y + rh; ++j)
            for (int i = x; i < x + rw; ++i) set(i, j, c);
    }
    void frame(int x, int y, int rw, int rh, Rgb c) {
        fill(x, y, rw, 1, c);
        fill(x, y + rh - 1, rw, 1, c);
        fill(x, y, 1, rh, c);
        fill(x + rw - 1, y, 1, rh, c);
    }
    void disc(int cx, int cy, int r, Rgb c) {
        for (int j = -r; j <= r; ++j)
            for (int i = -r; i <= r; ++i)
                if (i * i + j * j <= r * r) set(cx + i, cy + j, c);
    }
    void ring(int cx, int cy, int r, int thick, Rgb c) {
        for (int j = -r; j <= r; ++j)
            for (int i = -r; i <= r; ++i) {
                const int d = i * i + j * j;
                if (d <= r * r && d > (r - thick) * (r - thick)) set(cx + i, cy + j, c);
            }
    }
    static int textWidth(const std::string &s, int sx) { return s.empty() ? 0 : int(s.size()) * 6 * sx - sx; }
    void text(int x, int y, const std::string &s, int sx, int sy, Rgb c) {
        for (char ch : s) {
            const Glyph *g = findGlyph(ch);
            if (!g) fail(std::string("no glyph for '") + ch + "'");
            for (int row = 0; row < 7; ++row)
                for (int col = 0; col < 5; ++col)
                    if (g->rows[row] & (0x10 >> col)) fill(x + col * sx, y + row * sy, sx, sy, c);
            x += 6 * sx;
        }
    }
};

void put16(std::vector<std::uint8_t> &v, unsigned x) {
    v.push_back(std::uint8_t(x));
    v.push_back(std::uint8_t(x >> 8));
}
void put32(std::vector<std::uint8_t> &v, std::uint32_t x) {
    put16(v, x & 0xFFFF);
    put16(v, x >> 16);
}

// A packed DIB as a bitmap resource stores it: BITMAPINFOHEADER, palette, bottom-up rows.
std::vector<std::uint8_t> encodeDib(const Image &img, int bpp) {
    std::vector<Rgb> palette;
    std::map<Rgb, int> index;
    if (bpp != 24) {
        for (const Rgb &c : img.px)
            if (!index.count(c)) {
                index[c] = int(palette.size());
                palette.push_back(c);
            }
        if (palette.size() > (1u << bpp)) fail("picture has more colours than " + std::to_string(bpp) + " bits hold");
        palette.resize(std::size_t(1) << bpp, kBlack);
    }
    const std::uint32_t stride = ((std::uint32_t(img.w) * std::uint32_t(bpp) + 31) / 32) * 4;
    std::vector<std::uint8_t> out;
    put32(out, 40);
    put32(out, std::uint32_t(img.w));
    put32(out, std::uint32_t(img.h));
    put16(out, 1);
    put16(out, unsigned(bpp));
    put32(out, 0);  // BI_RGB
    put32(out, stride * std::uint32_t(img.h));
    put32(out, 2835);
    put32(out, 2835);
    put32(out, bpp == 24 ? 0 : std::uint32_t(palette.size()));
    put32(out, 0);
    for (const Rgb &c : palette) {
        out.push_back(c.b);
        out.push_back(c.g);
        out.push_back(c.r);
        out.push_back(0);
    }
    for (int y = img.h - 1; y >= 0; --y) {
        std::vector<std::uint8_t> row(stride, 0);
        for (int x = 0; x < img.w; ++x) {
            const Rgb &c = img.px[std::size_t(y * img.w + x)];
            if (bpp == 24) {
                row[std::size_t(x) * 3] = c.b;
                row[std::size_t(x) * 3 + 1] = c.g;
                row[std::size_t(x) * 3 + 2] = c.r;
            } else if (bpp == 8) {
                row[std::size_t(x)] = std::uint8_t(index[c]);
            } else {
                const int i = index[c];
                row[std::size_t(x) / 2] |= std::uint8_t(x % 2 == 0 ? i << 4 : i);
            }
        }
        out.insert(out.end(), row.begin(), row.end());
    }
    return out;
}

struct LogoSpec {
    int id, bpp, w, h, hue;
    std::string emblem, name;
};

void drawEmblem(Image &img, const std::string &kind, int cx, int cy, int size, Rgb main, Rgb dark, Rgb light) {
    const int r = size / 2;
    if (kind == "chip") {
        const int bw = size + size / 3, bh = size * 2 / 3;
        for (int i = 0; i < 4; ++i) {
            const int x = cx - bw / 2 + 3 + i * (bw - 6) / 3;
            img.fill(x - 1, cy - bh / 2 - 3, 3, 3, kGrey);
            img.fill(x - 1, cy + bh / 2, 3, 3, kGrey);
        }
        img.fill(cx - bw / 2, cy - bh / 2, bw, bh, dark);
        img.disc(cx - bw / 2 + 4, cy - bh / 2 + 4, 1, light);
    } else if (kind == "ring") {
        img.ring(cx, cy, r, std::max(2, size / 6), main);
        img.disc(cx, cy, r / 3, dark);
    } else if (kind == "diamond") {
        for (int j = -r; j <= r; ++j)
            for (int i = -r; i <= r; ++i)
                if (std::abs(i) + std::abs(j) <= r)
                    img.set(cx + i, cy + j, std::abs(i) + std::abs(j) <= r / 2 ? light : main);
    } else if (kind == "wave") {
        for (int i = -size; i <= size; ++i) {
            const int y = int(std::lround(std::sin(i * 3.14159 / size * 2) * r * 0.7));
            img.fill(cx + i, cy + y - 1, 1, 3, main);
        }
    } else if (kind == "bars") {
        for (int i = 0; i < 4; ++i) {
            const int bh = size * (i + 2) / 5;
            img.fill(cx - size / 2 + i * (size / 4 + 1), cy + r - bh, size / 5, bh, i % 2 ? dark : main);
        }
    } else if (kind == "square") {
        img.fill(cx - r, cy - r, size, size, main);
        img.fill(cx - r / 2, cy - r / 2, r, r, kWhite);
        img.fill(cx - r / 4, cy - r / 4, r / 2 + 1, r / 2 + 1, dark);
    } else {
        fail("unknown emblem " + kind);
    }
}

std::vector<std::uint8_t> drawLogo(const LogoSpec &s) {
    Image img(s.w, s.h);
    const Rgb main = hsv(s.hue, 0.8, 0.72), dark = hsv(s.hue, 0.85, 0.42), light = hsv(s.hue, 0.3, 0.97);
    img.frame(0, 0, s.w, s.h, kLightGrey);

    const int emblem = s.h * 3 / 10;
    drawEmblem(img, s.emblem, s.w / 2, 4 + emblem / 2 + 1, emblem, main, dark, light);

    int sx = 3;
    while (sx > 1 && Image::textWidth(s.name, sx) > s.w - 8) --sx;
    if (Image::textWidth(s.name, sx) > s.w - 4) fail("logo name too long: " + s.name);
    const int sy = sx == 1 ? 2 : sx;
    const int ty = 8 + emblem + std::max(0, (s.h * 6 / 10 - emblem - 7 * sy) / 2);
    const int tx = (s.w - Image::textWidth(s.name, sx)) / 2;
    if (s.bpp == 24) img.text(tx + 1, ty + 1, s.name, sx, sy, light);  // soft shadow
    img.text(tx, ty, s.name, sx, sy, dark);

    const int bandH = std::max(4, s.h / 10);
    const int bandY = s.h - bandH - 3;
    for (int x = 3; x < s.w - 3; ++x) {
        double t = double(x - 3) / (s.w - 7);
        if (s.bpp == 8) t = std::floor(t * 24) / 24;  // stays inside a 256-colour palette
        const Rgb c = s.bpp == 4 ? main : mix(main, light, t);
        img.fill(x, bandY, 1, bandH, c);
    }
    return encodeDib(img, s.bpp);
}

std::vector<LogoSpec> readLogos(const fs::path &file) {
    std::ifstream in(file);
    if (!in) fail("cannot read " + file.string());
    std::vector<LogoSpec> logos;
    std::string line;
    int lineNo = 0;
    while (std::getline(in, line)) {
        ++lineNo;
        if (line.empty() || line[0] == '#') continue;
        std::istringstream ls(line);
        LogoSpec s;
        if (!(ls >> s.id >> s.bpp >> s.w >> s.h >> s.hue >> s.emblem >> s.name))
            fail(file.string() + ":" + std::to_string(lineNo) + ": bad logo line");
        if (s.bpp != 4 && s.bpp != 8 && s.bpp != 24) fail("logo " + std::to_string(s.id) + ": bits must be 4, 8 or 24");
        if (s.w < 32 || s.h < 24 || s.w > 124 || s.h > 75) fail("logo " + std::to_string(s.id) + ": bad size");
        logos.push_back(s);
    }
    return logos;
}

// ---------------------------------------------------------------- diagrams for documents

// The chip (or the adapter board carrying it) sits at the lower end of the 40-pin socket,
// away from the lever, with pin 1 towards the lever.
Image socketDiagram(int dipPins, const std::string &label, bool adapterBoard) {
    const int rows = 20, pitch = 7;
    Image img(260, 40 + rows * pitch + 16);
    const int sx = 40, sy = 30, sw = 70, sh = rows * pitch + 10;
    img.fill(sx, sy, sw, sh, kLightGrey);
    img.frame(sx, sy, sw, sh, kDarkGrey);
    img.fill(sx + sw - 6, sy - 24, 5, 24, kDarkGrey);  // lever
    img.fill(sx + sw - 8, sy - 28, 9, 5, kDarkGrey);
    img.text(sx + sw + 6, sy - 26, "LEVER", 1, 1, kDarkGrey);
    for (int i = 0; i < rows; ++i) {
        img.fill(sx + 6, sy + 6 + i * pitch, 4, 4, kDarkGrey);
        img.fill(sx + sw - 10, sy + 6 + i * pitch, 4, 4, kDarkGrey);
    }
    img.text(sx - 12, sy + 5, "1", 1, 1, kBlack);
    img.text(sx - 18, sy + 5 + (rows - 1) * pitch, "20", 1, 1, kBlack);
    const int used = dipPins / 2;
    const int top = sy + 6 + (rows - used) * pitch - 2;
    const int bodyH = used * pitch;
    if (adapterBoard) {
        img.fill(sx + 3, top - 2, sw - 6, bodyH + 2, kGreen);
        img.fill(sx + 22, top + bodyH / 2 - 12, sw - 44, 24, kBlack);
        img.disc(sx + 25, top + bodyH / 2 - 9, 1, kWhite);
    } else {
        img.fill(sx + 12, top, sw - 24, bodyH, kBlack);
        img.disc(sx + sw / 2, top, 4, kLightGrey);  // notch
    }
    // Pin 1 of the device in the socket.
    img.fill(sx + 5, top + 1, 6, 6, kRed);
    img.fill(sx - 30, top + 3, 24, 2, kRed);
    img.text(sx - 34, top - 8, "PIN1", 1, 1, kRed);
    img.text(sx + sw + 12, sy + sh / 2 - 8, label, 2, 2, kBlack);
    img.text(sx + sw + 12, sy + sh / 2 + 12, "ZIF " + std::to_string(21 - used), 1, 1, kRed);
    return img;
}

Image headerDiagram(int pins) {
    const int cols = pins / 2;
    Image img(40 + cols * 22, 90);
    const int x0 = 20, y0 = 25;
    img.fill(x0 - 6, y0 - 6, cols * 22 + 4, 56, kDarkGrey);
    img.fill(x0 - 6 + cols * 11 - 8, y0 - 6, 16, 4, kWhite);  // key slot
    for (int c = 0; c < cols; ++c)
        for (int r = 0; r < 2; ++r) {
            const int n = c * 2 + (r == 0 ? 2 : 1);
            const int x = x0 + c * 22, y = y0 + (r == 0 ? 0 : 22);
            if (n == 1) img.fill(x, y, 10, 10, kRed);
            else img.disc(x + 5, y + 5, 5, kGold);
            img.text(x + 1, r == 0 ? y - 16 : y + 28, std::to_string(n), 1, 1, n == 1 ? kRed : kBlack);
        }
    return img;
}

// ---------------------------------------------------------------- documents

std::string toGbk(const std::string &utf8, const std::string &where) {
    iconv_t cd = iconv_open("CP936", "UTF-8");
    if (cd == iconv_t(-1)) fail("iconv cannot convert to CP936");
    std::string in = utf8, out(utf8.size() * 2 + 16, '\0');
    char *ip = in.data(), *op = out.data();
    std::size_t il = in.size(), ol = out.size();
    const std::size_t r = iconv(cd, &ip, &il, &op, &ol);
    iconv_close(cd);
    if (r == std::size_t(-1))
        fail(where + ": text not representable in code page 936 near \"" +
             std::string(ip, std::min<std::size_t>(il, 12)) + "\"");
    out.resize(out.size() - ol);
    return out;
}

std::string rtfEscape(const std::string &utf8, const std::string &where) {
    const std::string gbk = toGbk(utf8, where);
    std::string out;
    for (unsigned char c : gbk) {
        if (c == '\t') {
            out += "\\tab ";
        } else if (c == '\\' || c == '{' || c == '}') {
            out += '\\';
            out += char(c);
        } else if (c >= 0x80) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\'%02x", c);
            out += buf;
        } else {
            out += char(c);
        }
    }
    return out;
}

std::string pictureRtf(const Image &img) {
    const std::vector<std::uint8_t> dib = encodeDib(img, 4);
    std::string s = "{\\pict\\dibitmap0\\picw" + std::to_string(img.w) + "\\pich" + std::to_string(img.h) +
                    "\\picwgoal" + std::to_string(img.w * 15) + "\\pichgoal" + std::to_string(img.h * 15) + "\n";
    static const char *hex = "0123456789abcdef";
    for (std::size_t i = 0; i < dib.size(); ++i) {
        s += hex[dib[i] >> 4];
        s += hex[dib[i] & 15];
        if (i % 64 == 63) s += '\n';
    }
    return s + "}";
}

struct DocSource {
    int id = 0;
    std::string origin;
    std::vector<std::string> lines;  // "kind: text"
};

struct DocSet {
    bool english = false;  // docs/en: the English documents
    std::map<std::string, std::vector<std::string>> blocks;
    std::map<int, DocSource> docs;
};

// Joins continuation lines (leading blank) to the line before them.
std::vector<std::pair<int, std::string>> logicalLines(const fs::path &file) {
    std::ifstream in(file);
    if (!in) fail("cannot read " + file.string());
    std::vector<std::pair<int, std::string>> out;
    std::string line;
    int n = 0;
    while (std::getline(in, line)) {
        ++n;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty() || line[0] == '#') continue;
        if ((line[0] == ' ' || line[0] == '\t') && !out.empty()) {
            const auto start = line.find_first_not_of(" \t");
            if (start == std::string::npos) continue;
            const std::string rest = line.substr(start);
            // Chinese text runs on without a blank; English words need one.
            const unsigned char last = out.back().second.empty() ? 0 : out.back().second.back();
            if (last < 0x80 && static_cast<unsigned char>(rest[0]) < 0x80) out.back().second += ' ';
            out.back().second += rest;
            continue;
        }
        out.emplace_back(n, line);
    }
    return out;
}

void readDocs(const fs::path &dir, DocSet &set) {
    std::vector<fs::path> files;
    for (const auto &e : fs::directory_iterator(dir))
        if (e.path().extension() == ".txt") files.push_back(e.path());
    std::sort(files.begin(), files.end());
    for (const fs::path &f : files) {
        std::vector<std::string> *target = nullptr;
        for (const auto &[n, line] : logicalLines(f)) {
            const std::string where = f.filename().string() + ":" + std::to_string(n);
            if (line == "@end") {
                target = nullptr;
            } else if (line.rfind("@block ", 0) == 0) {
                target = &set.blocks[line.substr(7)];
            } else if (line.rfind("=== ", 0) == 0) {
                const int id = std::atoi(line.c_str() + 4);
                if (id < 4000 || id > 4072) fail(where + ": document id out of range");
                if (set.docs.count(id)) fail(where + ": document " + std::to_string(id) + " defined twice");
                DocSource &d = set.docs[id];
                d.id = id;
                d.origin = where;
                target = &d.lines;
            } else if (!target) {
                fail(where + ": text outside a document or block");
            } else {
                target->push_back(line);
            }
        }
    }
}

std::string substitute(std::string text, const std::map<std::string, std::string> &vars, const std::string &where) {
    std::string out;
    std::size_t pos = 0;
    while (true) {
        const auto open = text.find('{', pos);
        if (open == std::string::npos) break;
        const auto close = text.find('}', open);
        if (close == std::string::npos) fail(where + ": unclosed {");
        const std::string key = text.substr(open + 1, close - open - 1);
        auto it = vars.find(key);
        if (it == vars.end()) fail(where + ": unknown variable {" + key + "}");
        out += text.substr(pos, open - pos) + it->second;
        pos = close + 1;
    }
    return out + text.substr(pos);
}

// The document's lines with every "use: BLOCK" replaced by the block's lines, so that blocks
// can use the document's variables.
std::vector<std::string> expandBlocks(const DocSource &doc, const DocSet &set, const std::string &where) {
    std::vector<std::string> lines;
    std::function<void(const std::vector<std::string> &, int)> expand = [&](const std::vector<std::string> &src,
                                                                            int depth) {
        if (depth > 8) fail(where + ": blocks nest too deeply");
        for (const std::string &l : src) {
            if (l.rfind("use: ", 0) == 0) {
                auto it = set.blocks.find(l.substr(5));
                if (it == set.blocks.end()) fail(where + ": unknown block " + l.substr(5));
                expand(it->second, depth + 1);
            } else {
                lines.push_back(l);
            }
        }
    };
    expand(doc.lines, 0);
    return lines;
}

// The "set NAME = VALUE" lines; "zif1", the ZIF pin of the chip's pin 1, follows from "pins".
std::map<std::string, std::string> documentVariables(const std::vector<std::string> &lines, const std::string &where) {
    std::map<std::string, std::string> vars;
    auto trim = [](std::string s) {
        s.erase(0, s.find_first_not_of(' '));
        s.erase(s.find_last_not_of(' ') + 1);
        return s;
    };
    for (const std::string &l : lines) {
        if (l.rfind("set ", 0) != 0) continue;
        const auto eq = l.find('=');
        if (eq == std::string::npos) fail(where + ": set without =");
        vars[trim(l.substr(4, eq - 4))] = trim(l.substr(eq + 1));
    }
    if (vars.count("pins") && !vars.count("zif1")) {
        const int pins = std::atoi(vars["pins"].c_str());
        if (pins > 0 && pins <= 40) vars["zif1"] = std::to_string(21 - pins / 2);
    }
    return vars;
}

// "diagram socket|board PINS LABEL" or "diagram header PINS".
std::string diagramRtf(const std::string &spec, const std::string &where) {
    std::istringstream ds(spec);
    std::string type, label;
    int pins = 0;
    ds >> type >> pins >> label;
    if (type == "socket" || type == "board") {
        if (pins < 4 || pins > 40 || pins % 2) fail(where + ": bad diagram pin count");
        return "\\pard\\qc " + pictureRtf(socketDiagram(pins, label, type == "board")) + "\\par\n";
    }
    if (type == "header") {
        if (pins < 4 || pins > 20 || pins % 2) fail(where + ": bad header pin count");
        return "\\pard\\qc " + pictureRtf(headerDiagram(pins)) + "\\par\n";
    }
    fail(where + ": unknown diagram " + type);
}

// One paragraph of a text kind. Colour table: 1 text, 2 title blue, 3 caution red, 4 note grey,
// 5 heading dark.
std::string paragraphRtf(const std::string &kind, const std::string &text, bool english, const std::string &where) {
    if (kind == "title") return "\\pard\\sa120\\cf2\\b\\fs30 " + text + "\\b0\\fs18\\cf1\\par\n";
    if (kind == "sub") return "\\pard\\sa160\\cf4\\i " + text + "\\i0\\cf1\\par\n";
    if (kind == "h") return "\\pard\\sb160\\sa60\\cf5\\b\\fs22 " + text + "\\b0\\fs18\\cf1\\par\n";
    if (kind == "p") return "\\pard\\sa60\\fi360 " + text + "\\par\n";
    if (kind == "li") return "\\pard\\sa40\\li360\\fi-240 " + rtfEscape("●", where) + "\\tab " + text + "\\par\n";
    if (kind == "pin") return "\\pard\\li360\\tx1800\\tx3600 " + text + "\\par\n";
    if (kind == "warn")
        return "\\pard\\sa60\\cf3\\b " + (english ? std::string("Caution: ") : rtfEscape("注意：", where)) + "\\b0 " +
               text + "\\cf1\\par\n";
    if (kind == "note") return "\\pard\\sa60\\cf4\\i " + text + "\\i0\\cf1\\par\n";
    fail(where + ": unknown line kind " + kind);
}

std::string buildDocument(const DocSource &doc, const DocSet &set) {
    const std::string where = "document " + std::to_string(doc.id) + " (" + doc.origin + ")";
    const std::vector<std::string> lines = expandBlocks(doc, set, where);
    const std::map<std::string, std::string> vars = documentVariables(lines, where);
    std::string body;
    bool haveTitle = false;
    for (const std::string &raw : lines) {
        if (raw.rfind("set ", 0) == 0) continue;
        const auto colon = raw.find(": ");
        if (colon == std::string::npos) fail(where + ": line without kind: " + raw);
        const std::string kind = raw.substr(0, colon);
        const std::string text = substitute(raw.substr(colon + 2), vars, where);
        body += kind == "diagram" ? diagramRtf(text, where)
                                  : paragraphRtf(kind, rtfEscape(text, where), set.english, where);
        haveTitle = haveTitle || kind == "title";
    }
    if (!haveTitle) fail(where + ": no title");
    return "{\\rtf1\\ansi\\ansicpg936\\deff0\\deflang1033\\deflangfe2052"
           "{\\fonttbl{\\f0\\fnil\\fcharset134 " +
           rtfEscape("宋体", where) +
           ";}{\\f1\\fswiss\\fcharset0 Tahoma;}}\n"
           "{\\colortbl ;\\red0\\green0\\blue0;\\red0\\green70\\blue160;\\red200\\green0\\blue0;"
           "\\red100\\green100\\blue100;\\red40\\green40\\blue90;}\n"
           "{\\*\\generator artbank-gen;}\\viewkind4\\uc1\\pard\\lang2052\\f0\\fs18\\cf1\n" +
           body + "}\n";
}

// ---------------------------------------------------------------- output

void writeFile(const fs::path &p, const std::string &bytes) {
    // Unchanged outputs keep their time stamps so nothing downstream rebuilds.
    {
        std::ifstream old(p, std::ios::binary);
        if (old) {
            std::string cur((std::istreambuf_iterator<char>(old)), std::istreambuf_iterator<char>());
            if (cur == bytes) return;
        }
    }
    const fs::path tmp = p.string() + ".tmp";
    {
        std::ofstream out(tmp, std::ios::binary);
        out.write(bytes.data(), std::streamsize(bytes.size()));
        if (!out) fail("cannot write " + tmp.string());
    }
    fs::rename(tmp, p);
}

std::string cArray(const std::string &name, const std::string &bytes) {
    std::string s = "alignas(4) const unsigned char " + name + "[] =\n    \"";
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        char buf[8];
        std::snprintf(buf, sizeof buf, "\\%03o", static_cast<unsigned char>(bytes[i]));
        s += buf;
        if (i % 40 == 39 && i + 1 < bytes.size()) s += "\"\n    \"";
    }
    return s + "\";\n";
}

}  // namespace

int main(int argc, char **argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: artbank-gen LOGOS.txt DOCS_DIR OUT_DIR\n");
        return 2;
    }
    try {
        const fs::path out = argv[3];
        fs::create_directories(out / "res");
        struct Res {
            std::string type;
            int id;
            std::string bytes;
        };
        std::vector<Res> resources;

        const auto logos = readLogos(argv[1]);
        std::map<int, bool> seen;
        for (const LogoSpec &s : logos) {
            if (s.id < 3000 || s.id > 3067 || seen[s.id])
                fail("logo id " + std::to_string(s.id) + " out of range or repeated");
            seen[s.id] = true;
            const auto dib = drawLogo(s);
            resources.push_back({"BITMAP", s.id, std::string(dib.begin(), dib.end())});
        }
        if (seen.size() != 68) fail("expected 68 logos (3000..3067), found " + std::to_string(seen.size()));

        DocSet docs;
        readDocs(argv[2], docs);
        for (int id = 4000; id <= 4072; ++id)
            if (!docs.docs.count(id)) fail("document " + std::to_string(id) + " is missing");
        for (const auto &[id, d] : docs.docs) resources.push_back({"ADP", id, buildDocument(d, docs)});
        // English documents are a second resource type under the same ids, so GetAdpRes serves
        // both; an adapter without one shows its Chinese document.
        DocSet english;
        english.english = true;
        if (fs::is_directory(fs::path(argv[2]) / "en")) readDocs(fs::path(argv[2]) / "en", english);
        for (const auto &[id, d] : english.docs) resources.push_back({"ADPEN", id, buildDocument(d, english)});

        std::string cpp = "// Generated by artbank-gen from artbank/logos.txt and artbank/docs; do not edit.\n"
                          "#include \"ArtbankResources.h\"\n\nnamespace artbank {\nnamespace {\n";
        std::string table, rc = "// Generated by artbank-gen; do not edit.\n";
        for (const Res &r : resources) {
            const std::string name = (r.type == "BITMAP" ? "bmp"
                                      : r.type == "ADP"  ? "adp"
                                                         : "adpen") +
                                     std::to_string(r.id);
            cpp += cArray(name, r.bytes);
            table += "    {\"" + r.type + "\", " + std::to_string(r.id) + ", " + name + ", " +
                     std::to_string(r.bytes.size()) + "u},\n";
            if (r.type == "BITMAP") {
                // A .bmp file is the resource with a 14-byte file header in front.
                std::vector<std::uint8_t> file;
                file.push_back('B');
                file.push_back('M');
                put32(file, std::uint32_t(14 + r.bytes.size()));
                put32(file, 0);
                const std::uint32_t colours = std::uint32_t(static_cast<unsigned char>(r.bytes[32])) |
                                              std::uint32_t(static_cast<unsigned char>(r.bytes[33])) << 8;
                put32(file, 14 + 40 + colours * 4);
                writeFile(out / "res" / (name + ".bmp"), std::string(file.begin(), file.end()) + r.bytes);
                rc += std::to_string(r.id) + " BITMAP \"res/" + name + ".bmp\"\n";
            } else {
                writeFile(out / "res" / (name + ".rtf"), r.bytes);
                rc += std::to_string(r.id) + " " + r.type + " \"res/" + name + ".rtf\"\n";
            }
        }
        cpp += "}  // namespace\n\nconst Resource kResources[] = {\n" + table +
               "};\nconst std::size_t kResourceCount = sizeof kResources / sizeof kResources[0];\n\n}  // namespace "
               "artbank\n";
        writeFile(out / "ArtbankData.cpp", cpp);
        writeFile(out / "Artbank.rc", rc);
        std::printf("artbank-gen: %zu logos, %zu documents, %zu in English\n", logos.size(), docs.docs.size(),
                    english.docs.size());
    } catch (const std::exception &e) {
        std::fprintf(stderr, "artbank-gen: %s\n", e.what());
        return 1;
    }
    return 0;
}
