#pragma once
// An exclusive lock shared by every process that edits one file: taken on a companion file
// "<file>.flock" that is never replaced, so the lock survives the edited file being renamed
// over. Read-modify-write of a settings file holds it from the read to the write.
#include <filesystem>
#include <string>

namespace vantor {

class FileLock {
public:
    // Waits up to `timeoutMs` for the lock. locked() tells whether it was taken; error() why not.
    explicit FileLock(const std::filesystem::path &file, int timeoutMs = 30000);
    ~FileLock();
    FileLock(const FileLock &) = delete;
    FileLock &operator=(const FileLock &) = delete;

    bool locked() const { return fd_ >= 0; }
    const std::string &error() const { return error_; }
    static std::filesystem::path lockPathFor(const std::filesystem::path &file);

private:
    int fd_ = -1;
    std::string error_;
};

}  // namespace vantor
