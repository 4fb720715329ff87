#pragma once
#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include <unistd.h>

#include "buffer/formats/FormatCommon.h"
#include "core/InfoSink.h"

namespace vantor::test {

struct Line {
    std::string text;
    Colour colour;
    bool bold = false;
};

class RecordingSink : public InfoSink {
public:
    void appendLine(std::string_view text, Colour colour, bool bold) override {
        lines.push_back({std::string(text), colour, bold});
    }
    bool has(std::string_view text, Colour colour) const {
        for (const Line &l : lines)
            if (l.text == text && l.colour == colour) return true;
        return false;
    }
    std::vector<Line> lines;
};

class TempDir {
public:
    TempDir() {
        static std::atomic<int> n{0};
        path_ = std::filesystem::temp_directory_path() /
                ("vantor-buffer-test-" + std::to_string(::getpid()) + "-" + std::to_string(n++));
        std::filesystem::create_directories(path_);
    }
    ~TempDir() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    std::filesystem::path operator/(const std::string &name) const { return path_ / name; }
    const std::filesystem::path &path() const { return path_; }

private:
    std::filesystem::path path_;
};

inline std::string readText(const std::filesystem::path &p) {
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}
inline void writeText(const std::filesystem::path &p, std::string_view text) {
    std::ofstream out(p, std::ios::binary);
    out.write(text.data(), std::streamsize(text.size()));
}
inline std::vector<std::uint8_t> randomBytes(std::size_t n, unsigned seed) {
    std::mt19937 rng(seed);
    std::vector<std::uint8_t> v(n);
    for (auto &b : v) b = std::uint8_t(rng());
    return v;
}
inline std::span<const std::uint8_t> bytesOf(std::string_view s) {
    return {reinterpret_cast<const std::uint8_t *>(s.data()), s.size()};
}
// Lines without their LF or CR LF.
inline std::vector<std::string> splitLines(const std::string &text) {
    std::vector<std::string> out;
    std::size_t pos = 0;
    while (pos < text.size()) {
        auto nl = text.find('\n', pos);
        if (nl == std::string::npos) nl = text.size();
        std::string line = text.substr(pos, nl - pos);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        out.push_back(line);
        pos = nl + 1;
    }
    return out;
}

}  // namespace vantor::test
