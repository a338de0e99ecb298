#include "camera/FilterWheel.h"
#include "camera/CameraLink.h"
#include "camera/Exposure.h"
#include "settings/SettingsFile.h"
#include "sim/SimCamera.h"
#include "sim/SimWheel.h"
#include "support/TestProgram.h"

#include <gtest/gtest.h>

namespace kor {
namespace {

// A program with the simulated camera found, a wheel on its serial port and
// the same wheel offered as the USB device.
struct Wheel {
    test::TestProgram t;
    std::shared_ptr<sim::SimCamera> camera = std::make_shared<sim::SimCamera>(t.clock);
    std::shared_ptr<sim::SimWheel> wheel = std::make_shared<sim::SimWheel>();
    sim::SimWheelSerial serial{*wheel};
    Program& p = t.program;

    explicit Wheel(int positions = 7)
    {
        wheel->positions = positions;
        p.settings.showInterfaceDetails = 'n';
        p.camera.bus = std::make_unique<sim::SimCameraBus>(camera);
        FindCamera(p);
        camera->attachSerialDevice(1, &serial);
        p.wheel.link = std::make_unique<sim::SimWheelLink>(wheel);
    }
};

TEST(FilterWheel, SerialCommands)
{
    EXPECT_EQ(serialWheelCommand(3), (std::array<std::uint8_t, 4>{0xA5, 0x01, 0x03, 0xA9}));
    EXPECT_EQ(serialWheelCommand(8), (std::array<std::uint8_t, 4>{0xA5, 0x01, 0x08, 0xAE}));
    Wheel s;
    s.p.wheel.WheelPosition = 3;
    SelectFilter(s.p);
    s.p.wheel.WheelPosition = 8;
    SelectFilter(s.p);
    EXPECT_EQ(s.wheel->moves, (std::vector<int>{3, 8}));
    EXPECT_EQ(s.wheel->badCommands, 0);
    EXPECT_TRUE(s.t.messages.messages.empty());

    // The telescope on the second port puts the wheel on the first.
    Wheel other;
    other.camera->attachSerialDevice(1, nullptr);
    other.camera->attachSerialDevice(0, &other.serial);
    other.p.settings.telescopeComPort = '2';
    wheelNext(other.p);
    EXPECT_EQ(other.wheel->moves, std::vector<int>{2});
}

TEST(FilterWheel, UsbWheelReportsAndPositions)
{
    struct Case {
        int wheelPositions;
        int after;
    };
    for (const Case& c : {Case{5, 5}, Case{9, 7}}) {
        Wheel s(c.wheelPositions);
        ASSERT_TRUE(FindWheel(s.p));
        EXPECT_TRUE(s.p.wheel.WheelPresent);
        EXPECT_EQ(s.p.settings.filterCount, c.after);
        EXPECT_TRUE(s.wheel->moves.empty()); // the opening report moves nothing
    }
    Wheel s(5);
    FindWheel(s.p);
    wheelPrev(s.p); // from 1 to the last
    wheelNext(s.p); // and round again
    wheelNext(s.p);
    wheelFirst(s.p);
    EXPECT_EQ(s.wheel->moves, (std::vector<int>{5, 1, 2, 1}));
    EXPECT_EQ(currentFilterName(s.p), "Blank");
    EXPECT_EQ(s.wheel->badCommands, 0);
}

TEST(FilterWheel, FailuresAreShownAndThePositionKept)
{
    Wheel s;
    FindWheel(s.p);
    s.wheel->failNextWrite = true;
    wheelNext(s.p);
    s.wheel->failNextRead = true;
    wheelNext(s.p);
    EXPECT_EQ(s.p.wheel.WheelPosition, 3);
    ASSERT_EQ(s.t.messages.messages.size(), 2u);
    EXPECT_EQ(s.t.messages.messages[0].text, "Could not write KORIO Output - try rebooting USB device");
    EXPECT_EQ(s.t.messages.messages[1].text.rfind("Error ", 0), 0u);

    Wheel none;
    none.wheel->missing = true;
    EXPECT_FALSE(FindWheel(none.p));
    EXPECT_FALSE(none.p.wheel.WheelPresent);
    EXPECT_TRUE(none.t.messages.messages.empty());
}

TEST(FilterWheel, TheEngineLooksForTheUsbWheelOnlyWhenItIsChosen)
{
    for (const char chosen : {'n', 'y'}) {
        SCOPED_TRACE(chosen);
        Wheel s;
        // The engine reloads the settings before it looks for the devices.
        s.p.settings.useUsbFilterWheel = chosen;
        ASSERT_EQ(SaveSettings(s.p.settings, s.p.paths), SettingsResult::Ok);
        CloseDevices(s.p.camera);
        ASSERT_TRUE(PrepareExposure(s.p));
        EXPECT_EQ(s.p.wheel.WheelPresent, chosen == 'y');
        wheelNext(s.p);
        // Without the USB wheel the position goes out on the serial port; the simulated wheel takes either.
        EXPECT_EQ(s.wheel->moves, std::vector<int>{2});
    }
}

TEST(FilterWheel, NothingIsSentWhenTheSerialCommandsGoToThePcPort)
{
    Wheel s;
    s.p.settings.aoPortSelect = 3;
    wheelNext(s.p);
    EXPECT_EQ(s.p.wheel.WheelPosition, 2);
    EXPECT_TRUE(s.wheel->moves.empty());
    ASSERT_EQ(s.t.messages.messages.size(), 1u);
    EXPECT_EQ(s.t.messages.messages[0].text,
              "The filter wheel was not moved: commands on the PC serial port are not available yet");
}

} // namespace
} // namespace kor
