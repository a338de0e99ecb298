#include "processing/Calibration.h"
#include "camera/CameraLink.h"
#include "camera/Exposure.h"
#include "files/RawFile.h"
#include "messages/Messages.h"
#include "sim/SimCamera.h"
#include "support/TestProgram.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace kor {
namespace {

TEST(Calibration, DarkSubtractionNeverGoesBelowZero)
{
    std::vector<std::uint16_t> image{100, 100, 100, 0, 65535};
    const std::vector<std::uint16_t> dark{40, 100, 101, 5, 65534};
    SubtractDark(image.data(), dark.data(), image.size());
    EXPECT_EQ(image, (std::vector<std::uint16_t>{60, 0, 0, 0, 1}));
}

// One pixel of a flat correction in the middle of a small image whose flat
// window (rows 10-19, columns 5-604) is all `windowValue`.
struct FlatCase {
    const char* name;
    std::uint16_t windowValue, v, f;
    std::uint16_t expected;
};

TEST(Calibration, FlatCorrectionOfOnePixel)
{
    constexpr int kWidth = 610, kHeight = 24;
    const FlatCase cases[] = {
        {"flat equal to image gives the mean", 1000, 700, 700, 1000},
        {"ratio scaled by the mean", 1000, 300, 600, 500},
        {"truncated toward zero", 1000, 1, 3, 333},
        {"zero flat and zero image give the mean", 1234, 0, 0, 1234},
        {"zero flat keeps the image value", 1000, 500, 0, 500},
        {"held at 65535", 1000, 7000, 100, 65535},
        {"zero window mean gives zero", 0, 500, 250, 0},
    };
    for (const FlatCase& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<std::uint16_t> flat(std::size_t(kWidth) * kHeight, c.windowValue);
        std::vector<std::uint16_t> image(flat.size(), 9);
        const std::size_t at = std::size_t(21) * kWidth + 300; // outside the window
        flat[at] = c.f;
        image[at] = c.v;
        const double mean = FlatMean(flat.data(), kWidth, kAutoFlatLastColumn);
        CorrectFlatRows(image.data(), flat.data(), kWidth, 21, 21, mean);
        EXPECT_EQ(image[at], c.expected);
    }
}

TEST(Calibration, FlatCorrectionLeavesItsBordersAlone)
{
    constexpr int kWidth = 610, kHeight = 30;
    std::vector<std::uint16_t> flat(std::size_t(kWidth) * kHeight, 500);
    std::vector<std::uint16_t> image(flat.size(), 250);
    CorrectFlatRows(image.data(), flat.data(), kWidth, 2, kHeight - 2, 1000.0);
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) {
            const bool corrected = y >= 2 && y <= kHeight - 2 && x >= 3;
            ASSERT_EQ(image[std::size_t(y) * kWidth + std::size_t(x)], corrected ? 500 : 250) << x << "," << y;
        }
}

TEST(Calibration, FlatMeanWindows)
{
    constexpr int kWidth = 610;
    std::vector<std::uint16_t> flat(std::size_t(kWidth) * 24, 0);
    for (int y = 10; y <= 19; ++y)
        for (int x = 5; x <= 504; ++x)
            flat[std::size_t(y) * kWidth + std::size_t(x)] = 600;
    EXPECT_DOUBLE_EQ(FlatMean(flat.data(), kWidth, kManualFlatLastColumn), 600.0);
    EXPECT_DOUBLE_EQ(FlatMean(flat.data(), kWidth, kAutoFlatLastColumn), 500.0); // 5000 of 6000 pixels
}

