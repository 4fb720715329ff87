#include "programmer/CUsbProgrammer.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "buffer/DataBuffer.h"
#include "core/LittleEndian.h"
#include "core/StringTable.h"
#include "devices/DeviceRecord.h"
#include "devices/DeviceTables.h"
#include "devices/MemoryLayout.h"

namespace vantor {

namespace {

struct AreaTexts {
    const char *single;
    const char *named;
};

constexpr AreaTexts kAreaTexts[4] = {
    {"Programming...", "Programming [%s]..."},
    {"Reading...", "Reading [%s]..."},
    {"Verifying...", "Verifying [%s]..."},
    {"Blank Checking...", "Blank Checking [%s]..."},
};

// Success text, command, failure text and direction of the single-shot commands.
struct SingleShot {
    int successId;
    std::uint8_t command;
    int failureId;
    bool read;
    bool lockBytes;  // sends lock_bytes instead of config_bytes
};

SingleShot singleShotOf(int op) {
    switch (op) {
    case kOpWriteFuse: return {sid::WriteFuseCompleted, 0x8F, sid::WriteFuseFailed, false, false};
    case kOpReadFuse: return {sid::ReadFuseCompleted, 0x90, sid::ReadFuseFailed, true, false};
    case kOpProtect: return {sid::ProtectCompleted, 0x8C, sid::WriteLockBitFailed, false, true};
    case kOpReadLock: return {sid::ReadLockBitsCompleted, 0x92, sid::ReadLockBitFailed, true, false};
    case kOpWriteConfig: return {sid::WriteConfigCompleted, 0x8D, sid::WriteConfigFailed, false, false};
    case kOpReadConfig: return {sid::ReadConfigCompleted, 0x8E, sid::ReadConfigFailed, true, false};
    case kOpErase: return {sid::EraseCompleted, 0x8B, sid::EraseFailed, false, false};
    case kOpProtect2: return {sid::ProtectCompleted, 0x8C, sid::ProtectFailed, false, true};
    default: return {0, 0, 0, false, false};
    }
}

int successIdOf(int op) {
    switch (op) {
    case kOpProgram: return sid::ProgramSuccessful;
    case kOpRead: return sid::ReadCompleted;
    case kOpVerify: return sid::VerifySuccessful;
    case kOpBlank: return sid::BlankCheckSuccessful;
    case kOpWriteCal: return sid::WriteCalByteSuccessfully;
    case kOpTest: return sid::TestSuccessful;
    default: return singleShotOf(op).successId;
    }
}

constexpr int kConfigBytes = 0;
constexpr int kLockBytes = 16;
constexpr int kCalAddress = 32;
constexpr int kCalIndex = 36;

}  // namespace

CUsbProgrammer::CUsbProgrammer() = default;

CUsbProgrammer::CUsbProgrammer(std::unique_ptr<UsbBackend> backend) : usb_(std::move(backend)) {}

CUsbProgrammer::~CUsbProgrammer() {
    // The workers use the transport; they must be gone before it is.
    shutdownWorkers();
    usb_.Close();
}

void CUsbProgrammer::Close() { usb_.Close(); }

bool CUsbProgrammer::EnsureOpen() {
    if (usb_.IsOpen()) {
        if (session_ == 0) session_ = usb_.session();
        return true;
    }
    if (!usb_.Open()) return false;
    session_ = usb_.session();
    return true;
}

// ---------------------------------------------------------------------------------------------
// Internal steps

bool CUsbProgrammer::quietCommand(CommandBlock &block, bool read) {
    return usb_.ControlTransfer(read ? UsbDirection::DeviceToHost : UsbDirection::HostToDevice, block.command,
                                block.value, block.index, block.data, block.length, session());
}

bool CUsbProgrammer::SendCommand(CommandBlock &block, bool read) {
    if (quietCommand(block, read)) return true;
    ShowMessage(sid::CommunicationError, colour::Red);
    return false;
}

bool CUsbProgrammer::ReadStatus(std::uint8_t &status) {
    CommandBlock block;
    block.command = 0x81;
    block.value = 1;
    block.length = 1;
    if (!SendCommand(block, true)) return false;
    status = block.data[0];
    return true;
}

int CUsbProgrammer::WaitStatus(std::uint8_t mask, int polls) {
    int counted = 0;
    for (;;) {
        std::uint8_t status = 0;
        if (!ReadStatus(status)) return kWaitCommError;
        if (status & mask) {
            if (!(mask & kStatusFinished)) return kWaitDone;
            return (status & kStatusSuccess) ? kWaitDone : kWaitFailed;
        }
        ++counted;
        clock().sleepMs(1);
        if (counted >= polls) return kWaitNoAnswer;
    }
}

// A short block is as bad as a lost one: the rest of it would be stale bytes.
bool CUsbProgrammer::WriteData(const std::uint8_t *data, int n) {
    int result = -1;
    return usb_.BulkWrite(kBulkOut, data, n, kBulkTimeoutMs, result, session()) && result == n;
}

bool CUsbProgrammer::ReadData(std::uint8_t *data, int n) {
    int result = -1;
    return usb_.BulkRead(kBulkIn, data, n, kBulkTimeoutMs, result, session()) && result == n;
}

// ---------------------------------------------------------------------------------------------
// Connect, device set-up

bool CUsbProgrammer::Connect(int &model) {
    if (!usb_.Open()) return false;
    session_ = usb_.session();
    std::fill(info_.begin(), info_.begin() + 32, 0);
    CommandBlock block;
    block.command = 0x80;
    bool ok = quietCommand(block, false) && ReadData(info_.data(), int(info_.size()));
    if (ok && model != -1 && info_[0] != model) ok = false;
    if (!ok) {
        // Do not keep a handle on something that is not the programmer we were asked for.
        usb_.Close();
        return false;
    }
    if (model == -1) model = info_[0];
    return true;
}

std::string CUsbProgrammer::FirmwareVersionText() const {
    char text[32];
    std::snprintf(text, sizeof text, "V%d.%d%d", info_[1], info_[2] >> 4, info_[2] & 0xF);
    return text;
}

std::string CUsbProgrammer::SerialNumberText() const {
    char text[48];
    std::snprintf(text, sizeof text, "%d%d%d%d%d%d%d%d", info_[5] >> 4, info_[5] & 0xF, info_[6] >> 4,
                  info_[6] & 0xF, info_[7] >> 4, info_[7] & 0xF, info_[8] >> 4, info_[8] & 0xF);
    return text;
}

bool CUsbProgrammer::InitDevice() {
    if (!device) return false;
    CommandBlock block;
    block.command = 0x82;
    const std::string_view name(device->device_name, strnlen(device->device_name, sizeof device->device_name));
    block.value = name.find("@ISP") != std::string_view::npos ? 1 : 0;
    block.index = std::uint16_t(device->algorithm << 8);
    block.length = 16;
    std::memcpy(block.data, device->program_params, 7);
    block.data[7] = std::uint8_t(device->read_page_size);
    block.data[8] = std::uint8_t(device->read_page_size >> 8);
    block.data[9] = std::uint8_t(device->program_page_size);
    block.data[10] = std::uint8_t(device->program_page_size >> 8);
    block.data[11] = 4;
    if (!SendCommand(block, false)) return false;
    const int r = WaitStatus(kStatusFinished, 500);
    if (r == kWaitDone) return true;
    if (r == kWaitFailed) ShowMessage(sid::InitDeviceFailure, colour::Red, true);
    return false;
}

bool CUsbProgrammer::ReadDeviceId(std::uint8_t out[4]) {
    CommandBlock block;
    block.command = 0x84;
    if (!SendCommand(block, false)) return false;
    if (WaitStatus(kStatusReady, 100) != kWaitDone) return false;
    return ReadData(out, 4);
}

bool CUsbProgrammer::ReleaseDevice() {
    CommandBlock block;
    block.command = 0x83;
    if (!SendCommand(block, false)) return false;
    return WaitStatus(kStatusFinished, 100) == kWaitDone;
}

// ---------------------------------------------------------------------------------------------
// Operations

bool CUsbProgrammer::Execute(int op) {
    const int successId = successIdOf(op);
    if (successId) statusText.assign(loadString(successId));
    bool r = false;
    switch (op) {
    case kOpProgram:
    case kOpRead:
    case kOpVerify:
    case kOpBlank: r = areaLoop(op); break;
    case kOpWriteCal: r = writeCalByte(); break;
    case kOpTest: r = true; break;
    case kOpReadCal:
    case kOpBootLock: return false;  // this programmer has no such command
    default:
        if (singleShotOf(op).command == 0) return false;
        r = singleShot(op);
        break;
    }
    if (r && successId) ShowMessage(successId, colour::Blue);
    return r;
}

std::int64_t CUsbProgrammer::ProgramLastOffset(const DeviceRecord &device, const DataBuffer &buffer, int area,
                                               bool ignoreFF) {
    const MemoryArea &a = device.memory_areas[area];
    if (a.size_bytes == 0) return -1;
    const std::int64_t lastOfArea = std::int64_t(a.size_bytes) - 1;
    if (!ignoreFF || !(device.option_flags & kOptionIgnoreFF)) return lastOfArea;
    const std::uint32_t start = a.buffer_start;
    const std::uint32_t end = std::uint32_t(std::min<std::uint64_t>(std::uint64_t(start) + a.size_bytes, DataBuffer::kSize));
    std::uint32_t e = start;
    for (std::uint32_t addr = end; addr > start; --addr)
        if (buffer[addr - 1] != 0xFF) {
            e = addr;
            break;
        }
    if (e == start) return -1;  // nothing but 0xFF: nothing to program
    std::int64_t last;
    if (area == 0 && device.program_page_size != 0) {
        const std::uint64_t page = device.program_page_size;
        const std::uint64_t rounded = (std::uint64_t(e) + page - 1) / page * page;
        last = std::int64_t(rounded) - 1 - start;
    } else {
        last = std::int64_t(e) - start;
    }
    // Rounding may run past the area; the chip has nothing there.
    return std::min(last, lastOfArea);
}

bool CUsbProgrammer::areaLoop(int op) {
    if (!device || !buffer || !options) return false;
    const bool multi = device->area_count > 1;
    const std::uint8_t mask = std::uint8_t(options->areaMask);
    const bool wordDevice = device->data_width % 8 != 0;
    // A 12-bit word's high byte holds 4 bits: an erased one reads 0x0F, not 0x3F.
    const std::uint8_t highMask = device->wordHighMask();
    std::uint8_t scratch[kBlockSize];

    for (int i = 0; i < 4; ++i) {
        const MemoryArea &area = device->memory_areas[i];
        if (area.size_bytes == 0) break;
        if (multi && !(mask & (i == 0 ? 1 : 2))) continue;
        const std::uint32_t start = area.buffer_start;
        const std::uint32_t size = area.size_bytes;
        // A record that reaches past the buffer would make the blocks run off its end.
        if (start >= DataBuffer::kSize || size > DataBuffer::kSize - start) return false;

        std::int64_t last = size - 1;
        if (op == kOpProgram) last = ProgramLastOffset(*device, *buffer, i, options->IngoreFFH != 0);

        if (multi) {
            char text[160];
            std::snprintf(text, sizeof text, kAreaTexts[op].named, AreaName(*device, i).c_str());
            ShowStatus(std::string_view(text));
        } else {
            ShowStatus(std::string_view(kAreaTexts[op].single));
        }
        const int range = op == kOpProgram ? int(std::max<std::int64_t>(last, 0) / 256)
                          : op == kOpVerify ? int((size - 1) / 256)
                                            : int(size / 256);
        SetProgressRange(range);

        CommandBlock begin;
        begin.command = op == kOpProgram ? 0x85 : 0x86;
        begin.value = i == 0 ? 0 : 0x8000;
        if (!SendCommand(begin, false)) return false;
        const int b = WaitStatus(kStatusFinished, 100);
        if (b != kWaitDone) {
            if (op == kOpVerify && b == kWaitCommError) ShowMessage(sid::CommunicationError, colour::Red);
            return false;
        }

        for (std::int64_t pos = 0; pos <= last;) {
            const int n = int(std::min<std::int64_t>(last + 1 - pos, kBlockSize));
            std::uint8_t *mem = buffer->data() + start + pos;
            CommandBlock block;
            block.command = op == kOpProgram ? 0x88 : 0x89;
            block.value = std::uint16_t(n);
            block.index = std::uint16_t(i);
            block.length = 4;
            le::store32(block.data, std::uint32_t(pos));
            if (!SendCommand(block, false)) return false;

            if (op == kOpProgram) {
                WriteData(mem, n);  // a lost block shows as a failed wait
                const int w = WaitStatus(kStatusFinished, 3000);
                if (w == kWaitCommError) {
                    ShowMessage(sid::CommunicationError, colour::Red);
                    return false;
                }
                if (w != kWaitDone) {
                    ShowMessage(sid::ProgramFailed, colour::Red);
                    errorShown = true;
                    return false;
                }
            } else if (op == kOpRead) {
                const int w = WaitStatus(kStatusReady, 500);
                if (w == kWaitCommError) {
                    ShowMessage(sid::CommunicationError, colour::Red);
                    return false;
                }
                if (w != kWaitDone) {
                    ShowMessage(sid::ReadFailed, colour::Red);
                    errorShown = true;
                    return false;
                }
                if (!ReadData(mem, n)) {
                    ShowMessage(sid::CommunicationError, colour::Red);
                    return false;
                }
            } else if (op == kOpVerify) {
                const int w = WaitStatus(kStatusReady, 100);
                if (w == kWaitCommError) ShowMessage(sid::CommunicationError, colour::Red);
                if (w != kWaitDone) return false;
                if (!ReadData(scratch, n)) {
                    ShowMessage(sid::CommunicationError, colour::Red);
                    return false;
                }
                for (int k = 0; k < n; ++k) {
                    const bool highByte = wordDevice && ((pos + k) & 1);
                    const std::uint8_t m = highByte ? highMask : 0xFF;
                    if ((scratch[k] & m) == (mem[k] & m)) continue;
                    char text[128];
                    std::snprintf(text, sizeof text, "Verify Failed.  Addr: 0x%X  Device: 0x%2.2X  Buffer: 0x%2.2X",
                                  unsigned(start + pos + k), scratch[k], mem[k]);
                    ShowMessage(std::string_view(text), colour::Red, true);
                    errorShown = true;
                    return false;
                }
            } else {  // blank check
                if (WaitStatus(kStatusReady, 200) != kWaitDone) {
                    errorShown = true;
                    return false;
                }
                if (!ReadData(scratch, n)) {
                    ShowMessage(sid::CommunicationError, colour::Red);
                    return false;
                }
                for (int k = 0; k < n; ++k) {
                    const std::uint8_t blank = wordDevice && ((pos + k) & 1) ? highMask : 0xFF;
                    if (scratch[k] == blank) continue;
                    char text[128];
                    std::snprintf(text, sizeof text, "Blank check failed   Addr. 0x%X    Chip contect: 0x%2.2X\n",
                                  unsigned(start + pos + k), scratch[k]);
                    ShowMessage(std::string_view(text), colour::Red, true);
                    errorShown = true;
                    return false;
                }
            }
            if (isCancelled()) return false;
            pos += n;
            StepProgress();
        }
    }
    return true;
}

bool CUsbProgrammer::singleShot(int op) {
    if (!device) return false;
    const SingleShot s = singleShotOf(op);
    SetProgressRange(1);
    CommandBlock block;
    block.command = s.command;
    block.value = op == kOpErase ? 0 : 16;
    if (!SendCommand(block, false)) return false;
    int w;
    std::uint8_t bytes[16];
    if (op == kOpErase) {
        w = WaitStatus(kStatusFinished, 500);
    } else if (!s.read) {
        std::memcpy(bytes, device->config_data + (s.lockBytes ? kLockBytes : kConfigBytes), 16);
        if (!WriteData(bytes, 16)) {
            ShowMessage(sid::CommunicationError, colour::Red);
            return false;
        }
        w = WaitStatus(kStatusFinished, 100);
    } else {
        w = WaitStatus(kStatusReady, 100);
        if (w == kWaitDone && !ReadData(bytes, 16)) w = kWaitCommError;
        if (w == kWaitDone) {
            std::memcpy(readBack_.data(), bytes, 16);
            // The read bytes become the device's configuration bytes.
            std::memcpy(device->config_data + kConfigBytes, bytes, 16);
        }
    }
    if (w != kWaitDone) {
        ShowMessage(s.failureId, colour::Red, true);
        errorShown = true;
        return false;
    }
    StepProgress();
    return true;
}

bool CUsbProgrammer::writeCalByte() {
    if (!device) return false;
    SetProgressRange(1);
    const std::uint32_t calAddress = le::load32(device->config_data + kCalAddress);
    std::uint32_t address = calAddress;
    CommandBlock block;
    block.command = 0x93;
    block.index = device->config_data[kCalIndex];
    if (address >= device->memory_areas[0].size_bytes) {
        address -= device->memory_areas[0].size_bytes;
        block.value = 1;
    }
    block.length = 4;
    le::store32(block.data, address);
    // A failure used to end the run without a word; say where the byte was to go, since a
    // place the program already uses is the usual cause.
    char failed[96];
    std::snprintf(failed, sizeof failed, "Write Cal. Byte failed  Addr: 0x%X", unsigned(calAddress));
    if (address >= device->memory_areas[block.value].size_bytes) {
        ShowMessage(std::string_view(failed), colour::Red, true);
        errorShown = true;
        return false;
    }
    if (!SendCommand(block, false)) return false;
    const int w = WaitStatus(kStatusFinished, 100);
    if (w == kWaitCommError) {
        ShowMessage(sid::CommunicationError, colour::Red);
        return false;
    }
    if (w != kWaitDone) {
        ShowMessage(std::string_view(failed), colour::Red, true);
        errorShown = true;
        return false;
    }
    StepProgress();
    return true;
}

}  // namespace vantor
