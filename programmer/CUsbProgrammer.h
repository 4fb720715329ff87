#pragma once
#include <array>
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
    bool Execute(Op op) override;
    bool Connect(int &model) override;
    bool EnsureOpen() override;
    bool ReadDeviceId(std::uint8_t out[4]) override;
    bool InitDevice() override;
    bool ReleaseDevice() override;
    ProgrammerIdentity identity() const override;

    // Each shows "Communication error!" when its control request fails.
    [[nodiscard]] bool SendCommand(CommandBlock &block, bool read);
    [[nodiscard]] bool ReadStatus(std::uint8_t &status);
    [[nodiscard]] WaitResult WaitStatus(std::uint8_t mask, int polls);
    // Silent; a short block is as bad as a lost one.
    [[nodiscard]] bool WriteData(const std::uint8_t *data, int n);
    [[nodiscard]] bool ReadData(std::uint8_t *data, int n);

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
    using BlockStep = bool (CUsbProgrammer::*)(const AreaRun &area, std::uint32_t pos, int n);

    bool areaLoop(const OperationInfo &op);
    bool beginArea(const OperationInfo &op, const AreaRun &area, const std::string &areaName);
    bool forEachBlock(const OperationInfo &op, const AreaRun &area, std::int64_t last, BlockStep step);
    bool programBlock(const AreaRun &area, std::uint32_t pos, int n);
    bool readBlock(const AreaRun &area, std::uint32_t pos, int n);
    bool verifyBlock(const AreaRun &area, std::uint32_t pos, int n);
    bool blankBlock(const AreaRun &area, std::uint32_t pos, int n);
    bool compareBlock(const AreaRun &area, std::uint32_t pos, int n, Op op);
    bool singleShot(const OperationInfo &op);
    // One fuse, lock, configuration or erase command with its 16 bytes out or in; nothing when
    // the link failed (already reported).
    std::optional<WaitResult> registerExchange(const OperationInfo &op, std::uint8_t bytes[tr600::kRegisterBytes]);
    bool readBackMatches(const OperationInfo &write, const std::uint8_t *written, int offset);
    bool writeCalByte();

    bool quietCommand(CommandBlock &block, bool read);
    // Shows a failure the operation found itself (red, bold).
    void showFailure(std::string_view text);

    CUsbDevice usb_;
    ExchangeChannel channel_;
    std::array<std::uint8_t, tr600::kInfoBlockSize> info_{};
    std::array<std::uint8_t, tr600::kRegisterBytes> readBack_{};
    std::uint8_t scratch_[kBlockSize] = {};
};

}  // namespace vantor