// Raw frame files of the binned geometry, with a trailer of the caller's choice.
// The flat mean's window (rows 10-19) may hold another value than the rest.
void writeBinnedFrame(const std::filesystem::path& path, std::uint16_t value, const char* trailer,
                      std::size_t length = kRawBinnedLength, std::uint16_t windowValue = 0)
{
    std::vector<std::uint8_t> bytes(length, 0);
    for (std::size_t i = 0; i + 1 < kBinnedPlaneBytes && i + 1 < length; i += 2) {
        const std::size_t row = i / 2 / 1950;
        const std::uint16_t v = windowValue && row >= 10 && row <= 19 ? windowValue : value;
        bytes[i] = std::uint8_t(v);
        bytes[i + 1] = std::uint8_t(v >> 8);
    }
    if (length == kRawBinnedLength)
        std::memcpy(bytes.data() + kBinnedPlaneBytes, trailer, kTrailerBytes);
    test::writeFileBytes(path, bytes);
}

// A binned image of a constant value with the calibration frame paths set.
struct Calibrated {
    test::TestProgram t;
    Workspace& ws = t.program.workspace;
    Calibrated(std::uint16_t value = 1000)
    {
        std::filesystem::create_directories(t.dir.path());
        ws.BinnedMode = true;
        ws.SetGeometry();
        for (std::size_t i = 0; i < ws.PixelCount; ++i)
            ws.CurrentImage[i] = value;
        t.program.files.DarkFramePath = (t.dir.path() / "dark.raw").string();
        t.program.files.FlatFieldPath = (t.dir.path() / "flat.raw").string();
    }
};

