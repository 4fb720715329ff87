#include <gtest/gtest.h>

#include <algorithm>
#include <deque>

#include "core/Clock.h"
#include "usb/CUsbDevice.h"
#include "usb/ExchangeChannel.h"
#include "usb/SimulatorLink.h"
#include "usb/Tr600Protocol.h"

using namespace vantor;

namespace {

// A backend that answers from a script and records what it was asked.
class ScriptedBackend : public UsbBackend {
public:
    int presentAt = -1;
    std::vector<int> opened;
    std::vector<int> submissions;    // sizes asked for
    std::deque<int> answers;         // bytes moved per submission; -1 = time-out
    std::vector<std::uint8_t> sent;  // every byte written, in order
    std::uint32_t readCount = 0;     // bytes handed out so far; each is streamByte(its position)
    bool closed = false;
    int controls = 0;
    bool refuseControl = false;
    std::deque<std::uint8_t> statuses;       // what device-to-host requests answer, then 0
    std::vector<std::vector<int>> requests;  // request, value, index, length

    bool openIndex(int index) override {
        opened.push_back(index);
        closed = false;
        return index == presentAt;
    }
    void close() override { closed = true; }
    bool control(UsbDirection direction, std::uint8_t request, std::uint16_t value, std::uint16_t index,
                 std::uint8_t *data, std::uint16_t length, unsigned timeoutMs) override {
        EXPECT_EQ(timeoutMs, 200u);
        ++controls;
        requests.push_back({request, value, index, length});
        if (refuseControl) return false;
        if (direction == UsbDirection::DeviceToHost && data && length) {
            data[0] = statuses.empty() ? 0 : statuses.front();
            if (!statuses.empty()) statuses.pop_front();
        }
        return true;
    }
    int bulk(std::uint8_t endpoint, std::uint8_t *data, int size, unsigned) override {
        submissions.push_back(size);
        if (!data && size > 0) return -1;  // the transport let a null buffer through
        int n = size;
        if (!answers.empty()) {
            n = answers.front();
            answers.pop_front();
        }
        for (int i = 0; i < n; ++i) {
            if (endpoint & 0x80) data[i] = streamByte(readCount++);
            else sent.push_back(data[i]);
        }
        return n;
    }

    // Differs between positions 64 KiB apart, so a chunk stored at the wrong place shows.
    static std::uint8_t streamByte(std::uint32_t k) { return std::uint8_t((k * 2654435761u) >> 24); }
};

struct Transport {
    Transport() {
        auto b = std::make_unique<ScriptedBackend>();
        backend = b.get();
        usb = std::make_unique<CUsbDevice>(std::move(b));
    }
    ScriptedBackend *backend;
    std::unique_ptr<CUsbDevice> usb;
};

}  // namespace

TEST(UsbTransport, OpenTriesSixteenIndexesInOrder) {
    Transport t;
    EXPECT_FALSE(t.usb->Open());
    EXPECT_EQ(t.backend->opened.size(), 16u);
    EXPECT_EQ(t.backend->opened.back(), 15);
    EXPECT_FALSE(t.usb->IsOpen());

    t.backend->opened.clear();
    t.backend->presentAt = 3;
    EXPECT_TRUE(t.usb->Open());
    EXPECT_EQ(t.backend->opened, (std::vector<int>{0, 1, 2, 3}));
    EXPECT_TRUE(t.usb->IsOpen());
    t.usb->setBackend(std::make_unique<ScriptedBackend>());
    t.backend = nullptr;
    EXPECT_FALSE(t.usb->IsOpen()) << "a new backend closes the old one's device";
    EXPECT_FALSE(t.usb->OpenIndex(16));
}

TEST(UsbTransport, ClosedTransportRefusesEverything) {
    Transport t;
    std::uint8_t b[4] = {};
    int result = 7;
    EXPECT_FALSE(t.usb->ControlTransfer(UsbDirection::HostToDevice, 0x80, 0, 0, nullptr, 0));
    EXPECT_FALSE(t.usb->BulkRead(0x82, b, 4, 300, result));
    EXPECT_EQ(result, -1);
    EXPECT_EQ(t.backend->controls, 0);
    t.usb->Close();  // closing a closed transport does nothing
    EXPECT_FALSE(t.backend->closed);
}

