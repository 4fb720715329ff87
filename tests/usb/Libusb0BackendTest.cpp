// The libusb0 driver's device names, control codes and request records, byte for byte.
#include <gtest/gtest.h>

#include <cstring>

#include "usb/CUsbDevice.h"
#include "usb/Libusb0Backend.h"

using namespace vantor;

namespace {

struct Call {
    std::uint32_t code;
    std::vector<std::uint8_t> in;
    std::uint32_t outSize;
    bool overlapped;
};

class FakePort : public IoctlPort {
public:
    std::vector<std::string> openedNames;
    std::vector<Call> calls;
    int presentAt = -1;
    bool refuseClaim = false;
    std::vector<Handle> closed;
    std::uint32_t bytesMoved = 0;
    bool completes = true;
    int cancels = 0;
    std::vector<std::uint8_t> reply;

    Handle open(const std::string &name) override {
        openedNames.push_back(name);
        return int(openedNames.size() - 1) == presentAt ? 100 + presentAt : kInvalid;
    }
    void close(Handle h) override { closed.push_back(h); }
    bool ioctl(Handle, std::uint32_t code, const void *in, std::uint32_t inSize, void *out,
               std::uint32_t outSize) override {
        const auto *p = static_cast<const std::uint8_t *>(in);
        calls.push_back({code, {p, p + inSize}, outSize, false});
        if (code == libusb0::kClaimInterface && refuseClaim) return false;
        if (out && outSize) std::memset(out, 0xAB, outSize);
        return true;
    }

    class FakePending : public Pending {
    public:
        explicit FakePending(FakePort &port) : port_(port) {}
        bool wait(unsigned) override { return port_.completes; }
        std::uint32_t bytesMoved() override { return port_.bytesMoved; }
        void cancel() override { ++port_.cancels; }

    private:
        FakePort &port_;
    };
    std::unique_ptr<Pending> submit(Handle, std::uint32_t code, const void *in, std::uint32_t inSize, void *,
                                    std::uint32_t outSize) override {
        const auto *p = static_cast<const std::uint8_t *>(in);
        calls.push_back({code, {p, p + inSize}, outSize, true});
        return std::make_unique<FakePending>(*this);
    }
};

std::vector<std::uint8_t> words(std::initializer_list<std::uint32_t> w) {
    std::vector<std::uint8_t> out;
    for (auto v : w)
        for (int i = 0; i < 4; ++i) out.push_back(std::uint8_t(v >> (8 * i)));
    return out;
}

struct Rig {
    Rig() {
        auto p = std::make_unique<FakePort>();
        port = p.get();
        usb = std::make_unique<CUsbDevice>(std::make_unique<Libusb0Backend>(std::move(p)));
    }
    FakePort *port;
    std::unique_ptr<CUsbDevice> usb;
};

}  // namespace

TEST(Libusb0Backend, DeviceNamesAndOpenSequence) {
    Rig rig;
    EXPECT_FALSE(rig.usb->Open());
    ASSERT_EQ(rig.port->openedNames.size(), 16u);
    EXPECT_EQ(rig.port->openedNames[0], "\\\\.\\libusb0-0000");
    EXPECT_EQ(rig.port->openedNames[15], "\\\\.\\libusb0-0015");

    Rig found;
    found.port->presentAt = 3;
    ASSERT_TRUE(found.usb->Open());
    EXPECT_EQ(found.port->openedNames.size(), 4u);
    ASSERT_EQ(found.port->calls.size(), 2u);
    EXPECT_EQ(found.port->calls[0].code, 0x222004u);
    EXPECT_EQ(found.port->calls[0].in, words({200, 1, 0, 0, 0, 0}));
    EXPECT_EQ(found.port->calls[1].code, 0x222054u);
    EXPECT_EQ(found.port->calls[1].in, words({0, 0, 0, 0, 0, 0}));
}

TEST(Libusb0Backend, AHandleWhoseSetUpFailsIsClosed) {
    Rig rig;
    rig.port->presentAt = 0;
    rig.port->refuseClaim = true;
    EXPECT_FALSE(rig.usb->Open());
    EXPECT_EQ(rig.port->closed, (std::vector<IoctlPort::Handle>{100}));
    // A backend without its port (the driver's device interface is missing) opens nothing.
    Libusb0Backend portless(nullptr);
    EXPECT_FALSE(portless.openIndex(0));
}

TEST(Libusb0Backend, VendorRequestRecords) {
    Rig rig;
    rig.port->presentAt = 0;
    ASSERT_TRUE(rig.usb->Open());
    rig.port->calls.clear();

    std::uint8_t payload[4] = {0x10, 0x20, 0x30, 0x40};
    EXPECT_TRUE(rig.usb->ControlTransfer(UsbDirection::HostToDevice, 0x88, 0x0100, 0x0001, payload, 4));
    std::vector<std::uint8_t> expected = words({200, 2, 0, 0x88, 0x0100, 0x0001});
    expected.insert(expected.end(), payload, payload + 4);
    EXPECT_EQ(rig.port->calls[0].code, 0x222030u);
    EXPECT_EQ(rig.port->calls[0].in, expected);
    EXPECT_FALSE(rig.port->calls[0].overlapped);

    EXPECT_TRUE(rig.usb->ControlTransfer(UsbDirection::HostToDevice, 0x83, 0, 0, nullptr, 0));
    EXPECT_EQ(rig.port->calls[1].in.size(), 24u) << "a length-0 write still sends the record";

    std::uint8_t status = 0;
    EXPECT_TRUE(rig.usb->ControlTransfer(UsbDirection::DeviceToHost, 0x81, 1, 0, &status, 1));
    EXPECT_EQ(rig.port->calls[2].code, 0x222034u);
    EXPECT_EQ(rig.port->calls[2].in, words({200, 2, 0, 0x81, 1, 0}));
    EXPECT_EQ(rig.port->calls[2].outSize, 1u);
    EXPECT_EQ(status, 0xAB);
}

TEST(Libusb0Backend, BulkRecordsAndTimeOut) {
    Rig rig;
    rig.port->presentAt = 0;
    ASSERT_TRUE(rig.usb->Open());
    rig.port->calls.clear();
    std::uint8_t block[256] = {};
    int result = 0;
    rig.port->bytesMoved = 256;
    EXPECT_TRUE(rig.usb->BulkWrite(0x02, block, 256, 300, result));
    EXPECT_EQ(result, 256);
    EXPECT_EQ(rig.port->calls[0].code, 0x222029u);
    EXPECT_EQ(rig.port->calls[0].in, words({200, 0x02, 0, 0, 0, 0}));
    EXPECT_TRUE(rig.port->calls[0].overlapped);

    rig.port->bytesMoved = 64;
    EXPECT_TRUE(rig.usb->BulkRead(0x82, block, 256, 300, result));
    EXPECT_EQ(result, 64);
    EXPECT_EQ(rig.port->calls[1].code, 0x22202Eu);
    EXPECT_EQ(rig.port->calls[1].in, words({200, 0x82, 0, 0, 0, 0}));
    EXPECT_EQ(rig.port->calls.size(), 2u) << "short read: no second submission";

    rig.port->completes = false;
    EXPECT_FALSE(rig.usb->BulkRead(0x82, block, 256, 300, result));
    EXPECT_EQ(result, -1);
    EXPECT_EQ(rig.port->cancels, 1);
    EXPECT_TRUE(rig.usb->IsOpen());
}
