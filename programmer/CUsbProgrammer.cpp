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
#include "programmer/Operations.h"

namespace vantor {

namespace cmd = tr600::cmd;
namespace status = tr600::status;
namespace budget = tr600::budget;

namespace {

// What a wait that did not end well means, for failure texts.
std::string_view waitProblem(WaitResult r) {
    return r == WaitResult::Failed ? "the programmer reported a failure" : "the programmer did not answer";
}

template <typename... Args>
std::string format(const char *pattern, Args... args) {
    char text[256];
    std::snprintf(text, sizeof text, pattern, args...);
    return text;
}

}  // namespace

CUsbProgrammer::CUsbProgrammer() : channel_(usb_, tr600::kStatusRegister, tr600::kEndpoints) {}

CUsbProgrammer::CUsbProgrammer(std::unique_ptr<UsbBackend> backend)
    : usb_(std::move(backend)), channel_(usb_, tr600::kStatusRegister, tr600::kEndpoints) {}

CUsbProgrammer::~CUsbProgrammer() {
    // The workers use the transport; they must be gone before it is.
    shutdownWorkers();
    usb_.Close();
}

void CUsbProgrammer::Close() { usb_.Close(); }

bool CUsbProgrammer::EnsureOpen() {
    if (usb_.IsOpen()) {
        if (channel_.session() == 0) channel_.bindSession();
        return true;
    }
    if (!usb_.Open()) return false;
    channel_.bindSession();
    return true;
}

ProgrammerIdentity CUsbProgrammer::identity() const {
    if (!usb_.IsOpen() && info_[tr600::info::Model] == 0) return {};
    return {true, modelCode(), FirmwareVersionText(), SerialNumberText()};
}

// ---------------------------------------------------------------------------------------------
// Internal steps

bool CUsbProgrammer::quietCommand(CommandBlock &block, bool read) {
    return channel_.request(block.command, block.value, block.index, block.data, block.length,
                            read ? UsbDirection::DeviceToHost : UsbDirection::HostToDevice);
}

bool CUsbProgrammer::SendCommand(CommandBlock &block, bool read) {
    if (quietCommand(block, read)) return true;
    noteLinkFailure();
    ShowMessage(sid::CommunicationError, colour::Red);
    return false;
}

bool CUsbProgrammer::ReadStatus(std::uint8_t &statusByte) {
    CommandBlock block;
    block.command = cmd::ReadStatus;
    block.value = tr600::kStatusReadValue;
    block.length = 1;
    if (!SendCommand(block, true)) return false;
    statusByte = block.data[0];
    return true;
}

WaitResult CUsbProgrammer::WaitStatus(std::uint8_t mask, int polls) {
    const WaitResult r = channel_.waitStatus(mask, tr600::polls(polls), clock());
    if (r == WaitResult::LinkError) {
        noteLinkFailure();
        ShowMessage(sid::CommunicationError, colour::Red);
    }
    return r;
}

bool CUsbProgrammer::WriteData(const std::uint8_t *data, int n) { return channel_.writeBlock(data, n); }

bool CUsbProgrammer::ReadData(std::uint8_t *data, int n) { return channel_.readBlock(data, n); }

void CUsbProgrammer::showFailure(std::string_view text) {
    ShowMessage(text, colour::Red, true);
}

// ---------------------------------------------------------------------------------------------
// Connect, device set-up

bool CUsbProgrammer::Connect(int &model) {
    if (!usb_.Open()) return false;
    channel_.bindSession();
    std::fill(info_.begin(), info_.begin() + 32, 0);
    CommandBlock block;
    block.command = cmd::ReadInfo;
    bool ok = quietCommand(block, false) && ReadData(info_.data(), int(info_.size()));
    if (ok && model != -1 && info_[tr600::info::Model] != model) ok = false;
    if (!ok) {
        // Do not keep a handle on something that is not the programmer we were asked for.
        usb_.Close();
        return false;
    }
    if (model == -1) model = info_[tr600::info::Model];
    return true;
}

std::string CUsbProgrammer::FirmwareVersionText() const {
    const int minor = info_[tr600::info::FirmwareMinor];
    return format("V%d.%d%d", info_[tr600::info::FirmwareMajor], minor >> 4, minor & 0xF);
}

std::string CUsbProgrammer::SerialNumberText() const {
    std::string text;
    for (int i = 0; i < tr600::info::SerialBytes; ++i) {
        const int b = info_[std::size_t(tr600::info::Serial + i)];
        text += format("%d%d", b >> 4, b & 0xF);
    }
    return text;
}

bool CUsbProgrammer::InitDevice() {
    if (!device) return false;
    CommandBlock block;
    block.command = cmd::InitDevice;
    const std::string_view name(device->device_name, strnlen(device->device_name, sizeof device->device_name));
    block.value = name.find("@ISP") != std::string_view::npos ? tr600::kIspMode : 0;
    block.index = std::uint16_t(device->algorithm << 8);
    block.length = tr600::kInitPayloadSize;
    std::memcpy(block.data, device->program_params, 7);
    le::store16(block.data + 7, device->read_page_size);
    le::store16(block.data + 9, device->program_page_size);
    block.data[11] = tr600::kInitTrailer;
    if (!SendCommand(block, false)) return false;
    const WaitResult r = WaitStatus(status::Finished, budget::Init);
    if (r == WaitResult::Done) return true;
    // A status that never comes is as much a failed initialisation as a refused one.
    if (r != WaitResult::LinkError) ShowMessage(sid::InitDeviceFailure, colour::Red, true);
    return false;
}

bool CUsbProgrammer::ReadDeviceId(std::uint8_t out[4]) {
    CommandBlock block;
    block.command = cmd::ReadDeviceId;
    if (!SendCommand(block, false)) return false;
    const WaitResult r = WaitStatus(status::Ready, budget::DeviceId);
    if (r == WaitResult::LinkError) return false;
    if (r != WaitResult::Done) {
        ShowMessage("Reading the device ID failed: " + std::string(waitProblem(r)), colour::Red, true);
        return false;
    }
    if (ReadData(out, tr600::kDeviceIdSize)) return true;
    ShowMessage("Reading the device ID failed: the identifier did not arrive", colour::Red, true);
    return false;
}

bool CUsbProgrammer::ReleaseDevice() {
    CommandBlock block;
    block.command = cmd::ReleaseDevice;
    if (!SendCommand(block, false)) return false;
    return WaitStatus(status::Finished, budget::Release) == WaitResult::Done;
}

// ---------------------------------------------------------------------------------------------
// Operations

bool CUsbProgrammer::Execute(Op which) {
    const OperationInfo *op = &operationInfo(which);
    // An area loop shows a status per area; the calibration read has nothing to show.
    if (op->run != OpRun::AreaLoop && which != Op::ReadCal && !op->inProgress.empty()) ShowStatus(op->inProgress);
    if (op->successId) statusText.assign(loadString(op->successId));
    bool r = false;
    switch (op->run) {
    case OpRun::AreaLoop: r = areaLoop(*op); break;
    case OpRun::SingleShot: r = singleShot(*op); break;
    case OpRun::WriteCal: r = writeCalByte(); break;
    case OpRun::Nothing: r = true; break;
    case OpRun::Unsupported: return false;  // this programmer has no such command
    }
    if (r && op->successId) ShowMessage(op->successId, colour::Blue);
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

bool CUsbProgrammer::areaLoop(const OperationInfo &op) {
    if (!device || !buffer || !options) {
        showFailure(std::string(op.title) + " failed: no device selected");
        return false;
    }
    const bool multi = device->area_count > 1;
    const std::uint8_t mask = std::uint8_t(options->areaMask);
    // One text for every area: where no naming rule covers an area the layout keeps the
    // previous area's name, as the Program Range choices show it.
    std::string areaName;

    for (int i = 0; i < kMaxAreas; ++i) {
        const MemoryArea &area = device->memory_areas[i];
        if (area.size_bytes == 0) break;
        AreaName(*device, i, areaName);
        if (multi && !(mask & (i == 0 ? 1 : 2))) continue;
        const std::uint32_t start = area.buffer_start;
        const std::uint32_t size = area.size_bytes;
        // A record that reaches past the buffer would make the blocks run off its end.
        if (start >= DataBuffer::kSize || size > DataBuffer::kSize - start) {
            showFailure(format("%s failed: memory area %d of the device (0x%X bytes at 0x%X) lies outside the buffer",
                               std::string(op.title).c_str(), i, unsigned(size), unsigned(start)));
            return false;
        }

        std::int64_t last = std::int64_t(size) - 1;
        if (op.op == Op::Program) last = ProgramLastOffset(*device, *buffer, i, options->IngoreFFH != 0);

        if (multi) ShowStatus(format(std::string(op.inProgressArea).c_str(), areaName.c_str()));
        else ShowStatus(op.inProgress);
        const int range = op.op == Op::Program  ? int(std::max<std::int64_t>(last, 0) / kBlockSize)
                          : op.op == Op::Verify ? int((size - 1) / kBlockSize)
                                                : int(size / kBlockSize);
        SetProgressRange(range);

        const AreaRun run{i, start};
        if (!beginArea(op, run, areaName)) return false;
        BlockStep step = op.op == Op::Program  ? &CUsbProgrammer::programBlock
                         : op.op == Op::Read   ? &CUsbProgrammer::readBlock
                         : op.op == Op::Verify ? &CUsbProgrammer::verifyBlock
                                               : &CUsbProgrammer::blankBlock;
        if (!forEachBlock(op, run, last, step)) return false;
    }
    return true;
}

bool CUsbProgrammer::beginArea(const OperationInfo &op, const AreaRun &area, const std::string &areaName) {
    CommandBlock begin;
    begin.command = op.command;
    begin.value = area.index == 0 ? 0 : tr600::kSecondAreaFlag;
    if (!SendCommand(begin, false)) return false;
    const WaitResult r = WaitStatus(status::Finished, budget::BeginArea);
    if (r == WaitResult::Done) return true;
    if (r == WaitResult::LinkError) return false;
    const std::string where = areaName.empty() ? format("memory area %d", area.index) : areaName;
    showFailure(format("%s failed at the start of %s: %s", std::string(op.title).c_str(), where.c_str(),
                       std::string(waitProblem(r)).c_str()));
    return false;
}

bool CUsbProgrammer::forEachBlock(const OperationInfo &op, const AreaRun &area, std::int64_t last, BlockStep step) {
    for (std::int64_t pos = 0; pos <= last;) {
        const int n = int(std::min<std::int64_t>(last + 1 - pos, kBlockSize));
        CommandBlock block;
        block.command = op.blockCommand;
        block.value = std::uint16_t(n);
        block.index = std::uint16_t(area.index);
        block.length = 4;
        le::store32(block.data, std::uint32_t(pos));
        if (!SendCommand(block, false)) return false;
        if (!(this->*step)(area, std::uint32_t(pos), n)) return false;
        if (isCancelled()) return false;
        pos += n;
        StepProgress();
    }
    return true;
}

bool CUsbProgrammer::programBlock(const AreaRun &area, std::uint32_t pos, int n) {
    if (!WriteData(buffer->data() + area.start + pos, n)) {
        // The programmer never got the block: it would only time out waiting for it.
        showFailure(loadString(sid::ProgramFailed));
        return false;
    }
    const WaitResult w = WaitStatus(status::Finished, budget::ProgramBlock);
    if (w == WaitResult::LinkError) return false;  // the wait has said so
    if (w != WaitResult::Done) {
        ShowMessage(sid::ProgramFailed, colour::Red);
        return false;
    }
    return true;
}

bool CUsbProgrammer::readBlock(const AreaRun &area, std::uint32_t pos, int n) {
    const WaitResult w = WaitStatus(status::Ready, budget::ReadBlock);
    if (w == WaitResult::LinkError) return false;  // the wait has said so
    if (w != WaitResult::Done) {
        ShowMessage(sid::ReadFailed, colour::Red);
        return false;
    }
    // Noted before the transfer: a short or failed one may still have written some of it.
    noteBufferWritten(area.start + pos, area.start + pos + std::uint32_t(n) - 1);
    if (!ReadData(buffer->data() + area.start + pos, n)) {
        ShowMessage(sid::CommunicationError, colour::Red);
        return false;
    }
    return true;
}

bool CUsbProgrammer::verifyBlock(const AreaRun &area, std::uint32_t pos, int n) {
    return compareBlock(area, pos, n, Op::Verify);
}

bool CUsbProgrammer::blankBlock(const AreaRun &area, std::uint32_t pos, int n) {
    return compareBlock(area, pos, n, Op::Blank);
}

// Verify compares the block with the buffer, Blank Check with the erased value. A 12-bit
// word's high byte holds 4 bits, a 14-bit word's 6: an erased one reads 0x0F, not 0x3F.
bool CUsbProgrammer::compareBlock(const AreaRun &area, std::uint32_t pos, int n, Op op) {
    const bool verify = op == Op::Verify;
    const WaitResult w = WaitStatus(status::Ready, verify ? budget::VerifyBlock : budget::BlankBlock);
    if (w == WaitResult::LinkError) return false;  // the wait has said so
    if (w != WaitResult::Done) {
        showFailure(format(verify ? "Verify failed at address 0x%X: %s" : "Blank check failed at address 0x%X: %s",
                           unsigned(area.start + pos), std::string(waitProblem(w)).c_str()));
        return false;
    }
    if (!ReadData(scratch_, n)) {
        ShowMessage(sid::CommunicationError, colour::Red);
        return false;
    }
    const bool wordDevice = device->isWordDevice();
    const std::uint8_t highMask = device->wordHighMask();
    const std::uint8_t *mem = buffer->data() + area.start + pos;
    for (int k = 0; k < n; ++k) {
        const std::uint8_t m = wordDevice && ((pos + k) & 1) ? highMask : 0xFF;
        const unsigned address = unsigned(area.start + pos + k);
        if (verify && (scratch_[k] & m) != (mem[k] & m)) {
            showFailure(format("Verify Failed.  Addr: 0x%X  Device: 0x%2.2X  Buffer: 0x%2.2X", address, scratch_[k],
                               mem[k]));
            return false;
        }
        if (!verify && scratch_[k] != m) {
            showFailure(format("Blank check failed   Addr. 0x%X    Chip contect: 0x%2.2X\n", address, scratch_[k]));
            return false;
        }
    }
    return true;
}

bool CUsbProgrammer::singleShot(const OperationInfo &op) {
    if (!device) return false;
    SetProgressRange(1);
    const int offset = op.bytes == OpBytes::Lock ? tr600::config::LockBytes : tr600::config::ConfigBytes;
    std::uint8_t *registerBytes = device->config_data + offset;
    std::uint8_t bytes[tr600::kRegisterBytes];
    if (op.direction == OpDirection::ToChip) std::memcpy(bytes, registerBytes, sizeof bytes);
    const auto exchanged = registerExchange(op, bytes);
    if (!exchanged) return false;  // the link failed and said so
    const WaitResult w = *exchanged;
    if (w == WaitResult::Done && op.direction == OpDirection::FromChip) {
        std::memcpy(readBack_.data(), bytes, sizeof bytes);
        // Lock bits land in the lock bytes, fuses and configuration in the configuration
        // bytes: a later Write Fuse must never send lock values as fuses.
        std::memcpy(registerBytes, bytes, sizeof bytes);
    }
    if (w != WaitResult::Done) {
        ShowMessage(op.failureId, colour::Red, true);
        return false;
    }
    if (op.direction == OpDirection::ToChip && !readBackMatches(op, registerBytes, offset)) return false;
    StepProgress();
    return true;
}

std::optional<WaitResult> CUsbProgrammer::registerExchange(const OperationInfo &op,
                                                           std::uint8_t bytes[tr600::kRegisterBytes]) {
    CommandBlock block;
    block.command = op.command;
    block.value = op.direction == OpDirection::None ? 0 : tr600::kRegisterBytes;
    if (!SendCommand(block, false)) return std::nullopt;
    if (op.direction == OpDirection::None) return WaitStatus(status::Finished, op.pollBudget);
    if (op.direction == OpDirection::ToChip) {
        if (!WriteData(bytes, tr600::kRegisterBytes)) {
            ShowMessage(sid::CommunicationError, colour::Red);
            return std::nullopt;
        }
        return WaitStatus(status::Finished, op.pollBudget);
    }
    WaitResult w = WaitStatus(status::Ready, op.pollBudget);
    if (w == WaitResult::Done && !ReadData(bytes, tr600::kRegisterBytes)) w = WaitResult::LinkError;
    return w;
}

// Fuses and configuration words are read back after writing: a bit the chip did not take is a
// failure, not "completed". Only the bits the configuration file's controls own are compared.
bool CUsbProgrammer::readBackMatches(const OperationInfo &write, const std::uint8_t *written, int offset) {
    const OperationInfo *read = write.op == Op::WriteFuse     ? operationInfo(kOpReadFuse)
                                : write.op == Op::WriteConfig ? operationInfo(kOpReadConfig)
                                                              : nullptr;
    const std::uint8_t *owned = device->configOwned + offset;
    if (!read || std::all_of(owned, owned + tr600::kRegisterBytes, [](std::uint8_t m) { return m == 0; })) return true;
    std::uint8_t got[tr600::kRegisterBytes];
    const auto w = registerExchange(*read, got);
    if (!w) return false;
    if (*w != WaitResult::Done) {
        showFailure(format("%s failed: the bytes written could not be read back (%s)", std::string(write.title).c_str(),
                           std::string(waitProblem(*w)).c_str()));
        return false;
    }
    for (int i = 0; i < tr600::kRegisterBytes; ++i) {
        if (((got[i] ^ written[i]) & owned[i]) == 0) continue;
        showFailure(format("%s failed: byte %d reads back %2.2X, %2.2X was written (bits %2.2X differ)",
                           std::string(write.title).c_str(), i, got[i], written[i], unsigned((got[i] ^ written[i]) & owned[i])));
        return false;
    }
    return true;
}

bool CUsbProgrammer::writeCalByte() {
    if (!device) return false;
    SetProgressRange(1);
    const std::uint32_t calAddress = le::load32(device->config_data + tr600::config::CalAddress);
    std::uint32_t address = calAddress;
    CommandBlock block;
    block.command = cmd::WriteCal;
    block.index = device->config_data[tr600::config::CalIndex];
    if (address >= device->memory_areas[0].size_bytes) {
        address -= device->memory_areas[0].size_bytes;
        block.value = tr600::kCalInSecondArea;
    }
    block.length = 4;
    le::store32(block.data, address);
    // Say where the byte was to go: a place the program already uses is the usual cause.
    if (address >= device->memory_areas[block.value ? 1 : 0].size_bytes) {
        showFailure(format("Write Cal. Byte failed: address 0x%X is outside the device's memory", unsigned(calAddress)));
        return false;
    }
    if (!SendCommand(block, false)) return false;
    const WaitResult r = WaitStatus(status::Finished, budget::WriteCal);
    if (r == WaitResult::LinkError) return false;
    if (r != WaitResult::Done) {
        showFailure(format("Write Cal. Byte failed: %s (address 0x%X)", std::string(waitProblem(r)).c_str(),
                           unsigned(calAddress)));
        return false;
    }
    StepProgress();
    return true;
}

}  // namespace vantor