TEST(UsbTransport, BulkSubmissionsAreAtMost64KiBAndAShortOneEndsTheLoop) {
    Transport t;
    t.backend->presentAt = 0;
    ASSERT_TRUE(t.usb->Open());
    std::vector<std::uint8_t> data(2 * 65536 + 1);  // a last chunk of one byte
    for (std::size_t i = 0; i < data.size(); ++i) data[i] = ScriptedBackend::streamByte(std::uint32_t(i) + 7);
    int result = 0;
    EXPECT_TRUE(t.usb->BulkWrite(0x02, data.data(), int(data.size()), 300, result));
    EXPECT_EQ(result, 2 * 65536 + 1);
    EXPECT_EQ(t.backend->submissions, (std::vector<int>{65536, 65536, 1}));
    EXPECT_TRUE(t.backend->sent == data) << "each chunk continues where the last one ended";

    t.backend->submissions.clear();
    t.backend->answers = {65536, 100};
    std::fill(data.begin(), data.end(), 0);
    EXPECT_TRUE(t.usb->BulkRead(0x82, data.data(), int(data.size()), 300, result));
    EXPECT_EQ(result, 65636);
    EXPECT_EQ(t.backend->submissions.size(), 2u) << "no submission after a short one";
    std::vector<std::uint8_t> expected(data.size(), 0);
    for (std::uint32_t k = 0; k < 65636; ++k) expected[k] = ScriptedBackend::streamByte(k);
    EXPECT_TRUE(data == expected) << "each chunk lands after the one before, nothing past the short one";

    t.backend->submissions.clear();
    t.backend->answers = {10};
    EXPECT_TRUE(t.usb->BulkRead(0x82, data.data(), 256, 300, result));
    EXPECT_EQ(result, 10);
    EXPECT_EQ(t.backend->submissions.size(), 1u);
}

TEST(UsbTransport, TimeOutFailsTheTransferButKeepsTheTransportOpen) {
    Transport t;
    t.backend->presentAt = 0;
    ASSERT_TRUE(t.usb->Open());
    std::uint8_t b[256];
    int result = 0;
    t.backend->answers = {-1};
    EXPECT_FALSE(t.usb->BulkRead(0x82, b, 256, 300, result));
    EXPECT_EQ(result, -1);
    EXPECT_TRUE(t.usb->IsOpen());
    EXPECT_TRUE(t.usb->BulkRead(0x82, b, 256, 300, result));
}

TEST(UsbTransport, EndpointDirectionAndBufferAreChecked) {
    Transport t;
    t.backend->presentAt = 0;
    ASSERT_TRUE(t.usb->Open());
    std::uint8_t b[4];
    int result = 0;
    EXPECT_FALSE(t.usb->BulkWrite(0x82, b, 4, 300, result));
    EXPECT_FALSE(t.usb->BulkRead(0x02, b, 4, 300, result));
    // Nowhere to put or take even one byte.
    EXPECT_FALSE(t.usb->BulkRead(0x82, nullptr, 1, 300, result));
    EXPECT_FALSE(t.usb->BulkWrite(0x02, nullptr, 1, 300, result));
    EXPECT_TRUE(t.backend->submissions.empty());
}

TEST(UsbTransport, AnOldSessionCannotTalkToAReopenedDevice) {
    Transport t;
    t.backend->presentAt = 0;
    ASSERT_TRUE(t.usb->Open());
    const auto first = t.usb->session();
    EXPECT_TRUE(t.usb->ControlTransfer(UsbDirection::HostToDevice, 0x83, 0, 0, nullptr, 0, first));
    t.usb->Close();
    ASSERT_TRUE(t.usb->Open());
    EXPECT_NE(t.usb->session(), first);
    EXPECT_FALSE(t.usb->ControlTransfer(UsbDirection::HostToDevice, 0x83, 0, 0, nullptr, 0, first));
    EXPECT_TRUE(t.usb->ControlTransfer(UsbDirection::HostToDevice, 0x83, 0, 0, nullptr, 0, t.usb->session()));
}

// A simulated device that takes every request: enough to see which device a backend reaches.
struct AnsweringDevice : SimulatedUsbDevice {
    bool plugged = true;
    int requests = 0, interrupts = 0;
    void interrupt() override { ++interrupts; }
    bool attached() const override { return plugged; }
    bool setConfiguration(int) override { return true; }
    bool claimInterface(int) override { return true; }
    bool vendorRequest(UsbDirection, std::uint8_t, std::uint16_t, std::uint16_t, std::uint8_t *,
                       std::uint16_t) override {
        ++requests;
        return true;
    }
    int bulkOut(std::uint8_t, const std::uint8_t *, int size, unsigned) override { return size; }
    int bulkIn(std::uint8_t, std::uint8_t *, int size, unsigned) override { return size; }
};

