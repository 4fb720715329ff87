// The libusb-1.0 backend over a simulated kernel USB device: umockdev answers the usbdevfs
// ioctls and hands every URB to the TR600 simulator, so program, read and verify travel the
// real libusb code path. Runs under umockdev-wrapper.
#include <gtest/gtest.h>

#include <umockdev.h>

#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <deque>
#include <sys/ioctl.h>
#include <linux/usbdevice_fs.h>

#include "tests/sim/SimRig.h"
#include "usb/LibusbBackend.h"
#include "usb/UsbHotplug.h"

using namespace vantor;
using namespace vantor::test;

namespace {

struct MockState {
    sim::Tr600Simulator *device = nullptr;
    std::mutex mutex;
    std::deque<UMockdevIoctlData *> done;  // completed URBs waiting to be reaped
    int urbs = 0;
    bool stallEverything = false;
    bool shortControl = false;                // control transfers move half of what was asked for
    bool claimBusy = false;                   // another program holds the interface
    std::vector<unsigned> claimed, released;  // interface numbers
    int kernelDriverClaims = 0;               // claims that take the interface from a kernel driver
    std::vector<unsigned> configurations;     // configurations set
};

unsigned interfaceNumber(UMockdevIoctlData *arg) {
    UMockdevIoctlData *d = umockdev_ioctl_data_resolve(arg, 0, sizeof(unsigned), nullptr);
    const unsigned n = *reinterpret_cast<unsigned *>(d->data);
    umockdev_ioctl_data_unref(d);
    return n;
}

gboolean onIoctl(UMockdevIoctlBase *, UMockdevIoctlClient *client, gpointer user) {
    auto *state = static_cast<MockState *>(user);
    const gulong request = umockdev_ioctl_client_get_request(client);
    UMockdevIoctlData *arg = umockdev_ioctl_client_get_arg(client);
    switch (request) {
    case USBDEVFS_GET_CAPABILITIES: {
        UMockdevIoctlData *d = umockdev_ioctl_data_resolve(arg, 0, sizeof(guint32), nullptr);
        *reinterpret_cast<guint32 *>(d->data) = USBDEVFS_CAP_BULK_CONTINUATION | USBDEVFS_CAP_NO_PACKET_SIZE_LIM |
                                                USBDEVFS_CAP_REAP_AFTER_DISCONNECT | USBDEVFS_CAP_ZERO_PACKET;
        umockdev_ioctl_data_unref(d);
        umockdev_ioctl_client_complete(client, 0, 0);
        return TRUE;
    }
    case USBDEVFS_CLAIMINTERFACE:
    case USBDEVFS_DISCONNECT_CLAIM:  // claims too; its record starts with the interface number
    case USBDEVFS_RELEASEINTERFACE:
        if (state->claimBusy && request != USBDEVFS_RELEASEINTERFACE) {
            umockdev_ioctl_client_complete(client, -1, EBUSY);
            return TRUE;
        }
        (request == USBDEVFS_RELEASEINTERFACE ? state->released : state->claimed).push_back(interfaceNumber(arg));
        state->kernelDriverClaims += request == USBDEVFS_DISCONNECT_CLAIM;
        umockdev_ioctl_client_complete(client, 0, 0);
        return TRUE;
    case USBDEVFS_SETCONFIGURATION:
        state->configurations.push_back(interfaceNumber(arg));  // the record is one number here too
        umockdev_ioctl_client_complete(client, 0, 0);
        return TRUE;
    case USBDEVFS_CLEAR_HALT:
    case USBDEVFS_RESET:
    case USBDEVFS_RESETEP: umockdev_ioctl_client_complete(client, 0, 0); return TRUE;
    case USBDEVFS_GETDRIVER:
        umockdev_ioctl_client_complete(client, -1, ENODATA);  // no kernel driver to detach
        return TRUE;
    case USBDEVFS_SUBMITURB: {
        UMockdevIoctlData *u = umockdev_ioctl_data_resolve(arg, 0, sizeof(struct usbdevfs_urb), nullptr);
        auto *urb = reinterpret_cast<struct usbdevfs_urb *>(u->data);
        UMockdevIoctlData *buf = umockdev_ioctl_data_resolve(u, G_STRUCT_OFFSET(struct usbdevfs_urb, buffer),
                                                             std::size_t(urb->buffer_length), nullptr);
        ++state->urbs;
        urb->status = 0;
        if (state->stallEverything) {
            urb->actual_length = 0;
            urb->status = -EPIPE;
        } else if (urb->type == USBDEVFS_URB_TYPE_CONTROL) {
            guint8 *setup = buf->data;
            const std::uint16_t value = std::uint16_t(setup[2] | setup[3] << 8);
            const std::uint16_t index = std::uint16_t(setup[4] | setup[5] << 8);
            const std::uint16_t length = std::uint16_t(setup[6] | setup[7] << 8);
            const bool in = setup[0] & 0x80;
            const bool ok = (setup[0] & 0x60) == 0x40 &&
                            state->device->vendorRequest(in ? UsbDirection::DeviceToHost : UsbDirection::HostToDevice,
                                                         setup[1], value, index, buf->data + 8, length);
            urb->actual_length = ok ? (state->shortControl ? length / 2 : length) : 0;
            if (!ok) urb->status = -EPIPE;  // stall
        } else {
            const int n = (urb->endpoint & 0x80)
                              ? state->device->bulkIn(urb->endpoint, buf->data, urb->buffer_length, 300)
                              : state->device->bulkOut(urb->endpoint, buf->data, urb->buffer_length, 300);
            urb->actual_length = n < 0 ? 0 : n;
            if (n < 0) urb->status = -EPIPE;
        }
        umockdev_ioctl_data_unref(buf);
        {
            std::lock_guard lock(state->mutex);
            state->done.push_back(u);
        }
        umockdev_ioctl_client_complete(client, 0, 0);
        return TRUE;
    }
    case USBDEVFS_REAPURB:
    case USBDEVFS_REAPURBNDELAY: {
        UMockdevIoctlData *u = nullptr;
        {
            std::lock_guard lock(state->mutex);
            if (!state->done.empty()) {
                u = state->done.front();
                state->done.pop_front();
            }
        }
        if (!u) {
            umockdev_ioctl_client_complete(client, -1, EAGAIN);
            return TRUE;
        }
        UMockdevIoctlData *p = umockdev_ioctl_data_resolve(arg, 0, sizeof(gpointer), nullptr);
        umockdev_ioctl_data_set_ptr(p, 0, u);
        umockdev_ioctl_data_unref(p);
        umockdev_ioctl_data_unref(u);
        umockdev_ioctl_client_complete(client, 0, 0);
        return TRUE;
    }
    default: return FALSE;
    }
}

// Device 7a31:0001, one interface with bulk endpoints 0x02 OUT and 0x82 IN.
constexpr const char *kDevice =
    "P: /devices/pci0000:00/0000:00:14.0/usb1/1-1\n"
    "N: bus/usb/001/002\n"
    "E: SUBSYSTEM=usb\nE: DEVTYPE=usb_device\nE: DRIVER=usb\n"
    "E: BUSNUM=001\nE: DEVNUM=002\nE: DEVNAME=/dev/bus/usb/001/002\n"
    "E: ID_VENDOR_ID=7a31\nE: ID_MODEL_ID=0001\n"
    "A: busnum=1\\n\nA: devnum=2\\n\nA: speed=480\\n\nA: bConfigurationValue=1\\n\n"
    "A: idVendor=7a31\\n\nA: idProduct=0001\\n\n"
    "H: "
    "descriptors="
    "12010002FF000040317A01000001000000010902200001010080320904000002FF0000000705020200020007058202000200\n";

// Another vendor's device on the same bus: it must never be opened.
constexpr const char *kForeign =
    "P: /devices/pci0000:00/0000:00:14.0/usb1/1-2\n"
    "N: bus/usb/001/003\n"
    "E: SUBSYSTEM=usb\nE: DEVTYPE=usb_device\nE: DRIVER=usb\n"
    "E: BUSNUM=001\nE: DEVNUM=003\nE: DEVNAME=/dev/bus/usb/001/003\n"
    "A: busnum=1\\n\nA: devnum=3\\n\nA: speed=480\\n\nA: bConfigurationValue=1\\n\n"
    "A: idVendor=1234\\n\nA: idProduct=5678\\n\n"
    "H: "
    "descriptors="
    "12010002FF00004034127856000001000000010902200001010080320904000002FF0000000705020200020007058202000200\n";

}  // namespace

