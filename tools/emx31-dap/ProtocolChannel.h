#pragma once
#include <cstdio>
#include <mutex>
#include <optional>
#include <string>

#include <nlohmann/json.hpp>

namespace vantor::dap {

// Debug Adapter Protocol messages over a byte stream: "Content-Length: N\r\n\r\n" and N bytes of JSON.
class ProtocolChannel {
public:
    ProtocolChannel(std::FILE *in, std::FILE *out) : in_(in), out_(out) {}

    // The next message; none at the end of the input. A message that is not JSON comes back as
    // a string value holding the parse error, so the session can report it and go on.
    std::optional<nlohmann::json> read();
    // Thread-safe: events come from the run thread and the output reader as well.
    void write(const nlohmann::json &message);

private:
    std::FILE *in_;
    std::FILE *out_;
    std::mutex writing_;
};

}  // namespace vantor::dap
