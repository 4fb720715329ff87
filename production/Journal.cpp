#include "production/Journal.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include "core/Profile.h"
#include "production/Connection.h"

namespace vantor::production {

namespace {

std::uint32_t crc32(const std::string &text) {
    std::uint32_t crc = 0xFFFFFFFFu;
    for (unsigned char c : text) {
        crc ^= c;
        for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

std::string journalLine(const LineRecord &record) {
    const std::string json = toJson(record).dump();
    char crc[16];
    std::snprintf(crc, sizeof crc, "%08x ", crc32(json));
    return crc + json + "\n";
}

std::string systemError(const std::string &what, const std::filesystem::path &file) {
    return "journal " + file.string() + ": cannot " + what + ": " + std::strerror(errno);
}

// An open journal holding its lock until closed.
class LockedFile {
public:
    LockedFile(const std::filesystem::path &file, int flags) : file_(file) {
        std::error_code ec;
        std::filesystem::create_directories(file.parent_path(), ec);
        fd_ = ::open(file.c_str(), flags | O_CREAT | O_CLOEXEC, 0600);
        if (fd_ < 0) throw ProductionError(systemError("open", file));
        if (::flock(fd_, LOCK_EX) != 0) {
            ::close(fd_);
            throw ProductionError(systemError("lock", file));
        }
    }
    ~LockedFile() { ::close(fd_); }
    int fd() const { return fd_; }
    void writeAll(const std::string &bytes) const {
        for (std::size_t done = 0; done < bytes.size();) {
            const ssize_t n = ::write(fd_, bytes.data() + done, bytes.size() - done);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) throw ProductionError(systemError("write", file_));
            done += std::size_t(n);
        }
        if (::fsync(fd_) != 0) throw ProductionError(systemError("sync", file_));
    }
    std::string readAll() const {
        std::string bytes;
        char block[65536];
        ::lseek(fd_, 0, SEEK_SET);
        for (;;) {
            const ssize_t n = ::read(fd_, block, sizeof block);
            if (n < 0 && errno == EINTR) continue;
            if (n < 0) throw ProductionError(systemError("read", file_));
            if (n == 0) return bytes;
            bytes.append(block, std::size_t(n));
        }
    }

private:
    std::filesystem::path file_;
    int fd_;
};

struct Parsed {
    std::vector<LineRecord> records;
    std::vector<std::string> damagedLines;
};

Parsed parse(const std::string &bytes) {
    Parsed parsed;
    std::size_t at = 0;
    while (at < bytes.size()) {
        const std::size_t end = bytes.find('\n', at);
        const bool torn = end == std::string::npos;  // a write the crash cut short
        const std::string line = bytes.substr(at, torn ? std::string::npos : end - at);
        at = torn ? bytes.size() : end + 1;
        if (line.empty()) continue;
        bool intact = !torn && line.size() > 9 && line[8] == ' ';
        if (intact) {
            const std::string json = line.substr(9);
            char crc[16];
            std::snprintf(crc, sizeof crc, "%08x", crc32(json));
            intact = line.compare(0, 8, crc) == 0;
            if (intact) {
                try {
                    parsed.records.push_back(recordFromJson(nlohmann::json::parse(json)));
                } catch (const std::exception &) {
                    intact = false;
                }
            }
        }
        if (!intact) parsed.damagedLines.push_back(line);
    }
    return parsed;
}

}  // namespace

std::filesystem::path journalDirectory() {
    const std::filesystem::path settings = userSettingsPath();
    if (settings.empty()) throw ProductionError("no settings folder for the production journal (HOME is not set)");
    return settings.parent_path() / "production-journal";
}

std::vector<std::filesystem::path> journalFiles() {
    std::vector<std::filesystem::path> files;
    std::error_code ec;
    for (const auto &entry : std::filesystem::directory_iterator(journalDirectory(), ec))
        if (entry.is_regular_file() && entry.path().extension() == ".journal") files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    return files;
}

Journal Journal::forStation(const std::string &station) {
    std::string name;
    for (char c : station) name += (std::isalnum(static_cast<unsigned char>(c)) || c == '-' || c == '_') ? c : '_';
    return Journal(journalDirectory() / (name + ".journal"));
}

void Journal::append(const LineRecord &record) const {
    LockedFile file(file_, O_WRONLY | O_APPEND);
    file.writeAll(journalLine(record));
}

int Journal::pending() const {
    if (!std::filesystem::exists(file_)) return 0;
    LockedFile file(file_, O_RDONLY);
    return int(parse(file.readAll()).records.size());
}

FlushSummary Journal::flush(const std::function<bool(const LineRecord &)> &write) const {
    FlushSummary summary;
    if (!std::filesystem::exists(file_)) return summary;
    LockedFile file(file_, O_RDWR);
    const Parsed parsed = parse(file.readAll());
    for (const auto &record : parsed.records) ++(write(record) ? summary.written : summary.alreadyThere);
    if (!parsed.damagedLines.empty()) {
        summary.damaged = int(parsed.damagedLines.size());
        summary.damagedFile = file_.string() + ".damaged";
        std::string kept;
        for (const auto &line : parsed.damagedLines) kept += line + "\n";
        LockedFile aside(summary.damagedFile, O_WRONLY | O_APPEND);
        aside.writeAll(kept);
    }
    if (::ftruncate(file.fd(), 0) != 0 || ::fsync(file.fd()) != 0) throw ProductionError(systemError("empty", file_));
    return summary;
}

}  // namespace vantor::production
