#include "core/SafeFile.h"

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <process.h>
#include <sys/stat.h>
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace vantor {

namespace fs = std::filesystem;

namespace {

std::string reason(int error) { return std::strerror(error); }

// A name nobody else is likely to pick; O_EXCL makes sure nobody did.
std::string temporaryName(const fs::path &target) {
    static std::atomic<unsigned> counter{0};
    static const unsigned seed = std::random_device{}();
#ifdef _WIN32
    const long pid = long(_getpid());
#else
    const long pid = long(getpid());
#endif
    char suffix[64];
    std::snprintf(suffix, sizeof suffix, ".tmp%ld-%x-%u", pid, seed, counter++);
    return "." + target.filename().string() + suffix;
}

// Creates a new temporary file beside `target` with `open` (which answers a descriptor or -1
// with errno set) and tells where in `temp` and `dir`; -1 with r.error when none could be made.
template <typename Open>
int openTemporary(const fs::path &target, fs::path &dir, fs::path &temp, ReplaceResult &r, Open open) {
    dir = target.parent_path();
    if (dir.empty()) dir = ".";
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        temp = dir / temporaryName(target);
        fd = open(temp);
        if (fd < 0 && errno != EEXIST && errno != EINTR) break;
    }
    if (fd < 0) r.error = "cannot create a temporary file in " + dir.string() + ": " + reason(errno);
    else r.opened = true;
    return fd;
}

#ifndef _WIN32

bool writeAll(int fd, std::string_view bytes, int &error) {
    const char *p = bytes.data();
    std::size_t left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, p, left);
        if (n < 0) {
            if (errno == EINTR) continue;
            error = errno;
            return false;
        }
        if (n == 0) {
            error = ENOSPC;
            return false;
        }
        p += n;
        left -= std::size_t(n);
    }
    return true;
}

// The file a chain of symbolic links ends at, when that file does not exist yet.
fs::path danglingTarget(fs::path path) {
    for (int hops = 0; hops < 40; ++hops) {
        struct stat st;
        if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return path;
        char buf[PATH_MAX];
        const ssize_t n = ::readlink(path.c_str(), buf, sizeof buf - 1);
        if (n < 0) return path;
        const fs::path link(std::string(buf, std::size_t(n)));
        path = link.is_absolute() ? link : path.parent_path() / link;
    }
    return path;
}

ReplaceResult writeInto(const fs::path &path, std::string_view bytes) {
    ReplaceResult r;
    int fd;
    do fd = ::open(path.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC);
    while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        r.error = "cannot open " + path.string() + ": " + reason(errno);
        return r;
    }
    r.opened = true;
    int error = 0;
    bool ok = writeAll(fd, bytes, error);
    if (::close(fd) != 0 && ok) {
        ok = false;
        error = errno;
    }
    if (!ok) r.error = "cannot write " + path.string() + ": " + reason(error);
    r.ok = ok;
    return r;
}

#endif

}  // namespace

#ifndef _WIN32

ReplaceResult replaceFile(const fs::path &path, std::string_view bytes) {
    ReplaceResult r;
    fs::path target = path;
    struct stat old;
    bool existed = ::stat(path.c_str(), &old) == 0;
    if (existed) {
        if (S_ISDIR(old.st_mode)) {
            r.error = path.string() + " is a directory";
            return r;
        }
        if (!S_ISREG(old.st_mode)) return writeInto(path, bytes);
        // Replace the file the links end at, not the link.
        if (char *real = ::realpath(path.c_str(), nullptr)) {
            target = real;
            std::free(real);
        }
    } else if (errno == ENOENT) {
        target = danglingTarget(path);
    } else {
        r.error = "cannot reach " + path.string() + ": " + reason(errno);
        return r;
    }

    fs::path dir, temp;
    const int fd = openTemporary(target, dir, temp, r, [](const fs::path &name) {
        return ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOCTTY | O_CLOEXEC, 0666);
    });
    if (fd < 0) return r;
    int error = 0;
    bool ok = true;
    if (existed) {
        // Owner first: changing it may clear the set-id bits that the mode then restores.
        if (old.st_uid != ::geteuid() || old.st_gid != ::getegid()) (void)!::fchown(fd, old.st_uid, old.st_gid);
        if (::fchmod(fd, old.st_mode & 07777) != 0) {
            ok = false;
            error = errno;
        }
    }
    ok = ok && writeAll(fd, bytes, error);
    if (ok && ::fsync(fd) != 0) {
        ok = false;
        error = errno;
    }
    if (::close(fd) != 0 && ok) {
        ok = false;
        error = errno;
    }
    if (!ok) {
        r.error = "cannot write " + target.string() + ": " + reason(error);
    } else if (::rename(temp.c_str(), target.c_str()) != 0) {
        ok = false;
        r.error = "cannot replace " + target.string() + ": " + reason(errno);
    }
    if (!ok) {
        ::unlink(temp.c_str());
        return r;
    }
    // Make the rename itself durable; a directory that cannot be synced is no failure.
    const int dirFd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0) {
        (void)::fsync(dirFd);
        ::close(dirFd);
    }
    r.ok = true;
    return r;
}

#else

ReplaceResult replaceFile(const fs::path &path, std::string_view bytes) {
    ReplaceResult r;
    std::error_code ec;
    const fs::file_status status = fs::status(path, ec);
    if (!ec && fs::is_directory(status)) {
        r.error = path.string() + " is a directory";
        return r;
    }
    const fs::path target = !ec && fs::exists(status) ? fs::canonical(path, ec) : path;
    fs::path dir, temp;
    const int fd = openTemporary(target, dir, temp, r, [](const fs::path &name) {
        return _wopen(name.c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY, _S_IREAD | _S_IWRITE);
    });
    if (fd < 0) return r;
    bool ok = _write(fd, bytes.data(), unsigned(bytes.size())) == int(bytes.size()) && _commit(fd) == 0;
    const int error = errno;
    ok = _close(fd) == 0 && ok;
    if (!ok) r.error = "cannot write " + target.string() + ": " + reason(error);
    else if (!MoveFileExW(temp.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        ok = false;
        r.error = "cannot replace " + target.string();
    }
    if (!ok) {
        fs::remove(temp, ec);
        return r;
    }
    r.ok = true;
    return r;
}

#endif

bool flushStandardOutput(const char *program) {
    errno = 0;
    const bool failed = std::fflush(stdout) != 0 || std::ferror(stdout);
    if (!failed) return true;
    const int error = errno;
    std::fprintf(stderr, "%s: cannot write to standard output: %s\n", program,
                 error ? std::strerror(error) : "write error");
    return false;
}

}  // namespace vantor
