#pragma once
#include <filesystem>
#include <string>
#include <string_view>

namespace vantor {

// What became of a replaceFile call.
struct ReplaceResult {
    bool ok = false;
    // False when nothing could be opened for writing at all (no temporary file, no device):
    // the data-file writers report that case as "cannot open".
    bool opened = false;
    // On failure: what failed and why, naming the file ("cannot create a temporary file
    // beside /x/y.hex: Permission denied").
    std::string error;
    explicit operator bool() const { return ok; }
};

// Puts bytes into the file at path so that a reader sees either the old contents or all of
// the new ones, never a mixture, and a failure leaves the old file as it was.
//
// - A symbolic link is followed: the file it points to is replaced, the link stays.
// - A regular file (or a missing one) is replaced by writing a temporary file opened
//   exclusively (O_EXCL, unique name) in the same directory, checking every write, the
//   flush, the sync and the close, giving it the old file's permissions (and owner, where
//   allowed), and renaming it over the target. The temporary file is removed on failure.
// - An existing file that is neither regular nor a directory (a FIFO, a terminal,
//   /dev/stdout, /dev/full) cannot be replaced: the bytes are written into it directly and
//   its write errors are reported.
// - A directory is refused.
ReplaceResult replaceFile(const std::filesystem::path &path, std::string_view bytes);

// Checks that everything written to standard output arrived (a full disk, a closed pipe,
// /dev/full). On a failure prints "<program>: cannot write to standard output: <reason>" to
// standard error and answers false. Call it once, before the program exits.
bool flushStandardOutput(const char *program);

}  // namespace vantor
