#include "camera/CameraLink.h"
#include "camera/CameraCommands.h"
#include "camera/FakeUsb.h"
#include "messages/Messages.h"
#include "sim/SimCamera.h"
#include "support/TestProgram.h"

#include <gtest/gtest.h>

namespace kor {
namespace {

UsbDeviceInfo device(int address, std::uint16_t vendor, std::uint16_t product)
{
    return {3, address, vendor, product, std::size_t(address)};
}

struct Discovery : ::testing::Test {
    test::TestProgram t;
    test::FakeUsbBus* bus = nullptr;

    void SetUp() override
    {
        t.program.startUp();
        t.program.settings.showInterfaceDetails = 'n';
        auto owned = std::make_unique<test::FakeUsbBus>();
        bus = owned.get();
        t.program.camera.bus = std::move(owned);
    }
};

TEST_F(Discovery, OpensTheCameraByProductIdAndSkipsOthersUnlessIdsAreIgnored)
{
    bus->devices = {device(1, 0x1278, 0x0327), device(2, 0x1278, 0x0326), device(3, 0x1278, 0x0920),
                    device(4, 0x046d, 0x0326)};
    EXPECT_EQ(FindCamera(t.program), DiscoveryResult::DeviceSeen);
    EXPECT_TRUE(t.program.camera.CameraPresent);
    ASSERT_EQ(bus->opened.size(), 1u);
    EXPECT_EQ(bus->opened[0].address, 2);
    EXPECT_EQ(t.program.camera.CameraProductId, "0326");
    EXPECT_TRUE(t.messages.messages.empty()); // no details asked for, nothing shown

    // Ignoring the ids opens every camera-vendor device but the filter wheel; the last one wins.
    test::TestProgram u;
    u.program.settings.showInterfaceDetails = 'n';
    u.program.settings.ignoreCameraVidPid = 'y';
    auto ignoring = std::make_unique<test::FakeUsbBus>();
    ignoring->devices = bus->devices;
    test::FakeUsbBus& b = *ignoring;
    u.program.camera.bus = std::move(ignoring);
    FindCamera(u.program);
    ASSERT_EQ(b.opened.size(), 2u);
    EXPECT_EQ(u.program.camera.cameraDevice.address, 2);
    EXPECT_TRUE(u.program.camera.CameraPresent);
}

TEST_F(Discovery, FailuresShowTheirMessages)
{
    // No device of the camera's vendor.
    bus->devices = {device(4, 0x046d, 0x0326)};
    EXPECT_EQ(FindCamera(t.program), DiscoveryResult::NothingSeen);
    EXPECT_FALSE(t.program.camera.CameraPresent);
    ASSERT_EQ(t.messages.messages.size(), 1u);
    EXPECT_EQ(t.messages.messages[0].code, kMsgOwnText);
    EXPECT_EQ(t.messages.messages[0].text, "USB KORIO device not found");

    // A camera-vendor device with another product: seen, but not the camera.
    t.messages.messages.clear();
    bus->devices = {device(1, 0x1278, 0x0327)};
    EXPECT_EQ(FindCamera(t.program), DiscoveryResult::DeviceSeen);
    EXPECT_EQ(t.messages.messages.at(0).text, "USB KORIO device not found");

    // The bus cannot be enumerated.
    t.messages.messages.clear();
    bus->listStatus = UsbStatus::Io;
    EXPECT_EQ(FindCamera(t.program), DiscoveryResult::NothingSeen);
    EXPECT_EQ(t.messages.messages.at(0).text, "Could not attach to PnP node");

    // The camera is there but may not be opened.
    t.messages.messages.clear();
    bus->listStatus = UsbStatus::Ok;
    bus->devices = {device(2, 0x1278, 0x0326)};
    bus->openStatus = UsbStatus::Access;
    EXPECT_EQ(FindCamera(t.program), DiscoveryResult::NothingSeen);
    ASSERT_EQ(t.messages.messages.size(), 1u);
    EXPECT_EQ(t.messages.messages[0].code, Message::kFreeText);
    EXPECT_EQ(t.messages.messages[0].title, "Error");
    EXPECT_EQ(t.messages.messages[0].text.rfind("Could not open HID device", 0), 0u);
    EXPECT_FALSE(t.program.camera.CameraPresent);
}

TEST_F(Discovery, InterfaceDetailsNameBusAndDevice)
{
    t.program.settings.showInterfaceDetails = 'y';
    bus->devices = {device(7, 0x1278, 0x0326)};
    FindCamera(t.program);
    ASSERT_EQ(t.messages.messages.size(), 1u);
    const std::string& text = t.messages.messages[0].text;
    EXPECT_EQ(text.rfind("Camera Found, \nKORIO =   3007\nO/S = ", 0), 0u) << text;
    EXPECT_NE(text.find("\nPID = 0326"), std::string::npos);
}

TEST(CameraLink, LargeReadsAreOneReadSplitBelowTheTransferLimit)
{
    const std::vector<std::size_t> pieces = splitTransfers(20404800, 4u << 20);
    ASSERT_EQ(pieces.size(), 5u);
    EXPECT_EQ(pieces.front(), 4u << 20);
    std::size_t total = 0;
    for (const std::size_t p : pieces) {
        EXPECT_LE(p, 16u << 20);
        total += p;
    }
    EXPECT_EQ(total, 20404800u);
    EXPECT_TRUE(splitTransfers(0, 100).empty());
    EXPECT_EQ(splitTransfers(100, 100), std::vector<std::size_t>{100});

    // The program issues a full field as a single read of 10,202,400 bytes.
    test::TestProgram t;
    auto bus = std::make_unique<test::FakeUsbBus>();
    bus->devices = {{1, 1, kCameraVendorId, kCameraProductId, 0}};
    auto log = bus->log;
    t.program.settings.showInterfaceDetails = 'n';
    t.program.camera.bus = std::move(bus);
    FindCamera(t.program);
    log->replies.emplace_back(10202400, 0);
    t.program.camera.ExposureMs = 5000;
    EXPECT_TRUE(ReadFullField(t.program));
    EXPECT_EQ(log->readSizes, std::vector<std::size_t>{10202400});
}

// Faults of the simulated camera reach the user as the link's messages, and nothing hangs.
TEST(CameraLink, SimulatedFaultsAreReportedNeverHang)
{
    test::TestProgram t;
    t.program.settings.showInterfaceDetails = 'n';
    auto camera = std::make_shared<sim::SimCamera>(t.clock);
    t.program.camera.bus = std::make_unique<sim::SimCameraBus>(camera);
    FindCamera(t.program);
    ASSERT_TRUE(t.program.camera.CameraPresent);

    camera->failNextWrite();
    EXPECT_FALSE(ReadFirmwareVersion(t.program));
    ASSERT_GE(t.messages.messages.size(), 1u);
    EXPECT_EQ(t.messages.messages[0].text, "Could not write KORIO Output - try rebooting USB device");

    struct Case {
        const char* name;
        void (sim::SimCamera::*fault)();
        const char* text;
    };
    const Case cases[] = {
        {"time-out", &sim::SimCamera::timeOutNextRead, "Error 110 trying to read KORIO data from USB\n"},
        {"short read", &sim::SimCamera::shortenNextRead, "Error 5 trying to read KORIO data from USB\n"},
    };
    for (const Case& c : cases) {
        t.messages.messages.clear();
        ((*camera).*c.fault)();
        const std::uint32_t before = t.clock.nowMs();
        EXPECT_FALSE(CoolerExchange(t.program)) << c.name;
        ASSERT_EQ(t.messages.messages.size(), 1u) << c.name;
        EXPECT_EQ(t.messages.messages[0].text, c.text) << c.name;
        EXPECT_TRUE(t.program.camera.CameraPresent) << c.name;
        if (c.fault == &sim::SimCamera::timeOutNextRead) {
            EXPECT_GE(t.clock.nowMs() - before, 5000u); // waited for its time-out, in virtual time
        }
    }
    // A camera-timed exposure's read waits for the exposure plus a margin before it times out.
    t.messages.messages.clear();
    camera->timeOutNextRead();
    t.program.camera.ExposureMs = 800;
    const std::uint32_t before = t.clock.nowMs();
    EXPECT_FALSE(ReadMonoBinned4(t.program));
    EXPECT_EQ(t.clock.nowMs() - before, 800u + kReadMarginMs);

    // Unplugged: the read fails and the camera is forgotten, so that it is looked for again.
    t.messages.messages.clear();
    camera->unplug();
    EXPECT_FALSE(ReadFirmwareVersion(t.program));
    EXPECT_FALSE(t.program.camera.CameraPresent);
    EXPECT_EQ(t.messages.messages.at(0).text, "Could not write KORIO Output - try rebooting USB device");
    t.messages.messages.clear();
    FindCamera(t.program);
    EXPECT_FALSE(t.program.camera.CameraPresent);
    EXPECT_EQ(t.messages.messages.at(0).text, "USB KORIO device not found");
    EXPECT_EQ(camera->protocolErrors, 0);
}

} // namespace
} // namespace kor

namespace kor {
namespace {

// This machine's own bus through libusb: without the camera plugged in,
// discovery ends with exactly one message and no camera.
TEST(CameraLink, LibUsbBusWithoutTheCamera)
{
    test::TestProgram t;
    t.program.settings.showInterfaceDetails = 'n';
    FindCamera(t.program);
    if (t.program.camera.CameraPresent)
        GTEST_SKIP() << "a camera is plugged in";
    ASSERT_EQ(t.messages.messages.size(), 1u);
    const std::string& text = t.messages.messages[0].text;
    EXPECT_TRUE(text == "USB KORIO device not found" || text == "Could not attach to PnP node") << text;
}

} // namespace
} // namespace kor