TEST(Calibration, AutomaticSteps)
{
    struct Case {
        const char* name;
        bool flat;
        const char* trailer; // null: no file
        std::size_t length;
        int result;
        std::uint16_t pixel; // of the middle of the image afterwards
    };
    const Case cases[] = {
        {"dark", false, "BINNED    ", kRawBinnedLength, kCalibrationOk, 600},
        {"dark missing", false, nullptr, 0, kCalibrationOpenFailed, 1000},
        {"dark of the wrong length", false, "BINNED    ", kRawFullLength, kCalibrationWrongKind, 1000},
        {"flat", true, "FLAT B    ", kRawBinnedLength, kCalibrationOk, 2000},
        {"flat missing", true, nullptr, 0, kCalibrationOpenFailed, 1000},
        {"flat of the wrong length", true, "FLAT B    ", kRawBinnedLength - 2, kCalibrationWrongKind, 1000},
        {"flat without a flat trailer", true, "BINNED    ", kRawBinnedLength, kCalibrationNotFlat, 1000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Calibrated s;
        const std::filesystem::path path = c.flat ? s.t.program.files.FlatFieldPath : s.t.program.files.DarkFramePath;
        if (c.trailer)
            writeBinnedFrame(path, 400, c.trailer, c.length, 800);
        const int result = c.flat ? AutoApplyFlat(s.t.program, false) : AutoSubtractDark(s.t.program, false);
        EXPECT_EQ(result, c.result);
        EXPECT_EQ(s.ws.CurrentImage[s.ws.PixelCount / 2 + 100], c.pixel);
    }
}

TEST(Calibration, LoadedFramesAreReused)
{
    Calibrated s;
    writeBinnedFrame(s.t.program.files.DarkFramePath, 100, "BINNED    ");
    ASSERT_EQ(AutoSubtractDark(s.t.program, false), kCalibrationOk);
    std::filesystem::remove(s.t.program.files.DarkFramePath);
    EXPECT_EQ(AutoSubtractDark(s.t.program, true), kCalibrationOk); // from UndoImage, not the file
    EXPECT_EQ(s.ws.CurrentImage[s.ws.PixelCount / 2], 800);
}

TEST(Calibration, ManualCommandsRefuseAFrameOfAnotherGeometry)
{
    Calibrated s(1000);
    s.ws.BinnedMode = false;
    s.ws.SetGeometry();
    std::filesystem::create_directories(s.t.dir.path());
    writeBinnedFrame(s.t.dir.path() / "binned.raw", 100, "BINNED    ");
    EXPECT_FALSE(SubtractDarkFrameCommand(s.t.program, s.t.dir.path() / "binned.raw"));
    EXPECT_FALSE(ApplyFlatFieldCommand(s.t.program, s.t.dir.path() / "binned.raw"));
    EXPECT_EQ(s.t.messages.codes(), (std::vector<int>{kMsgOwnText, kMsgOwnText}));
    EXPECT_EQ(s.ws.CurrentImage[500], 1000);
}

TEST(Calibration, ManualCommands)
{
    {
        SCOPED_TRACE("dark");
        Calibrated s(1000);
        writeBinnedFrame(s.t.dir.path() / "d.raw", 300, "BINNED    ");
        ASSERT_TRUE(SubtractDarkFrameCommand(s.t.program, s.t.dir.path() / "d.raw"));
        EXPECT_EQ(s.ws.CurrentImage[s.ws.PixelCount / 2], 700);
        EXPECT_EQ(s.ws.UndoImage[s.ws.PixelCount / 2], 1000);
        EXPECT_EQ(s.ws.HistoryLines[0], "Dark Frame Subtracted");
    }
    {
        SCOPED_TRACE("flat");
        Calibrated s(1000);
        writeBinnedFrame(s.t.dir.path() / "f.raw", 500, "FLAT B    ");
        s.ws.CurrentImage[s.ws.ImageWidth * 7 + 10] = 250;
        s.ws.CurrentImage[s.ws.ImageWidth * 6 + 10] = 250; // above the rows corrected
        ASSERT_TRUE(ApplyFlatFieldCommand(s.t.program, s.t.dir.path() / "f.raw"));
        EXPECT_EQ(s.ws.CurrentImage[s.ws.ImageWidth * 7 + 10], 250);
        EXPECT_EQ(s.ws.CurrentImage[s.ws.ImageWidth * 6 + 10], 250);
        EXPECT_EQ(s.ws.CurrentImage[s.ws.ImageWidth * 7 + 11], 1000);
        EXPECT_EQ(s.t.progress.captions, std::vector<std::string>{"FLAT FIELD PROGRESS"});
        EXPECT_EQ(s.ws.HistoryLines[0], "Flat Field Applied");
    }
    {
        SCOPED_TRACE("a binned frame that is no flat");
        Calibrated s(1000);
        writeBinnedFrame(s.t.dir.path() / "b.raw", 500, "BINNED    ");
        EXPECT_FALSE(ApplyFlatFieldCommand(s.t.program, s.t.dir.path() / "b.raw"));
        EXPECT_EQ(s.t.messages.codes(), std::vector<int>{kMsgNotSuitableFlat});
        EXPECT_EQ(s.ws.CurrentImage[s.ws.PixelCount / 2], 1000);
    }
}

// The engine reports the automatic steps' failures and does not keep using a frame that is no flat.
TEST(Calibration, EngineReportsAutomaticStepFailures)
{
    test::TestProgram t;
    auto camera = std::make_shared<sim::SimCamera>(t.clock);
    t.program.settings.showInterfaceDetails = 'n';
    t.program.camera.bus = std::make_unique<sim::SimCameraBus>(camera);
    FindCamera(t.program);
    std::filesystem::create_directories(t.dir.path());
    t.program.workspace.ExposureMode = 4;
    t.program.files.DarkFramePath = (t.dir.path() / "none.raw").string();
    t.program.files.FlatFieldPath = (t.dir.path() / "flat.raw").string();
    writeBinnedFrame(t.program.files.FlatFieldPath, 500, "BINNED    ");
    t.program.exposure.AutoDark = true;
    t.program.exposure.AutoFlat = true;
    t.program.exposure.ExposureUnit = 'q';
    t.program.exposure.ExposureValue = 5;
    TakeExposure(t.program, {});
    ASSERT_EQ(t.messages.codes(), (std::vector<int>{kMsgDarkOpenFailed, kMsgOwnText}));
    EXPECT_FALSE(t.program.exposure.DarkLoaded);
    EXPECT_FALSE(t.program.exposure.FlatLoaded);
    EXPECT_EQ(t.program.workspace.HistoryLines[0], "Dark Frame Subtracted");
    EXPECT_EQ(t.program.workspace.HistoryLines[1], "Flatfield Applied");
}

} // namespace
} // namespace kor
