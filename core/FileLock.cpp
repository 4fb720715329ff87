#include "core/FileLock.h"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <thread>

#if defined(_WIN32)
#include <fcntl.h>
#include <io.h>
#include <sys/locking.h>
#else
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace vantor {

std::filesystem::path FileLock::lockPathFor(const std::filesystem::path &file) {
    std::filesystem::path lock = file;
    lock += ".flock";
    return lock;
}

FileLock::FileLock(const std::filesystem::path &file, int timeoutMs) {
    const std::filesystem::path path = lockPathFor(file);
#if defined(_WIN32)
    fd_ = ::_open(path.string().c_str(), _O_RDWR | _O_CREAT, 0644);
#else
    // Non-blocking open: a FIFO planted under the lock's name must not hang us.
    fd_ = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NONBLOCK, 0644);
#endif
    if (fd_ < 0) {
        error_ = "cannot open the lock file " + path.string() + ": " + std::strerror(errno);
        return;
    }
#if !defined(_WIN32)
    struct stat st {};
    if (::fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode)) {
        error_ = "the lock file " + path.string() + " is not a regular file";
        ::close(fd_);
        fd_ = -1;
        return;
    }
#endif
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
#if defined(_WIN32)
        const bool taken = ::_locking(fd_, _LK_NBLCK, 1) == 0;
#else
        const bool taken = ::flock(fd_, LOCK_EX | LOCK_NB) == 0;
#endif
        if (taken) return;
        if (errno != EWOULDBLOCK && errno != EAGAIN && errno != EACCES && errno != EINTR) {
            error_ = "cannot lock " + path.string() + ": " + std::strerror(errno);
            break;
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            error_ = "another program holds " + path.string() + " locked";
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
#if defined(_WIN32)
    ::_close(fd_);
#else
    ::close(fd_);
#endif
    fd_ = -1;
}

FileLock::~FileLock() {
    if (fd_ < 0) return;
        // Closing the descriptor releases the lock.
#if defined(_WIN32)
    ::_locking(fd_, _LK_UNLCK, 1);
    ::_close(fd_);
#else
    ::close(fd_);
#endif
}

}  // namespace vantor
