#pragma once
#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

#include "programmer/CProgrammer.h"
#include "usb/CUsbDevice.h"

namespace vantor {

class DataBuffer;
struct DeviceRecord;

// The TR600 programmer: one-byte commands in vendor requests, a polled status byte and
// data blocks of up to 256 bytes on the bulk endpoints.
class CUsbProgrammer : public CProgrammer {
public:
    static constexpr std::uint8_t kBulkOut = 0x02;
    static constexpr std::uint8_t kBulkIn = 0x82;
    static constexpr unsigned kBulkTimeoutMs = 300;
    static constexpr int kBlockSize = 256;

    static constexpr std::uint8_t kStatusReady = 0x01;
    static constexpr std::uint8_t kStatusFinished = 0x02;
    static constexpr std::uint8_t kStatusSuccess = 0x04;

    // Results of WaitStatus.
    static constexpr int kWaitDone = 1;
    static constexpr int kWaitFailed = 0;
    static constexpr int kWaitCommError = -1;
    static constexpr int kWaitNoAnswer = -2;

    // The command block; its first 8 bytes are the setup fields of the vendor request.
    struct CommandBlock {
        std::uint8_t command = 0;
        std::uint8_t reserved = 0;
        std::uint16_t value = 0;
        std::uint16_t index = 0;
        std::uint16_t length = 0;
        std::uint8_t data[16] = {};
    };

    CUsbProgrammer();  // the platform's USB backend
    explicit CUsbProgrammer(std::unique_ptr<UsbBackend> backend);
    ~CUsbProgrammer() override;

    void Close() override;
    bool Execute(int op) override;
    bool Connect(int &model) override;
    bool EnsureOpen() override;
    bool ReadDeviceId(std::uint8_t out[4]) override;
    bool InitDevice() override;
    bool ReleaseDevice() override;

    bool SendCommand(CommandBlock &block, bool read);
    bool ReadStatus(std::uint8_t &status);
    int WaitStatus(std::uint8_t mask, int polls);
    bool WriteData(const std::uint8_t *data, int n);
    bool ReadData(std::uint8_t *data, int n);

    CUsbDevice &usb() { return usb_; }
    const std::array<std::uint8_t, 64> &informationBlock() const { return info_; }
    int modelCode() const { return info_[0]; }
    std::string FirmwareVersionText() const;  // "V1.23"
    std::string SerialNumberText() const;     // eight digits
    // The 16 bytes the last read of fuses, lock bits or configuration brought back.
    const std::array<std::uint8_t, 16> &lastReadBytes() const { return readBack_; }

    // Last offset of area `area` that Program writes (the end rule); -1 when nothing is to be written.
    static std::int64_t ProgramLastOffset(const DeviceRecord &device, const DataBuffer &buffer, int area,
                                          bool ignoreFF);

private:
    bool areaLoop(int op);
    bool singleShot(int op);
    bool writeCalByte();
    bool quietCommand(CommandBlock &block, bool read);
    std::uint64_t session() const { return session_.load(); }

    CUsbDevice usb_;
    std::atomic<std::uint64_t> session_{0};
    std::array<std::uint8_t, 64> info_{};
    std::array<std::uint8_t, 16> readBack_{};
};

}  // namespace vantor
