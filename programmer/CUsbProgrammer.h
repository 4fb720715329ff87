#pragma once
#include <array>
#include <functional>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "programmer/CProgrammer.h"
#include "programmer/Programmer.h"
#include "usb/CUsbDevice.h"
#include "usb/ExchangeChannel.h"
#include "usb/Tr600Protocol.h"

namespace vantor {

class DataBuffer;
struct DeviceRecord;
struct OperationInfo;

// The TR600 programmer: one-byte commands in vendor requests, a polled status byte and
// data blocks of up to 256 bytes on the bulk endpoints (vocabulary in usb/Tr600Protocol.h).
class CUsbProgrammer : public CProgrammer, public Programmer {
public:
    static constexpr int kBlockSize = tr600::kBlockSize;

    // The command block; its first 8 bytes are the setup fields of the vendor request.
    struct CommandBlock {
        std::uint8_t command = 0;
        std::uint8_t reserved = 0;
        std::uint16_t value = 0;
        std::uint16_t index = 0;
        std::uint16_t length = 0;
        std::uint8_t data[tr600::kCommandDataSize] = {};
    };

    CUsbProgrammer();  // the platform's USB backend
    explicit CUsbProgrammer(std::unique_ptr<UsbBackend> backend);
    ~CUsbProgrammer() override;

    void Close() override;
    StepResult Execute(Op op) override;
    bool Connect(int &model) override;
    StepResult EnsureOpen() override;
    StepResult ReadDeviceId(std::uint8_t out[4]) override;
    StepResult InitDevice() override;
    StepResult ReleaseDevice() override;
    ProgrammerIdentity identity() const override;

    // Polls the status byte until a bit of `mask` is set, at most `polls` times. Silent: the
    // step that waits words what a wait that did not end well means.
    [[nodiscard]] WaitResult WaitStatus(std::uint8_t mask, int polls);

    CUsbDevice &usb() { return usb_; }
    const std::array<std::uint8_t, tr600::kInfoBlockSize> &informationBlock() const { return info_; }
    int modelCode() const { return info_[tr600::info::Model]; }
    std::string FirmwareVersionText() const;  // "V1.23"
    std::string SerialNumberText() const;     // eight digits
    // The 16 bytes the last read of fuses, lock bits or configuration brought back.
    const std::array<std::uint8_t, tr600::kRegisterBytes> &lastReadBytes() const { return readBack_; }

    // Last offset of area `area` that Program writes (the end rule); -1 when nothing is to be written.
    static std::int64_t ProgramLastOffset(const DeviceRecord &device, const DataBuffer &buffer, int area,
                                          bool ignoreFF);

protected:
    Programmer &hardware() override { return *this; }

private:
    // One memory area as the area loop walks it.
    struct AreaRun {
        int index;
        std::uint32_t start;  // buffer address of offset 0
    };
    using BlockStep = StepResult (CUsbProgrammer::*)(const AreaRun &area, std::uint32_t pos, int n);
    // Words a status wait that ended without success (no answer, or a failure reported).
    using WaitFailure = std::function<StepResult(WaitResult)>;

    bool quietCommand(CommandBlock &block, bool read);
    // The command's control request; a refused one is a lost link.
    StepResult send(CommandBlock &block, bool read = false);
    // A short block is as bad as a lost one.
    [[nodiscard]] bool WriteData(const std::uint8_t *data, int n);
    [[nodiscard]] bool ReadData(std::uint8_t *data, int n);
    // A status wait as a step: a lost link is one, a wait that did not end well is `failure`'s.
    StepResult await(std::uint8_t mask, int polls, const WaitFailure &failure);
    StepResult areaLoop(const OperationInfo &op);
    StepResult beginArea(const OperationInfo &op, const AreaRun &area, const std::string &areaName);
    StepResult forEachBlock(const OperationInfo &op, const AreaRun &area, std::int64_t last, BlockStep step);
    StepResult programBlock(const AreaRun &area, std::uint32_t pos, int n);
    StepResult readBlock(const AreaRun &area, std::uint32_t pos, int n);
    StepResult verifyBlock(const AreaRun &area, std::uint32_t pos, int n);
    StepResult blankBlock(const AreaRun &area, std::uint32_t pos, int n);
    StepResult compareBlock(const AreaRun &area, std::uint32_t pos, int n, Op op);
    StepResult singleShot(const OperationInfo &op);
    // One fuse, lock, configuration or erase command with its 16 bytes out or in; `refused`
    // words a wait that did not end well (and a read whose bytes never came).
    StepResult registerExchange(const OperationInfo &op, std::uint8_t bytes[tr600::kRegisterBytes],
                                const WaitFailure &refused);
    StepResult readBackMatches(const OperationInfo &write, const std::uint8_t *written, int offset);
    StepResult writeCalByte();

    CUsbDevice usb_;
    ExchangeChannel channel_;
    std::array<std::uint8_t, tr600::kInfoBlockSize> info_{};
    std::array<std::uint8_t, tr600::kRegisterBytes> readBack_{};
    std::uint8_t scratch_[kBlockSize] = {};
};

}  // namespace vantor
