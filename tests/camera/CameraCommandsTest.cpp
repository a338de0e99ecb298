#include "camera/CameraCommands.h"
#include "camera/CameraLink.h"
#include "camera/FakeUsb.h"
#include "support/TestProgram.h"

#include <gtest/gtest.h>

#include <functional>

namespace kor {
namespace {

using Bytes = std::vector<std::uint8_t>;

// A program whose camera is a FakeUsbDevice: what it writes is recorded, what
// it reads is scripted.
struct FakeCamera {
    test::TestProgram t;
    std::shared_ptr<test::FakeUsbLog> log;

    FakeCamera()
    {
        t.program.settings.showInterfaceDetails = 'n';
        auto bus = std::make_unique<test::FakeUsbBus>();
        bus->devices = {{1, 2, kCameraVendorId, kCameraProductId, 0}};
        log = bus->log;
        t.program.camera.bus = std::move(bus);
        FindCamera(t.program);
    }
    CameraLink& camera() { return t.program.camera; }
};

TEST(CameraCommands, BlocksRepliesAndResults)
{
    struct Case {
        const char* name;
        std::function<void(FakeCamera&)> setUp;
        std::function<void(Program&)> run;
        std::vector<Bytes> sent;
        Bytes reply;
        std::function<void(CameraLink&)> check;
    };
    const Bytes none;
    const std::vector<Case> cases = {
        {"exposure of 1000 ms is timed by the camera",
         [](FakeCamera& f) { f.camera().ExposureMs = 1000; },
         [](Program& p) { ReadMonoBinned2(p); },
         {{0x40, 2, 3, 0, 0, 0, 14, 0, 0, 0, 0, 0, 0x70, 0x14, 0xCF, 0x03, 2, 1, 0xE8, 0x03, 0, 0}},
         Bytes(5101200, 1),
         nullptr},
        {"exposure of 1001 ms is timed by the host",
         [](FakeCamera& f) { f.camera().ExposureMs = 1001; },
         [](Program& p) { ReadMonoBinned2(p); },
         {{0x40, 3, 3, 0, 0, 0, 10, 0, 0, 0, 0, 0, 0x70, 0x14, 0xCF, 0x03, 2, 1}},
         Bytes(5101200, 1),
         nullptr},
        {"colour-binned second field",
         [](FakeCamera& f) {
             f.camera().ExposureMs = 2000;
             f.camera().ReadField = 2;
             f.camera().SecondHalf = true;
         },
         [](Program& p) { ReadColourBinnedField(p); },
         {{0x40, 3, 2, 0, 0, 0, 10, 0, 0, 0, 0, 0, 0x70, 0x14, 0xCF, 0x03, 4, 1}},
         Bytes(2550600, 7),
         [](CameraLink& c) {
             EXPECT_EQ(c.ReadoutWords[2550599], 0x0707); // second half converted with the first
             EXPECT_EQ(c.ReadoutWords[1275299], 0);
         }},
        {"focus window origins",
         [](FakeCamera& f) { f.camera().ExposureMs = 100; },
         [](Program& p) { ReadFocusWindow(p, 1000, 600, false); },
         {{0x40, 2, 1, 0, 0, 0, 14, 0, 0xB0, 0x04, 0xFB, 0x00, 0x00, 0x01, 0x20, 0x00, 1, 1, 100, 0, 0, 0}},
         Bytes(16384, 1),
         nullptr},
        {"binned focus window origins",
         [](FakeCamera& f) { f.camera().ExposureMs = 100; },
         [](Program& p) { ReadFocusWindow(p, 1000, 600, true); },
         {{0x40, 2, 3, 0, 0, 0, 14, 0, 0x30, 0x04, 0xEA, 0x00, 0x00, 0x02, 0x40, 0x00, 2, 1, 100, 0, 0, 0}},
         Bytes(32768, 1),
         nullptr},
        {"clear pair",
         nullptr,
         [](Program& p) { ClearSensor(p); },
         {{0x40, 1, 8, 0, 0, 0, 0, 0}, {0x40, 1, 0, 0, 0, 0, 0, 0}},
         none,
         nullptr},
        {"guider frame, binned",
         nullptr,
         [](Program& p) { ReadGuiderFrame(p, true); },
         {{0x40, 3, 3, 0, 1, 0, 10, 0, 0, 0, 0, 0, 0xF4, 0x01, 0x22, 0x01, 2, 2}},
         Bytes(36250, 3),
         nullptr},
        {"guider flush with clear camera",
         nullptr,
         [](Program& p) { FlushGuider(p, true); },
         {{0x40, 1, 0, 0, 1, 0, 0, 0}, {0x40, 3, 3, 0, 1, 0, 10, 0, 0, 0, 0, 0, 0xF4, 0x01, 50, 0, 1, 1}},
         Bytes(25000, 0),
         nullptr},
        {"cooler set point -40, reply 2530",
         nullptr,
         [](Program& p) { CoolerExchange(p); },
         {{0x40, 30, 0x1A, 0x09, 1, 0, 0, 0}},
         {0xE2, 0x09, 0x00},
         [](CameraLink& c) { EXPECT_EQ(c.SensorTemperature, -20); }},
        {"cooler reply 2725 truncates to 0",
         nullptr,
         [](Program& p) { CoolerExchange(p); },
         {{0x40, 30, 0x1A, 0x09, 1, 0, 0, 0}},
         {0xA5, 0x0A, 0x00},
         [](CameraLink& c) { EXPECT_EQ(c.SensorTemperature, 0); }},
        {"cooling off",
         [](FakeCamera& f) { f.camera().CoolingOn = false; },
         [](Program& p) { CoolerExchange(p); },
         {{0x40, 30, 0x1A, 0x09, 0, 0, 0, 0}},
         {0xD6, 0x0B, 0x00},
         [](CameraLink& c) { EXPECT_EQ(c.SensorTemperature, 30); }},
        {"cooling off, forced to maximum",
         [](FakeCamera& f) {
             f.camera().CoolingOn = false;
             f.t.program.settings.forceMaximumCooling = 'y';
         },
         [](Program& p) { CoolerExchange(p); },
         {{0x40, 31, 0, 0, 0, 0, 0, 0}},
         {0x00, 0x09, 0x00},
         [](CameraLink& c) { EXPECT_EQ(c.SensorTemperature, -42); }},
        {"firmware 1.10 has no cooler",
         nullptr,
         [](Program& p) { ReadFirmwareVersion(p); },
         {{0x40, 0xFF, 0, 0, 0, 0, 0, 0}},
         {0x0A, 0x00, 0x01, 0x00},
         [](CameraLink& c) {
             EXPECT_EQ(c.FirmwareMajor, 1);
             EXPECT_EQ(c.FirmwareMinor, 10);
             EXPECT_FALSE(c.CoolerAvailable);
         }},
        {"firmware 1.11 keeps the cooler",
         nullptr,
         [](Program& p) { ReadFirmwareVersion(p); },
         {{0x40, 0xFF, 0, 0, 0, 0, 0, 0}},
         {0x0B, 0x00, 0x01, 0x00},
         [](CameraLink& c) {
             EXPECT_EQ(c.FirmwareMinor, 11);
             EXPECT_TRUE(c.CoolerAvailable);
         }},
        {"guide outputs west and north",
         nullptr,
         [](Program& p) { SendGuideOutputs(p, 0x05); },
         {{0x40, 9, 5, 0, 0, 0, 0, 0}},
         none,
         nullptr},
        {"serial write on port 1",
         nullptr,
         [](Program& p) {
             const Bytes data = {':', 'Q', '#'};
             SendSerialData(p, 1, data);
         },
         {{0x40, 10, 0, 0, 1, 0, 3, 0, ':', 'Q', '#'}},
         none,
         nullptr},
        {"serial read of 3 bytes on port 0",
         nullptr,
         [](Program& p) {
             Bytes reply;
             EXPECT_TRUE(ReadSerialData(p, 0, 3, reply));
             EXPECT_EQ(reply, (Bytes{'1', '2', '#'}));
         },
         {{0x40, 11, 0, 0, 0, 0, 3, 0}},
         {'1', '2', '#'},
         nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FakeCamera f;
        if (c.setUp)
            c.setUp(f);
        if (!c.reply.empty())
            f.log->replies.push_back(c.reply);
        c.run(f.t.program);
        EXPECT_EQ(f.log->writes, c.sent);
        EXPECT_TRUE(f.t.messages.messages.empty());
        if (c.check)
            c.check(f.camera());
    }
}

TEST(CameraCommands, LongSerialDataGoesInBlocksOf56)
{
    FakeCamera f;
    const Bytes data(60, 'x');
    EXPECT_TRUE(SendSerialData(f.t.program, 0, data));
    ASSERT_EQ(f.log->writes.size(), 2u);
    EXPECT_EQ(f.log->writes[0].size(), 64u);
    EXPECT_EQ(f.log->writes[0][6], 56);
    EXPECT_EQ(f.log->writes[1].size(), 12u);
    EXPECT_EQ(f.log->writes[1][6], 4);
}

TEST(CameraCommands, MonoBinned4LeavesExactly654ZeroPixels)
{
    FakeCamera f;
    f.camera().ExposureMs = 5000;
    std::fill_n(f.camera().ReadoutWords.data(), 640000, std::uint16_t(0xBEEF));
    f.log->replies.push_back(Bytes(1273992, 0x11));
    EXPECT_TRUE(ReadMonoBinned4(f.t.program));
    const std::uint16_t* words = f.camera().ReadoutWords.data();
    EXPECT_EQ(words[636995], 0x1111);
    EXPECT_EQ(std::count(words + 636996, words + 640000, 0), 654);
    EXPECT_EQ(words[637650], 0xBEEF);
}

TEST(CameraCommands, NegativeWindowOriginsStartAtTheSensorEdge)
{
    FakeCamera f;
    f.camera().ExposureMs = 100;
    f.log->replies.push_back(Bytes(32768, 0));
    ReadFocusWindow(f.t.program, 10, 20, true);
    ASSERT_EQ(f.log->writes.size(), 1u);
    EXPECT_EQ(f.log->writes[0][8] | f.log->writes[0][9] << 8, 0);
    EXPECT_EQ(f.log->writes[0][10] | f.log->writes[0][11] << 8, 0);
}

} // namespace
} // namespace kor
