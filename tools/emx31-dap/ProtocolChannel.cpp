#include "tools/emx31-dap/ProtocolChannel.h"

#include <cctype>
#include <cstdlib>

namespace vantor::dap {

namespace {
constexpr std::size_t kMaxMessage = 16u << 20;
}

std::optional<nlohmann::json> ProtocolChannel::read() {
    for (;;) {
        std::size_t length = 0;
        bool haveLength = false;
        // Header lines up to the empty one.
        for (;;) {
            std::string line;
            int c;
            while ((c = std::fgetc(in_)) != EOF && c != '\n') line.push_back(char(c));
            if (c == EOF) return std::nullopt;
            if (!line.empty() && line.back() == '\r') line.pop_back();
            if (line.empty()) {
                if (haveLength) break;
                continue;  // stray blank lines between messages
            }
            static const std::string kLength = "content-length:";
            std::string lower = line.substr(0, kLength.size());
            for (char &ch : lower) ch = char(std::tolower(static_cast<unsigned char>(ch)));
            if (lower == kLength) {
                char *end = nullptr;
                const unsigned long long n = std::strtoull(line.c_str() + kLength.size(), &end, 10);
                haveLength = n > 0 && n <= kMaxMessage;
                length = std::size_t(n);
            }
        }
        std::string body(length, '\0');
        if (std::fread(body.data(), 1, length, in_) != length) return std::nullopt;
        try {
            return nlohmann::json::parse(body);
        } catch (const nlohmann::json::exception &e) {
            return nlohmann::json(std::string("malformed message ignored: ") + e.what());
        }
    }
}

void ProtocolChannel::write(const nlohmann::json &message) {
    const std::string body = message.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
    std::lock_guard lock(writing_);
    std::fprintf(out_, "Content-Length: %zu\r\n\r\n", body.size());
    std::fwrite(body.data(), 1, body.size(), out_);
    std::fflush(out_);
}

}  // namespace vantor::dap
