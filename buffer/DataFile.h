#pragma once
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "buffer/DataBuffer.h"
#include "core/InfoSink.h"
#include "core/Prompt.h"

namespace vantor {

// Numbers are stored with the load settings; 5 can only come from the extension rule.
enum class FileFormat : unsigned { Binary = 0, IntelHex = 1, Motorola = 2, Tektronix = 3, ExtTektronix = 4, Pof = 5 };

// The format an extension selects: the Load File dialog reads "POF" as Binary, the Save File
// command keeps it (and then cannot save).
FileFormat formatForLoad(const std::filesystem::path &path);
FileFormat formatForSave(const std::filesystem::path &path);
// Name shown after "File Format: ", with its line end; empty for a format that cannot be used.
std::string_view formatName(FileFormat format);
// Entries of the dialogs' "File Type" combo box, in number order.
std::string_view formatComboName(FileFormat format);

// The largest text data file a load reads. The 8 MiB buffer in Intel HEX takes about 23 MB;
// the rest is room for comments, short records and unusual line lengths.
inline constexpr std::uint64_t kMaxTextFileSize = std::uint64_t(64) << 20;

struct LoadSettings {
    FileFormat format = FileFormat::Binary;
    std::uint32_t loadFileStart = 0;    // file address (Binary: file offset) that lands at the buffer start
    std::uint32_t loadBufferStart = 0;  // buffer address of that byte
    UnusedByteMode unusedByteMode = UnusedByteMode::FillFF;
    // Bytes from loadBufferStart the load may fill (device top address less the buffer start);
    // never more than the buffer holds past loadBufferStart.
    std::uint32_t room = DataBuffer::kSize;
};

enum class LoadStatus {
    Ok,
    CannotRead,  // no such file, it cannot be opened or read, or it is too large to read
    BadData,     // the reader refused the contents
    BadFormat,   // a format number no reader exists for
};

struct LoadResult {
    LoadStatus status = LoadStatus::CannotRead;
    std::filesystem::file_time_type modified{};  // for reloading a file changed on disk
    bool wroteData = false;
    std::uint32_t lowestAddress = 0;  // buffer addresses of the first and one past the last byte written
    std::uint32_t endAddress = 0;
    bool ok() const { return status == LoadStatus::Ok; }
};

struct SaveSettings {
    std::uint32_t saveStart = 0;
    std::uint32_t saveSize = 0;
    FileFormat format = FileFormat::Binary;
};

enum class SaveStatus {
    Ok,
    CannotWrite,    // the file cannot be created, written or put in place
    RangeRefused,   // the range passes the end of the buffer
    WriterRefused,  // the format cannot hold the data (Tektronix above 64 KiB)
    BadFormat,
};

// The load driver: reads the file into buffer[loadBufferStart...], reporting through sink.
// It leaves the buffer's fill alone; loadFile does the whole Load File command.
LoadResult loadDataFile(const std::filesystem::path &path, DataBuffer &buffer, const LoadSettings &settings,
                        InfoSink &sink, Prompt *prompt = nullptr);
// The unused-byte fill, "Load File: <path>", then the load driver.
LoadResult loadFile(const std::filesystem::path &path, DataBuffer &buffer, const LoadSettings &settings, InfoSink &sink,
                    Prompt *prompt = nullptr);

// The save driver: writes [saveStart, saveStart + saveSize) of the buffer, addresses from 0.
// An existing file is replaced only by a completely written one.
SaveStatus saveDataFile(const std::filesystem::path &path, const DataBuffer &buffer, const SaveSettings &settings,
                        InfoSink &sink);
// "Save File: <path>", then the save driver.
SaveStatus saveFile(const std::filesystem::path &path, const DataBuffer &buffer, const SaveSettings &settings,
                    InfoSink &sink);

}  // namespace vantor
