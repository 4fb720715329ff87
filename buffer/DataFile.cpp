#include "buffer/DataFile.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <system_error>
#include <vector>

#include "buffer/formats/Binary.h"
#include "buffer/formats/ExtendedTektronix.h"
#include "buffer/formats/IntelHex.h"
#include "buffer/formats/MotorolaS.h"
#include "buffer/formats/Tektronix.h"
#include "core/LargeBlock.h"
#include "core/SafeFile.h"
#include "core/StringIds.h"
#include "core/StringTable.h"

namespace vantor {

namespace fs = std::filesystem;
using namespace formats;

namespace {

FileFormat formatFromExtension(const fs::path &path, bool forSave) {
    const std::string name = path.filename().string();
    const auto dot = name.rfind('.');
    if (dot == std::string::npos) return FileFormat::Binary;
    std::string ext = name.substr(dot + 1);
    for (char &c : ext)
        if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
    if (ext == "BIN") return FileFormat::Binary;
    if (ext == "HEX") return FileFormat::IntelHex;
    if (ext == "TEK") return FileFormat::Tektronix;
    if (ext == "S" || ext == "S19" || ext == "S28" || ext == "S37" || ext == "SREC") return FileFormat::Motorola;
    if (ext == "XTEK") return FileFormat::ExtTektronix;
    if (ext == "POF" && forSave) return FileFormat::Pof;
    return FileFormat::Binary;
}

bool usable(FileFormat f) { return unsigned(f) <= unsigned(FileFormat::ExtTektronix); }

struct FileCloser {
    void operator()(std::FILE *f) const { std::fclose(f); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

FilePtr openFile(const fs::path &path, const char *mode) {
#ifdef _WIN32
    std::wstring wmode(mode, mode + std::strlen(mode));
    return FilePtr(_wfopen(path.c_str(), wmode.c_str()));
#else
    return FilePtr(std::fopen(path.c_str(), mode));
#endif
}

bool seekTo(std::FILE *f, std::uint64_t offset) {
#ifdef _WIN32
    return _fseeki64(f, static_cast<__int64>(offset), SEEK_SET) == 0;
#else
    return fseeko(f, static_cast<off_t>(offset), SEEK_SET) == 0;
#endif
}

using FileBytes = std::vector<std::uint8_t, LargeBlockAllocator<std::uint8_t>>;

// Reads from offset to the end of the file, at most limit bytes; `error` says why it could not.
bool readFile(const fs::path &path, std::uint64_t offset, std::uint64_t limit, FileBytes &out, std::error_code &error) {
    out.clear();
    errno = 0;
    FilePtr f = openFile(path, "rb");
    if (!f) {
        error = std::error_code(errno ? errno : EIO, std::generic_category());
        return false;
    }
    std::error_code ec;
    const std::uint64_t size = fs::file_size(path, ec);
    if (!ec && offset >= size) return true;
    if (offset > 0 && !seekTo(f.get(), offset)) {
        error = std::make_error_code(std::errc::io_error);
        return false;
    }
    // The size is only a hint: the file may change while it is read.
    std::size_t chunk = ec ? std::size_t(1) << 16 : std::size_t(std::min(size - offset, limit)) + 1;
    std::size_t used = 0;
    while (used < limit) {
        chunk = std::size_t(std::min<std::uint64_t>(chunk, limit - used));
        out.resize(used + chunk);
        const std::size_t got = std::fread(out.data() + used, 1, chunk, f.get());
        used += got;
        if (got < chunk) break;
        chunk = std::size_t(1) << 16;
    }
    out.resize(used);
    if (!std::ferror(f.get())) return true;
    error = std::make_error_code(std::errc::io_error);
    return false;
}

// The system's reason a data file cannot be read, in red before "Load File Failed".
void reportUnreadable(InfoSink &sink, const fs::path &path, const std::string &reason) {
    report(sink, path.string() + ": " + reason + "\n", msg::Red);
}

std::string hexText(std::uint64_t v) {
    char text[24];
    std::snprintf(text, sizeof text, "%llXH", static_cast<unsigned long long>(v));
    return text;
}

}  // namespace

FileFormat formatForLoad(const fs::path &path) { return formatFromExtension(path, false); }
FileFormat formatForSave(const fs::path &path) { return formatFromExtension(path, true); }

std::string_view formatName(FileFormat format) {
    switch (format) {
    case FileFormat::Binary: return "Binary\n";
    case FileFormat::IntelHex: return "IntelHEX\n";
    case FileFormat::Motorola: return "Motorola\n";
    case FileFormat::Tektronix: return "Tektronix\n";
    case FileFormat::ExtTektronix: return "Ext. Tektronix\n";
    default: return {};
    }
}

std::string_view formatComboName(FileFormat format) {
    switch (format) {
    case FileFormat::Binary: return "Binary";
    case FileFormat::IntelHex: return "Intel Hex";
    case FileFormat::Motorola: return "Motorola";
    case FileFormat::Tektronix: return "Tektronix";
    case FileFormat::ExtTektronix: return "Extend Tektronix";
    default: return {};
    }
}

LoadResult loadDataFile(const fs::path &path, DataBuffer &buffer, const LoadSettings &settings, InfoSink &sink,
                        Prompt *prompt) {
    LoadResult result;
    std::error_code ec;
    const fs::file_status status = fs::status(path, ec);
    if (!ec) result.modified = fs::last_write_time(path, ec);
    // Devices and pipes are refused: a text reader would never see their end.
    if (ec || !fs::is_regular_file(status)) {
        reportUnreadable(sink, path,
                         ec                         ? ec.message()
                         : fs::is_directory(status) ? std::make_error_code(std::errc::is_a_directory).message()
                                                    : std::string("not a regular file"));
        report(sink, loadString(sid::LoadFileFailed), msg::Red);
        result.status = LoadStatus::CannotRead;
        return result;
    }
    report(sink, std::string(loadString(sid::FileFormatLabel)) + std::string(formatName(settings.format)), msg::Black);
    if (!usable(settings.format)) {
        report(sink, loadString(sid::LoadFileFailed), msg::Red);
        result.status = LoadStatus::BadFormat;
        return result;
    }

    const std::uint64_t bufferStart = std::min<std::uint64_t>(settings.loadBufferStart, DataBuffer::kSize);
    const std::uint64_t room = std::min<std::uint64_t>(settings.room, DataBuffer::kSize - bufferStart);
    FileBytes file;
    std::error_code readError;
    bool ok;
    bool readable;
    bool tooLarge = false;
    const auto noteWritten = [&](const LoadTarget &target) {
        if (!target.wroteAny()) return;
        result.wroteData = true;
        result.lowestAddress = std::uint32_t(bufferStart + target.lowOffset());
        result.endAddress = std::uint32_t(bufferStart + target.endOffset());
    };
    if (settings.format == FileFormat::Binary) {
        // Only the part that can land (and one byte more, to notice what cannot) is read.
        LoadTarget target(buffer.data() + bufferStart, room, 0);
        readable = readFile(path, settings.loadFileStart, room + 1, file, readError);
        ok = readable && Binary::read(file, target, sink);
        noteWritten(target);
    } else {
        LoadTarget target(buffer.data() + bufferStart, room, settings.loadFileStart);
        // A text file is parsed from memory: one beyond any sensible image is refused unread.
        std::error_code sizeError;
        const std::uint64_t size = fs::file_size(path, sizeError);
        readable = (!sizeError && size > kMaxTextFileSize) || readFile(path, 0, kMaxTextFileSize + 1, file, readError);
        ok = false;
        tooLarge = readable && ((!sizeError && size > kMaxTextFileSize) || file.size() > kMaxTextFileSize);
        if (tooLarge) {
            report(sink,
                   path.string() + ": a text data file may be at most " + std::to_string(kMaxTextFileSize >> 20) +
                       " MiB\n",
                   msg::Red);
            file.clear();
        } else if (readable) {
            switch (settings.format) {
            case FileFormat::IntelHex: ok = IntelHex::read(file, target, sink, prompt); break;
            case FileFormat::Motorola: ok = MotorolaS::read(file, target, sink); break;
            case FileFormat::Tektronix: ok = Tektronix::read(file, target, sink); break;
            default: ok = ExtendedTektronix::read(file, target, sink); break;
            }
        }
        noteWritten(target);
    }
    if (ok && !result.wroteData)
        report(sink, "Warning: No data has been loaded into the device's range\r\n", msg::PaleGreen);
    if (ok) {
        report(sink, loadString(sid::LoadFileSuccessful), msg::Green);
        result.status = LoadStatus::Ok;
    } else {
        if (!readable) reportUnreadable(sink, path, readError.message());
        report(sink, loadString(sid::LoadFileFailed), msg::Red);
        // A file too large to read is bad input like one that cannot be read, not bad data.
        result.status = readable && !tooLarge ? LoadStatus::BadData : LoadStatus::CannotRead;
    }
    return result;
}

LoadResult loadFile(const fs::path &path, DataBuffer &buffer, const LoadSettings &settings, InfoSink &sink,
                    Prompt *prompt) {
    buffer.applyUnusedByteFill(settings.unusedByteMode);
    sink.appendLine(withText(loadString(sid::LoadFileFormat), path.string()), msg::Black, true);
    return loadDataFile(path, buffer, settings, sink, prompt);
}

SaveStatus saveDataFile(const fs::path &path, const DataBuffer &buffer, const SaveSettings &settings, InfoSink &sink) {
    const auto finish = [&](SaveStatus status) {
        report(sink, std::string(loadString(sid::FileFormatLabel)) + std::string(formatName(settings.format)),
               msg::Black);
        if (status == SaveStatus::Ok)
            // The stored text has no line end; without one the next line would run into it.
            report(sink, std::string(loadString(sid::SaveFileSuccessful)) + "\n", msg::Green);
        else report(sink, loadString(sid::SaveFileFailed), msg::Red);
        return status;
    };
    if (!usable(settings.format)) return finish(SaveStatus::BadFormat);
    const std::uint64_t end = std::uint64_t(settings.saveStart) + settings.saveSize;
    if (end > DataBuffer::kSize) {
        report(sink,
               "The save range " + hexText(settings.saveStart) + " + " + hexText(settings.saveSize) +
                   " passes the end of the buffer (" + hexText(DataBuffer::kSize) + ")\n",
               msg::Red);
        return finish(SaveStatus::RangeRefused);
    }
    const std::span<const std::uint8_t> source(buffer.data() + settings.saveStart, settings.saveSize);
    std::string text;
    std::string_view bytes;
    switch (settings.format) {
    case FileFormat::Binary:
        bytes = std::string_view(reinterpret_cast<const char *>(source.data()), source.size());
        break;
    case FileFormat::IntelHex: IntelHex::write(source, text); break;
    case FileFormat::Motorola: MotorolaS::write(source, text); break;
    case FileFormat::Tektronix:
        if (!Tektronix::write(source, text)) return finish(SaveStatus::WriterRefused);
        break;
    default: ExtendedTektronix::write(source, text); break;
    }
    if (settings.format != FileFormat::Binary) bytes = text;
    const ReplaceResult written = replaceFile(path, bytes);
    if (!written) {
        if (!written.opened && (settings.format == FileFormat::Motorola || settings.format == FileFormat::Tektronix))
            report(sink, msg::FailedToOpen, msg::Black);
        report(sink, written.error + "\n", msg::Red);
        return finish(SaveStatus::CannotWrite);
    }
    return finish(SaveStatus::Ok);
}

SaveStatus saveFile(const fs::path &path, const DataBuffer &buffer, const SaveSettings &settings, InfoSink &sink) {
    sink.appendLine(withText(loadString(sid::SaveFileFormat), path.string()), msg::Black, true);
    return saveDataFile(path, buffer, settings, sink);
}

}  // namespace vantor