TEST(UsbUmockdev, ProgramReadVerifyThroughLibusb) {
    UMockdevTestbed *testbed = umockdev_testbed_new();  // sets up the mock environment
    if (!umockdev_in_mock_environment()) {
        g_object_unref(testbed);
        GTEST_SKIP() << "needs umockdev-wrapper";
    }
    UMockdevIoctlBase *handler = umockdev_ioctl_base_new();
    UMockdevIoctlBase *foreignHandler = umockdev_ioctl_base_new();

    DeviceRecord device = makeDevice({});
    device.memory_areas[0].size_bytes = 0x4000;
    auto simulator = std::make_shared<sim::Tr600Simulator>(0x85);
    simulator->insertChip(std::make_shared<sim::VirtualChip>(sim::ChipSpec::fromDevice(device)));
    MockState state;
    state.device = simulator.get();
    MockState foreign;  // any URB here is a fault
    g_signal_connect(handler, "handle-ioctl", G_CALLBACK(onIoctl), &state);
    GError *error = nullptr;
    // The handler goes on before the device is added.
    ASSERT_TRUE(umockdev_testbed_attach_ioctl(testbed, "/dev/bus/usb/001/002", handler, &error));
    ASSERT_TRUE(umockdev_testbed_attach_ioctl(testbed, "/dev/bus/usb/001/003", foreignHandler, &error));
    ASSERT_TRUE(umockdev_testbed_add_from_string(testbed, kForeign, &error)) << error->message;
    ASSERT_TRUE(umockdev_testbed_add_from_string(testbed, kDevice, &error)) << error->message;

    {
        FakeClock clock;
        RecordingEngineSink sink;
        RecordingPrompt prompt;
        OperationCounters counters;
        std::atomic<bool> disconnected{false};
        DataBuffer buffer;
        OptionsRecord options;
        options.IngoreFFH = 0;
        CUsbProgrammer programmer(std::make_unique<LibusbBackend>());
        programmer.setEnvironment({&sink, &clock, &prompt, &counters, &disconnected});
        programmer.SetContext(&buffer, &device, &options);

        int model = -1;
        ASSERT_TRUE(programmer.Connect(model)) << programmer.usb().openProblem();
        EXPECT_EQ(model, 0x85);
        for (std::uint32_t i = 0; i < 0x4000; ++i) buffer[i] = std::uint8_t(i * 3 + 1);
        for (int op : {kOpProgram, kOpVerify}) {
            ASSERT_TRUE(programmer.StartOperation(Op(op)));
            programmer.waitIdle();
        }
        std::vector<std::uint8_t> written(buffer.data(), buffer.data() + 0x4000);
        buffer.fill(0xFF);
        ASSERT_TRUE(programmer.StartOperation(Op::Read));
        programmer.waitIdle();
        EXPECT_TRUE(std::equal(written.begin(), written.end(), buffer.data()));
        EXPECT_EQ(counters.CntSuccess.load(), 3) << ::testing::PrintToString(sink.messages());
        EXPECT_EQ(simulator->chip()->read(0, 0x3FFF), written[0x3FFF]);
        programmer.Close();
    }
    EXPECT_GT(state.urbs, 3 * 64);
    EXPECT_EQ(foreign.urbs, 0);
    EXPECT_EQ(state.claimed, std::vector<unsigned>{0});
    EXPECT_EQ(state.released, std::vector<unsigned>{0});
    // A kernel driver bound to the interface is set aside; the active configuration is kept, as
    // setting it again would reset the programmer.
    EXPECT_EQ(state.kernelDriverClaims, 1);
    EXPECT_TRUE(state.configurations.empty());

    // A transfer the device stalls fails; it never passes for an empty success.
    {
        LibusbBackend backend;
        ASSERT_TRUE(backend.openIndex(0));
        state.stallEverything = true;
        std::uint8_t block[64] = {};
        EXPECT_EQ(backend.bulk(0x82, block, 64, 300), -1);
        EXPECT_EQ(backend.bulk(0x02, block, 64, 300), -1);
        EXPECT_FALSE(backend.control(UsbDirection::DeviceToHost, 0x81, 1, 0, block, 1, 300));
        state.stallEverything = false;
        // A short answer leaves no stale bytes behind the ones that came.
        state.shortControl = true;
        std::memset(block, 0xAA, sizeof block);
        EXPECT_TRUE(backend.control(UsbDirection::DeviceToHost, 0x81, 1, 0, block, 2, 300));
        EXPECT_EQ(block[1], 0);
        EXPECT_EQ(block[2], 0xAA);
        state.shortControl = false;
        // The place stays the same across re-plugs, unlike the address; there is one programmer.
        EXPECT_EQ(backend.location(), "bus 1 port 1");
        EXPECT_FALSE(backend.openIndex(1));
        EXPECT_EQ(backend.location(), "bus 1 port 1");
        EXPECT_FALSE(backend.control(UsbDirection::DeviceToHost, 0x81, 1, 0, block, 1, 300)) << "closed";
    }
    EXPECT_EQ(state.released, (std::vector<unsigned>{0, 0}));
    {
        LibusbBackend dropped;  // open when it goes: it still lets the interface go
        ASSERT_TRUE(dropped.openIndex(0));
    }
    EXPECT_EQ(state.released, (std::vector<unsigned>{0, 0, 0}));
    // A programmer another program holds is named by its bus and address.
    state.claimBusy = true;
    {
        LibusbBackend busy;
        EXPECT_FALSE(busy.openIndex(0));
        EXPECT_EQ(busy.openProblem(), "The programmer at USB bus 1 address 2 is in use by another program.");
    }
    state.claimBusy = false;
    // A programmer without an active configuration gets its first one.
    umockdev_testbed_set_attribute(testbed, "/sys/devices/pci0000:00/0000:00:14.0/usb1/1-1", "bConfigurationValue",
                                   "0");
    {
        LibusbBackend unconfigured;
        EXPECT_TRUE(unconfigured.openIndex(0));
    }
    EXPECT_EQ(state.configurations, std::vector<unsigned>{1});
    g_object_unref(handler);
    g_object_unref(foreignHandler);
    g_object_unref(testbed);
}

