// Writes the result sounds: a short rising two-note chime for success, a low falling
// double buzz for failure. 16-bit mono PCM WAV at 22050 Hz.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr int kRate = 22050;
constexpr double kPi = 3.14159265358979323846;

struct Note {
    double hz;
    double seconds;
    double harmonics;  // share of the second and third harmonic (brightness)
};

void appendNote(std::vector<std::int16_t> &out, const Note &n) {
    const int count = int(n.seconds * kRate);
    for (int i = 0; i < count; ++i) {
        const double t = double(i) / kRate;
        const double attack = std::min(1.0, t / 0.008);
        const double decay = std::exp(-3.5 * t / n.seconds);
        const double release = std::min(1.0, (n.seconds - t) / 0.01);
        double v = std::sin(2 * kPi * n.hz * t) + n.harmonics * 0.5 * std::sin(4 * kPi * n.hz * t) +
                   n.harmonics * 0.25 * std::sin(6 * kPi * n.hz * t);
        v /= 1.0 + n.harmonics * 0.75;
        out.push_back(std::int16_t(v * attack * decay * release * 0.6 * 32767));
    }
}

void put32(std::FILE *f, std::uint32_t v) {
    const unsigned char b[4] = {std::uint8_t(v), std::uint8_t(v >> 8), std::uint8_t(v >> 16), std::uint8_t(v >> 24)};
    std::fwrite(b, 1, 4, f);
}

void put16(std::FILE *f, std::uint16_t v) {
    const unsigned char b[2] = {std::uint8_t(v), std::uint8_t(v >> 8)};
    std::fwrite(b, 1, 2, f);
}

bool writeWav(const std::string &path, const std::vector<std::int16_t> &samples) {
    std::FILE *f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    const std::uint32_t dataBytes = std::uint32_t(samples.size() * 2);
    std::fwrite("RIFF", 1, 4, f);
    put32(f, 36 + dataBytes);
    std::fwrite("WAVEfmt ", 1, 8, f);
    put32(f, 16);
    put16(f, 1);
    put16(f, 1);
    put32(f, kRate);
    put32(f, kRate * 2);
    put16(f, 2);
    put16(f, 16);
    std::fwrite("data", 1, 4, f);
    put32(f, dataBytes);
    for (std::int16_t s : samples) put16(f, std::uint16_t(s));
    return std::fclose(f) == 0;
}

}  // namespace

int main(int argc, char **argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: wavgen OK.wav FAIL.wav\n");
        return 2;
    }
    std::vector<std::int16_t> ok, fail;
    appendNote(ok, {880.0, 0.12, 0.2});   // A5
    appendNote(ok, {1318.5, 0.28, 0.2});  // E6
    appendNote(fail, {220.0, 0.16, 0.9});
    ok.insert(ok.end(), kRate / 50, 0);
    appendNote(fail, {174.6, 0.30, 0.9});
    if (!writeWav(argv[1], ok) || !writeWav(argv[2], fail)) {
        std::fprintf(stderr, "wavgen: cannot write the sound files\n");
        return 1;
    }
    return 0;
}
