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

StepResult CUsbProgrammer::EnsureOpen() {
    if (usb_.IsOpen()) {
        if (channel_.session() == 0) channel_.bindSession();
        return {};
    }
    if (!usb_.Open()) return StepResult::silent();
    channel_.bindSession();
    return {};
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

StepResult CUsbProgrammer::send(CommandBlock &block, bool read) {
    return quietCommand(block, read) ? StepResult() : StepResult::link();
}

WaitResult CUsbProgrammer::WaitStatus(std::uint8_t mask, int polls) {
    return channel_.waitStatus(mask, tr600::polls(polls), clock());
}

StepResult CUsbProgrammer::await(std::uint8_t mask, int polls, const WaitFailure &failure) {
    const WaitResult r = WaitStatus(mask, polls);
    if (r == WaitResult::Done) return {};
    if (r == WaitResult::LinkError) return StepResult::link();
    return failure(r);
}

bool CUsbProgrammer::WriteData(const std::uint8_t *data, int n) { return channel_.writeBlock(data, n); }

bool CUsbProgrammer::ReadData(std::uint8_t *data, int n) { return channel_.readBlock(data, n); }

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

StepResult CUsbProgrammer::InitDevice() {
    if (!device) return StepResult::silent();
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
    if (StepResult sent = send(block); !sent) return sent;
    // A status that never comes is as much a failed initialisation as a refused one.
    return await(status::Finished, budget::Init, [](WaitResult) { return StepResult::failed(sid::InitDeviceFailure); });
}

StepResult CUsbProgrammer::ReadDeviceId(std::uint8_t out[4]) {
    CommandBlock block;
    block.command = cmd::ReadDeviceId;
    if (StepResult sent = send(block); !sent) return sent;
    const StepResult ready = await(status::Ready, budget::DeviceId, [](WaitResult r) {
        return StepResult::failed("Reading the device ID failed: " + std::string(waitProblem(r)));
    });
    if (!ready) return ready;
    if (ReadData(out, tr600::kDeviceIdSize)) return {};
    return StepResult::failed("Reading the device ID failed: the identifier did not arrive");
}

StepResult CUsbProgrammer::ReleaseDevice() {
    CommandBlock block;
    block.command = cmd::ReleaseDevice;
    if (StepResult sent = send(block); !sent) return sent;
    return await(status::Finished, budget::Release, [](WaitResult) { return StepResult::silent(); });
}

// ---------------------------------------------------------------------------------------------
// Operations

StepResult CUsbProgrammer::Execute(Op which) {
    const OperationInfo *op = &operationInfo(which);
    // An area loop shows a status per area; the calibration read has nothing to show.
    if (op->run != OpRun::AreaLoop && which != Op::ReadCal && !op->inProgress.empty()) ShowStatus(op->inProgress);
    if (op->successId) statusText.assign(loadString(op->successId));
    StepResult r;
    switch (op->run) {
    case OpRun::AreaLoop: r = areaLoop(*op); break;
    case OpRun::SingleShot: r = singleShot(*op); break;
    case OpRun::WriteCal: r = writeCalByte(); break;
    case OpRun::Nothing: break;
    case OpRun::Unsupported: return StepResult::silent();  // this programmer has no such command
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
    const std::uint32_t end =
        std::uint32_t(std::min<std::uint64_t>(std::uint64_t(start) + a.size_bytes, DataBuffer::kSize));
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

StepResult CUsbProgrammer::areaLoop(const OperationInfo &op) {
    if (!device || !buffer || !options)
        return StepResult::failed(std::string(op.title) + " failed: no device selected");
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
        if (start >= DataBuffer::kSize || size > DataBuffer::kSize - start)
            return StepResult::failed(
                format("%s failed: memory area %d of the device (0x%X bytes at 0x%X) lies outside the buffer",
                       std::string(op.title).c_str(), i, unsigned(size), unsigned(start)));

        std::int64_t last = std::int64_t(size) - 1;
        if (op.op == Op::Program) last = ProgramLastOffset(*device, *buffer, i, options->IngoreFFH != 0);

        if (multi) ShowStatus(format(std::string(op.inProgressArea).c_str(), areaName.c_str()));
        else ShowStatus(op.inProgress);
        const int range = op.op == Op::Program  ? int(std::max<std::int64_t>(last, 0) / kBlockSize)
                          : op.op == Op::Verify ? int((size - 1) / kBlockSize)
                                                : int(size / kBlockSize);
        SetProgressRange(range);

        const AreaRun run{i, start};
        if (StepResult begun = beginArea(op, run, areaName); !begun) return begun;
        BlockStep step = op.op == Op::Program  ? &CUsbProgrammer::programBlock
                         : op.op == Op::Read   ? &CUsbProgrammer::readBlock
                         : op.op == Op::Verify ? &CUsbProgrammer::verifyBlock
                                               : &CUsbProgrammer::blankBlock;
        if (StepResult blocks = forEachBlock(op, run, last, step); !blocks) return blocks;
    }
    return {};
}

StepResult CUsbProgrammer::beginArea(const OperationInfo &op, const AreaRun &area, const std::string &areaName) {
    CommandBlock begin;
    begin.command = op.command;
    begin.value = area.index == 0 ? 0 : tr600::kSecondAreaFlag;
    if (StepResult sent = send(begin); !sent) return sent;
    return await(status::Finished, budget::BeginArea, [&](WaitResult r) {
        const std::string where = areaName.empty() ? format("memory area %d", area.index) : areaName;
        return StepResult::failed(format("%s failed at the start of %s: %s", std::string(op.title).c_str(),
                                         where.c_str(), std::string(waitProblem(r)).c_str()));
    });
}

StepResult CUsbProgrammer::forEachBlock(const OperationInfo &op, const AreaRun &area, std::int64_t last,
                                        BlockStep step) {
    for (std::int64_t pos = 0; pos <= last;) {
        const int n = int(std::min<std::int64_t>(last + 1 - pos, kBlockSize));
        CommandBlock block;
        block.command = op.blockCommand;
        block.value = std::uint16_t(n);
        block.index = std::uint16_t(area.index);
        block.length = 4;
        le::store32(block.data, std::uint32_t(pos));
        if (StepResult sent = send(block); !sent) return sent;
        if (StepResult done = (this->*step)(area, std::uint32_t(pos), n); !done) return done;
        if (isCancelled()) return StepResult::cancelled();
        pos += n;
        StepProgress();
    }
    return {};
}

StepResult CUsbProgrammer::programBlock(const AreaRun &area, std::uint32_t pos, int n) {
    // The programmer never got the block: it would only time out waiting for it.
    if (!WriteData(buffer->data() + area.start + pos, n))
        return StepResult::failed(std::string(loadString(sid::ProgramFailed)));
    return await(status::Finished, budget::ProgramBlock,
                 [](WaitResult) { return StepResult::failed(sid::ProgramFailed, false); });
}

StepResult CUsbProgrammer::readBlock(const AreaRun &area, std::uint32_t pos, int n) {
    const StepResult ready =
        await(status::Ready, budget::ReadBlock, [](WaitResult) { return StepResult::failed(sid::ReadFailed, false); });
    if (!ready) return ready;
    // Noted before the transfer: a short or failed one may still have written some of it.
    noteBufferWritten(area.start + pos, area.start + pos + std::uint32_t(n) - 1);
    return ReadData(buffer->data() + area.start + pos, n) ? StepResult() : StepResult::transfer();
}

StepResult CUsbProgrammer::verifyBlock(const AreaRun &area, std::uint32_t pos, int n) {
    return compareBlock(area, pos, n, Op::Verify);
}

StepResult CUsbProgrammer::blankBlock(const AreaRun &area, std::uint32_t pos, int n) {
    return compareBlock(area, pos, n, Op::Blank);
}

// Verify compares the block with the buffer, Blank Check with the erased value. A 12-bit
// word's high byte holds 4 bits, a 14-bit word's 6: an erased one reads 0x0F, not 0x3F.
StepResult CUsbProgrammer::compareBlock(const AreaRun &area, std::uint32_t pos, int n, Op op) {
    const bool verify = op == Op::Verify;
    const StepResult ready = await(status::Ready, verify ? budget::VerifyBlock : budget::BlankBlock, [&](WaitResult w) {
        return StepResult::failed(
            format(verify ? "Verify failed at address 0x%X: %s" : "Blank check failed at address 0x%X: %s",
                   unsigned(area.start + pos), std::string(waitProblem(w)).c_str()));
    });
    if (!ready) return ready;
    if (!ReadData(scratch_, n)) return StepResult::transfer();
    const bool wordDevice = device->isWordDevice();
    const std::uint8_t highMask = device->wordHighMask();
    const std::uint8_t *mem = buffer->data() + area.start + pos;
    for (int k = 0; k < n; ++k) {
        const std::uint8_t m = wordDevice && ((pos + k) & 1) ? highMask : 0xFF;
        const unsigned address = unsigned(area.start + pos + k);
        if (verify && (scratch_[k] & m) != (mem[k] & m))
            return StepResult::failed(
                format("Verify Failed.  Addr: 0x%X  Device: 0x%2.2X  Buffer: 0x%2.2X", address, scratch_[k], mem[k]));
        if (!verify && scratch_[k] != m)
            return StepResult::failed(
                format("Blank check failed   Addr. 0x%X    Chip contect: 0x%2.2X\n", address, scratch_[k]));
    }
    return {};
}

StepResult CUsbProgrammer::singleShot(const OperationInfo &op) {
    if (!device) return StepResult::silent();
    SetProgressRange(1);
    const int offset = op.bytes == OpBytes::Lock ? tr600::config::LockBytes : tr600::config::ConfigBytes;
    std::uint8_t *registerBytes = device->config_data + offset;
    std::uint8_t bytes[tr600::kRegisterBytes];
    if (op.direction == OpDirection::ToChip) std::memcpy(bytes, registerBytes, sizeof bytes);
    const StepResult exchanged =
        registerExchange(op, bytes, [&](WaitResult) { return StepResult::failed(op.failureId); });
    if (!exchanged) return exchanged;
    if (op.direction == OpDirection::FromChip) {
        std::memcpy(readBack_.data(), bytes, sizeof bytes);
        // Lock bits land in the lock bytes, fuses and configuration in the configuration
        // bytes: a later Write Fuse must never send lock values as fuses.
        std::memcpy(registerBytes, bytes, sizeof bytes);
    }
    if (op.direction == OpDirection::ToChip)
        if (StepResult same = readBackMatches(op, registerBytes, offset); !same) return same;
    StepProgress();
    return {};
}

StepResult CUsbProgrammer::registerExchange(const OperationInfo &op, std::uint8_t bytes[tr600::kRegisterBytes],
                                            const WaitFailure &refused) {
    CommandBlock block;
    block.command = op.command;
    block.value = op.direction == OpDirection::None ? 0 : tr600::kRegisterBytes;
    if (StepResult sent = send(block); !sent) return sent;
    if (op.direction == OpDirection::None) return await(status::Finished, op.pollBudget, refused);
    if (op.direction == OpDirection::ToChip) {
        if (!WriteData(bytes, tr600::kRegisterBytes)) return StepResult::transfer();
        return await(status::Finished, op.pollBudget, refused);
    }
    if (StepResult ready = await(status::Ready, op.pollBudget, refused); !ready) return ready;
    // Bytes that never came are as good as no answer.
    return ReadData(bytes, tr600::kRegisterBytes) ? StepResult() : refused(WaitResult::NoAnswer);
}

// Fuses and configuration words are read back after writing: a bit the chip did not take is a
// failure, not "completed". Only the bits the configuration file's controls own are compared.
StepResult CUsbProgrammer::readBackMatches(const OperationInfo &write, const std::uint8_t *written, int offset) {
    const OperationInfo *read = write.op == Op::WriteFuse     ? operationInfo(kOpReadFuse)
                                : write.op == Op::WriteConfig ? operationInfo(kOpReadConfig)
                                                              : nullptr;
    const std::uint8_t *owned = device->configOwned + offset;
    if (!read || std::all_of(owned, owned + tr600::kRegisterBytes, [](std::uint8_t m) { return m == 0; })) return {};
    std::uint8_t got[tr600::kRegisterBytes];
    const StepResult readBack = registerExchange(*read, got, [&](WaitResult w) {
        return StepResult::failed(format("%s failed: the bytes written could not be read back (%s)",
                                         std::string(write.title).c_str(), std::string(waitProblem(w)).c_str()));
    });
    if (!readBack) return readBack;
    for (int i = 0; i < tr600::kRegisterBytes; ++i) {
        if (((got[i] ^ written[i]) & owned[i]) == 0) continue;
        return StepResult::failed(format("%s failed: byte %d reads back %2.2X, %2.2X was written (bits %2.2X differ)",
                                         std::string(write.title).c_str(), i, got[i], written[i],
                                         unsigned((got[i] ^ written[i]) & owned[i])));
    }
    return {};
}

StepResult CUsbProgrammer::writeCalByte() {
    if (!device) return StepResult::silent();
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
    if (address >= device->memory_areas[block.value ? 1 : 0].size_bytes)
        return StepResult::failed(
            format("Write Cal. Byte failed: address 0x%X is outside the device's memory", unsigned(calAddress)));
    if (StepResult sent = send(block); !sent) return sent;
    const StepResult written = await(status::Finished, budget::WriteCal, [&](WaitResult r) {
        return StepResult::failed(format("Write Cal. Byte failed: %s (address 0x%X)",
                                         std::string(waitProblem(r)).c_str(), unsigned(calAddress)));
    });
    if (!written) return written;
    StepProgress();
    return {};
}

}  // namespace vantor