TEST(UsbTransport, SimulatorBusIsSearchedLikeDriverIndexes) {
    auto bus = std::make_shared<SimulatedBus>();
    auto backend = std::make_unique<SimulatorBackend>(bus);
    SimulatorBackend *raw = backend.get();
    CUsbDevice usb(std::move(backend));
    EXPECT_FALSE(usb.Open());
    EXPECT_EQ(raw->openAttempts(), 16);

    // The backend on its own: a failed bulk transfer is -1, and an open that fails leaves
    // nothing open, not even the device opened before.
    auto device = std::make_shared<AnsweringDevice>();
    bus->plug(0, device);
    ASSERT_TRUE(raw->openIndex(0));
    std::uint8_t byte = 0;
    EXPECT_EQ(raw->bulk(0x82, &byte, 1, 10), 1);
    device->plugged = false;
    EXPECT_EQ(raw->bulk(0x82, &byte, 1, 10), -1);
    device->plugged = true;
    EXPECT_FALSE(raw->openIndex(3));
    EXPECT_FALSE(raw->control(UsbDirection::HostToDevice, 0x83, 0, 0, nullptr, 0, 10));
    EXPECT_EQ(raw->bulk(0x02, &byte, 1, 10), -1);
    EXPECT_EQ(device->requests, 0);
    // A stop reaches the open device only, not one the backend has let go.
    ASSERT_TRUE(raw->openIndex(0));
    raw->interrupt();
    EXPECT_EQ(device->interrupts, 1);
    raw->close();
    raw->interrupt();
    EXPECT_EQ(device->interrupts, 1);
    // One holder at a time, and reopening the device one holds is not a second claim.
    SimulatorBackend other(bus);
    ASSERT_TRUE(raw->openIndex(0));
    EXPECT_TRUE(raw->openIndex(0));
    EXPECT_FALSE(other.openIndex(0));
    raw->close();
    EXPECT_TRUE(other.openIndex(0));
    other.close();

    // Ports past either end hold nothing and take nothing.
    for (int port : {-1, SimulatedBus::kPorts}) {
        bus->plug(port, device);
        bus->unplug(port);
        EXPECT_EQ(bus->at(port), nullptr) << port;
    }
    EXPECT_EQ(bus->at(0), device);
    bus->unplug(SimulatedBus::kPorts - 1);
    EXPECT_EQ(bus->at(0), device);
}

// The status poll behind every programmer command: which polls a budget allows, and what the
// finished and success bits mean.
TEST(ExchangeChannel, PollBudgetsAndFinishedStatus) {
    using S = std::vector<std::uint8_t>;
    struct Case {
        const char *what;
        S statuses;
        std::uint8_t mask;
        WaitBudget budget;
        WaitResult expected;
        int polls;
    };
    const Case cases[] = {
        {"ready on the last allowed poll", {0, 0, 0x01}, 0x01, WaitBudget::pollCount(3), WaitResult::Done, 3},
        {"not ready within the polls", {0, 0, 0, 0x01}, 0x01, WaitBudget::pollCount(3), WaitResult::NoAnswer, 3},
        {"no polls and no deadline poll once", {0, 0x01}, 0x01, WaitBudget{}, WaitResult::NoAnswer, 1},
        {"deadline counted from now", {0, 0, 0, 0, 0x01}, 0x01, WaitBudget::deadline(10, 1), WaitResult::Done, 5},
        {"deadline passes", S(20, 0), 0x01, WaitBudget::deadline(10, 1), WaitResult::NoAnswer, 11},
        {"whichever limit ends first", S(20, 0), 0x01, WaitBudget{4, 10, 1}, WaitResult::NoAnswer, 4},
        {"finished with success", {0x04, 0x06}, 0x02, WaitBudget::pollCount(5), WaitResult::Done, 2},
        {"finished without success", {0x02}, 0x02, WaitBudget::pollCount(5), WaitResult::Failed, 1},
        {"ready needs no success bit", {0x01}, 0x01, WaitBudget::pollCount(1), WaitResult::Done, 1},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        Transport t;
        t.backend->presentAt = 0;
        ASSERT_TRUE(t.usb->Open());
        ExchangeChannel channel(*t.usb, tr600::kStatusRegister, tr600::kEndpoints);
        channel.bindSession();
        t.backend->statuses.assign(c.statuses.begin(), c.statuses.end());
        FakeClock clock(5000);
        EXPECT_EQ(channel.waitStatus(c.mask, c.budget, clock), c.expected);
        EXPECT_EQ(t.backend->controls, c.polls);
        EXPECT_EQ(t.backend->requests.front(), (std::vector<int>{tr600::cmd::ReadStatus, 1, 0, 1}))
            << "one status byte";
    }
}

TEST(ExchangeChannel, StatusReadsHandOverTheByteOrFail) {
    Transport t;
    t.backend->presentAt = 0;
    ASSERT_TRUE(t.usb->Open());
    ExchangeChannel channel(*t.usb, tr600::kStatusRegister, tr600::kEndpoints);
    channel.bindSession();
    std::uint8_t status = 0;
    t.backend->statuses = {0xA5};
    EXPECT_TRUE(channel.readStatus(status));
    EXPECT_EQ(status, 0xA5);
    t.backend->refuseControl = true;
    status = 7;
    EXPECT_FALSE(channel.readStatus(status));
    EXPECT_EQ(status, 7);
    FakeClock clock;
    EXPECT_EQ(channel.waitStatus(0x01, WaitBudget::pollCount(3), clock), WaitResult::LinkError);
}