// Only programmers count and are heard: another vendor's device on the bus is neither.
TEST(UsbUmockdev, HotplugCountsAndHearsOnlyProgrammers) {
    UMockdevTestbed *testbed = umockdev_testbed_new();
    if (!umockdev_in_mock_environment()) {
        g_object_unref(testbed);
        GTEST_SKIP() << "needs umockdev-wrapper";
    }
    std::mutex mutex;
    std::condition_variable heard;
    std::vector<bool> events;
    const auto waitForEvents = [&](std::size_t n) {
        std::unique_lock lock(mutex);
        heard.wait_for(lock, std::chrono::seconds(5), [&] { return events.size() >= n; });
        return events;
    };
    {
        UsbHotplug hotplug([&](bool arrival) {
            std::lock_guard lock(mutex);
            events.push_back(arrival);
            heard.notify_all();
        });
        ASSERT_TRUE(hotplug.active());
        EXPECT_EQ(hotplug.countProgrammers(), 0);
        GError *error = nullptr;
        ASSERT_TRUE(umockdev_testbed_add_from_string(testbed, kForeign, &error)) << error->message;
        EXPECT_EQ(hotplug.countProgrammers(), 0);
        ASSERT_TRUE(umockdev_testbed_add_from_string(testbed, kDevice, &error)) << error->message;
        EXPECT_EQ(hotplug.countProgrammers(), 1);
        // libusb has hot-plug events on Linux, the only place this test runs.
        ASSERT_TRUE(hotplug.usesHotplug());
        EXPECT_EQ(waitForEvents(1), std::vector<bool>{true});
        const char *programmer = "/sys/devices/pci0000:00/0000:00:14.0/usb1/1-1";
        umockdev_testbed_uevent(testbed, programmer, "remove");
        umockdev_testbed_remove_device(testbed, programmer);
        EXPECT_EQ(waitForEvents(2), (std::vector<bool>{true, false}));
        EXPECT_EQ(hotplug.countProgrammers(), 0);
    }
    g_object_unref(testbed);
}
