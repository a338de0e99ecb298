#include "sim/SimCamera.h"
#include "camera/CameraCommands.h"
#include "camera/CameraLink.h"
#include "camera/Rearrange.h"
#include "support/TestProgram.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>

namespace kor {
namespace {

// A program with the simulated camera plugged in and found.
struct SimulatedCamera {
    test::TestProgram t;
    std::shared_ptr<sim::SimCamera> camera = std::make_shared<sim::SimCamera>(t.clock);

    SimulatedCamera()
    {
        t.program.settings.showInterfaceDetails = 'n';
        t.program.camera.bus = std::make_unique<sim::SimCameraBus>(camera);
        FindCamera(t.program);
    }
    Program& program() { return t.program; }
    CameraLink& link() { return t.program.camera; }
};

std::size_t countNonZero(const std::vector<std::uint16_t>& v)
{
    return std::size_t(std::count_if(v.begin(), v.end(), [](std::uint16_t x) { return x != 0; }));
}

// Each mode's reads through the real command code, rearranged, give exactly
// the image the simulated camera rendered.
TEST(SimulatedCamera, EveryModeReproducesTheGroundTruth)
{
    struct Case {
        const char* name;
        int mode;
        std::int32_t exposureMs;
        int width, height;
        std::function<void(Program&)> read;
    };
    auto twoFields = [](bool (*read)(Program&)) {
        return [read](Program& p) {
            p.camera.ReadField = 1;
            p.camera.SecondHalf = false;
            read(p);
            p.camera.ReadField = 2;
            p.camera.SecondHalf = true;
            read(p);
        };
    };
    const Case cases[] = {
        {"high resolution", 1, 500, 3900, 2616, twoFields(ReadFullField)},
        {"colour binned", 2, 3000, 1950, 1308, twoFields(ReadColourBinnedField)},
        {"mono binned 2 x 2", 3, 800, 1950, 1308, [](Program& p) { ReadMonoBinned2(p); }},
        {"mono binned 4 x 4", 4, 4000, 1950, 1308, [](Program& p) { ReadMonoBinned4(p); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SimulatedCamera s;
        s.link().ExposureMs = c.exposureMs;
        ClearSensor(s.program());
        if (c.exposureMs > kLongestCameraTimedExposureMs)
            s.t.clock.advanceMs(std::uint32_t(c.exposureMs)); // the host times the exposure
        c.read(s.program());
        ArrangeReadout(s.program(), c.mode);

        EXPECT_TRUE(s.t.messages.messages.empty());
        EXPECT_EQ(s.camera->protocolErrors, 0);
        EXPECT_EQ(s.camera->lastExposureMs(), std::uint32_t(c.exposureMs));
        ASSERT_EQ(s.camera->truthWidth(), c.width);
        ASSERT_EQ(s.camera->truthHeight(), c.height);
        std::vector<std::uint16_t> expected = s.camera->truth();
        const std::size_t pixels = expected.size();
        EXPECT_GT(countNonZero(expected), pixels * 99 / 100); // the readout reaches nearly all of the image
        if (c.mode == 3) {
            // The odd columns are balanced against the even ones.
            std::uint64_t even = 0, odd = 0;
            for (std::size_t i = 0; i < pixels; ++i)
                (i % 2 == 0 ? even : odd) += expected[i];
            for (std::size_t i = 1; i < pixels; i += 2) {
                const double v = expected[i] * (double(even) / double(odd));
                expected[i] = v >= 65535.0 ? 65534 : std::uint16_t(v);
            }
        }
        const std::uint16_t* image = s.t.program.workspace.CurrentImage.data();
        std::size_t mismatches = 0;
        for (std::size_t i = 0; i < pixels; ++i)
            if (image[i] != expected[i] && ++mismatches <= 5)
                ADD_FAILURE() << "pixel " << i % c.width << "," << i / c.width << ": " << image[i] << " vs "
                              << expected[i];
        EXPECT_EQ(mismatches, 0u);
    }
}

TEST(SimulatedCamera, FocusWindowsAndGuiderFrames)
{
    SimulatedCamera s;
    CameraLink& link = s.link();
    std::vector<std::uint16_t> frame(128 * 128);

    // Unbinned: the two fields one after the other.
    link.ExposureMs = 200;
    ClearSensor(s.program());
    link.ReadField = 1;
    link.SecondHalf = false;
    ReadFocusWindow(s.program(), 2600 - 64, 1800 - 64, false);
    link.ReadField = 2;
    link.SecondHalf = true;
    ReadFocusWindow(s.program(), 2600 - 64, 1800 - 64, false);
    ArrangeFocusFrame(link.ReadoutWords.data(), link.ReadoutScratch.data(), frame.data(), false);
    EXPECT_EQ(frame, s.camera->truth());
    EXPECT_EQ(s.camera->truthKind(), sim::SimRead::Focus);
    // The bright star is in view.
    EXPECT_GT(*std::max_element(frame.begin(), frame.end()), 5000);

    link.SecondHalf = false;
    ReadFocusWindow(s.program(), 2600 - 64, 1800 - 64, true);
    ArrangeFocusFrame(link.ReadoutWords.data(), link.ReadoutScratch.data(), frame.data(), true);
    std::vector<std::uint16_t> expected = s.camera->truth();
    std::uint64_t even = 0, odd = 0;
    for (std::size_t i = 0; i < expected.size(); ++i)
        (i % 2 == 0 ? even : odd) += expected[i];
    for (std::size_t i = 1; i < expected.size(); i += 2)
        expected[i] = std::uint16_t(std::min(65534.0, expected[i] * (double(even) / double(odd))));
    EXPECT_EQ(frame, expected);

    // Guider frames: 8 bits to the high byte, binned into 2 x 2 blocks.
    for (const bool binned : {false, true}) {
        FlushGuider(s.program(), true);
        s.t.clock.advanceMs(1000);
        ASSERT_TRUE(ReadGuiderFrame(s.program(), binned));
        const std::vector<std::uint8_t>& truth = s.camera->guiderTruth();
        const int bin = binned ? 2 : 1;
        ASSERT_EQ(truth.size(), std::size_t(145000 / (bin * bin)));
        const std::uint16_t* g = s.t.program.workspace.GuiderImage.data();
        for (int y = 0; y < 290; y += 3)
            for (int x = 0; x < 500; x += 3)
                ASSERT_EQ(g[y * 500 + x], truth[std::size_t((y / bin) * (500 / bin) + x / bin)] << 8);
        EXPECT_EQ(*std::max_element(truth.begin(), truth.end()), 255); // the guide star
    }
    EXPECT_TRUE(s.t.messages.messages.empty());
    EXPECT_EQ(s.camera->protocolErrors, 0);
}

TEST(SimulatedCamera, CoolerFirmwareGuidePortAndSerialPorts)
{
    SimulatedCamera s;
    ASSERT_TRUE(ReadFirmwareVersion(s.program()));
    EXPECT_EQ(s.link().FirmwareMajor, 1);
    EXPECT_EQ(s.link().FirmwareMinor, 11);

    // The cooler approaches its set point at a finite rate.
    s.link().CoolerSetPoint = -10;
    ASSERT_TRUE(CoolerExchange(s.program()));
    EXPECT_EQ(s.link().SensorTemperature, 15);
    s.t.clock.advanceMs(60000);
    CoolerExchange(s.program());
    EXPECT_EQ(s.link().SensorTemperature, 9);
    s.t.clock.advanceMs(600000);
    CoolerExchange(s.program());
    EXPECT_EQ(s.link().SensorTemperature, -10);

    // Guide outputs move the sky while they are held.
    SendGuideOutputs(s.program(), 0x01 | 0x04); // west and north
    s.t.clock.advanceMs(2000);
    SendGuideOutputs(s.program(), 0);
    s.t.clock.advanceMs(2000);
    SendGuideOutputs(s.program(), 0);
    EXPECT_EQ(s.camera->guideOutputs(), 0);
    EXPECT_DOUBLE_EQ(s.camera->pointingX, 2.0);
    EXPECT_DOUBLE_EQ(s.camera->pointingY, -2.0);

    // A device on a camera serial port sees what is sent and answers reads.
    struct Echo final : sim::SimSerialDevice {
        std::vector<std::uint8_t> got;
        void receive(std::span<const std::uint8_t> bytes) override
        {
            got.insert(got.end(), bytes.begin(), bytes.end());
        }
        std::vector<std::uint8_t> transmit(std::size_t count) override
        {
            std::vector<std::uint8_t> out(got.begin(), got.begin() + long(std::min(count, got.size())));
            got.erase(got.begin(), got.begin() + long(out.size()));
            return out;
        }
    } echo;
    s.camera->attachSerialDevice(1, &echo);
    const std::vector<std::uint8_t> command = {':', 'G', 'R', '#'};
    ASSERT_TRUE(SendSerialData(s.program(), 1, command));
    std::vector<std::uint8_t> reply;
    ASSERT_TRUE(ReadSerialData(s.program(), 1, 6, reply));
    EXPECT_EQ(reply, (std::vector<std::uint8_t>{':', 'G', 'R', '#', 0, 0}));
    EXPECT_EQ(s.camera->protocolErrors, 0);
    EXPECT_TRUE(s.t.messages.messages.empty());
}

} // namespace
} // namespace kor
