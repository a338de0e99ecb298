#include "camera/Exposure.h"
#include "camera/CameraCommands.h"
#include "camera/CameraLink.h"
#include "files/RawFile.h"
#include "messages/Messages.h"
#include "sim/SimCamera.h"
#include "support/TestProgram.h"

#include <fitsio.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>

namespace kor {
namespace {

// 2026-03-04 23:59:00 UTC: an exposure of a minute and more runs past midnight.
constexpr std::time_t kCalendarBase = 1772668740;

// A program on the virtual clock with the simulated camera plugged in and
// found, whose calendar time moves with the clock.
struct Engine {
    test::TestProgram t;
    std::shared_ptr<sim::SimCamera> camera = std::make_shared<sim::SimCamera>(t.clock);

    Engine()
    {
        t.program.settings.showInterfaceDetails = 'n';
        t.program.camera.bus = std::make_unique<sim::SimCameraBus>(camera);
        FindCamera(t.program);
        exposure().calendarNow = [this] { return kCalendarBase + std::time_t(t.clock.nowMs() / 1000); };
        t.program.workspace.ExposureMode = 4; // the quickest readout unless a test asks for another
    }
    Program& program() { return t.program; }
    ExposureState& exposure() { return t.program.exposure; }

    // Takes a series as "Take Photo" with the given choices.
    void take(char unit, int value, int count = 1)
    {
        TakeExposure(t.program, [&](Program& p) {
            p.exposure.ExposureUnit = unit;
            p.exposure.ExposureValue = std::int16_t(value);
            p.exposure.ExposureCount = std::int16_t(count);
            return PanelResult::TakePhoto;
        });
    }

    // The command blocks received with `code`, and when.
    std::vector<std::size_t> blocksWith(std::uint8_t code, int value = -1) const
    {
        std::vector<std::size_t> found;
        for (std::size_t i = 0; i < camera->blocks.size(); ++i) {
            const auto& b = camera->blocks[i];
            if (b.size() >= 4 && b[1] == code && (value < 0 || (b[2] | b[3] << 8) == value))
                found.push_back(i);
        }
        return found;
    }
    std::size_t frameReads() const { return blocksWith(kCmdRead).size() + blocksWith(kCmdTimedRead).size(); }
};

TEST(Exposure, UnitsStepsAndModes)
{
    struct Case {
        char unit;
        int value;
        std::int32_t ms;
        int steps;
    };
    const Case cases[] = {{'q', 5, 5, 2},       {'h', 20, 200, 2},      {'t', 30, 3000, 2},  {'s', 1, 1000, 2},
                          {'s', 2, 2000, 2},    {'s', 4, 4000, 2},      {'s', 5, 5000, 6},   {'s', 12, 12000, 6},
                          {'s', 13, 13000, 20}, {'s', 600, 600000, 20}, {'m', 1, 60000, 20}, {'m', 30, 1800000, 20}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(1, c.unit) + std::to_string(c.value));
        EXPECT_EQ(exposureMsFor(c.unit, c.value), c.ms);
        EXPECT_EQ(progressStepsFor(c.unit, c.value), c.steps);
    }
    for (int mode = 0; mode <= 8; ++mode)
        EXPECT_EQ(modeCanBeExposed(mode), mode >= 1 && mode <= 4) << mode;
}

// Each mode through the whole engine gives the simulated camera's image.
TEST(Exposure, EveryModeYieldsTheCamerasImage)
{
    struct Case {
        int mode;
        char unit;
        int value;
        int width, height;
        const char* caption;
    };
    const Case cases[] = {
        {1, 's', 2, 3900, 2616, "READING Varn CAMERA - takes 10-12 seconds"},
        {2, 't', 5, 1950, 1308, "READING Varn CAMERA - takes 8-10 seconds"},
        {3, 'q', 800, 1950, 1308, "READING Varn CAMERA - takes 3-4 seconds"},
        {4, 's', 3, 1950, 1308, "READING Varn CAMERA - takes 3-4 seconds"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.mode);
        Engine s;
        s.program().workspace.ExposureMode = std::int16_t(c.mode);
        s.take(c.unit, c.value);
        const Workspace& ws = s.program().workspace;
        EXPECT_TRUE(s.t.messages.messages.empty());
        EXPECT_EQ(ws.BinnedMode, c.mode != 1);
        ASSERT_EQ(ws.ImageWidth, c.width);
        ASSERT_EQ(s.camera->truthWidth(), c.width);
        ASSERT_EQ(s.camera->truthHeight(), c.height);
        EXPECT_EQ(s.camera->lastExposureMs(), std::uint32_t(exposureMsFor(c.unit, c.value)));
        const std::vector<std::uint16_t>& truth = s.camera->truth();
        std::size_t mismatches = 0;
        // Mode 3 balances its odd columns afterwards; the even ones are the camera's.
        const std::size_t stride = c.mode == 3 ? 2 : 1;
        for (std::size_t i = 0; i < truth.size(); i += stride)
            mismatches += ws.CurrentImage[i] != truth[i];
        EXPECT_EQ(mismatches, 0u);
        const auto& captions = s.t.progress.captions;
        ASSERT_EQ(captions.size(), 2u);
        EXPECT_EQ(captions[0], "EXPOSURE UNDERWAY");
        EXPECT_EQ(captions[1], c.caption);
        EXPECT_FALSE(s.t.progress.active);
    }
}

TEST(Exposure, ShortExposuresAreTimedByTheCamera)
{
    Engine s;
    s.take('q', 5);
    const auto timed = s.blocksWith(kCmdTimedRead);
    ASSERT_EQ(timed.size(), 1u);
    const auto& block = s.camera->blocks[timed[0]];
    EXPECT_EQ(block[18] | block[19] << 8, 5);
    EXPECT_TRUE(s.blocksWith(kCmdRead).empty());
    EXPECT_EQ(s.camera->lastExposureMs(), 5u);
}

TEST(Exposure, ShortUnitsAboveOneSecondWaitWithoutLettingEventsThrough)
{
    Engine s;
    const std::size_t drainsBefore = s.t.events.drains();
    const std::uint32_t start = s.t.clock.nowMs();
    s.take('t', 30);
    EXPECT_GE(elapsedMs(start, s.t.clock.nowMs()), 3000u);
    EXPECT_EQ(s.blocksWith(kCmdRead).size(), 1u);
    EXPECT_LE(s.t.events.drains() - drainsBefore, 3u); // the 10 ms wait and the poll after the readout
}

TEST(Exposure, ProgressStepsOfAHostTimedExposure)
{
    struct Case {
        int seconds;
        std::vector<int> positions; // during the exposure, before the readout's own
    };
    const Case cases[] = {
        {2, {128}},
        {5, {42, 84, 126, 168, 210}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.seconds);
        Engine s;
        s.take('s', c.seconds);
        std::vector<int> expected = c.positions;
        expected.push_back(c.positions.back()); // the readout starts from where the exposure left
        expected.push_back(20);
        EXPECT_EQ(s.t.progress.positions, expected);
    }
    Engine s;
    s.take('s', 13);
    ASSERT_EQ(s.t.progress.positions.size(), 19u + 2u);
    EXPECT_EQ(s.t.progress.positions[18], 19 * 12);
}

TEST(Exposure, KeepAliveClearsInTheLastFourSecondsOfALongExposure)
{
    struct Case {
        int seconds;
        std::vector<std::uint32_t> atMs;
    };
    const Case cases[] = {
        {10, {6000, 6500, 7000, 7500, 8000, 8500, 9000, 9500}},
        {5, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.seconds);
        Engine s;
        s.take('s', c.seconds);
        const auto clears = s.blocksWith(kCmdClear, 8);
        ASSERT_GE(clears.size(), 1u);
        const std::uint32_t start = s.camera->blockTimesMs[clears[0]];
        std::vector<std::uint32_t> keepAlive;
        for (std::size_t i = 1; i < clears.size(); ++i)
            keepAlive.push_back(s.camera->blockTimesMs[clears[i]] - start);
        EXPECT_EQ(keepAlive, c.atMs);
    }
}

TEST(Exposure, AClickDuringTheExposureSkipsTheReadoutAndEndsTheSeries)
{
    Engine s;
    s.t.events.stopAt(100); // about a second into the exposure
    s.exposure().AutoSave = true;
    s.take('s', 20, 5);
    EXPECT_EQ(s.frameReads(), 0u);
    EXPECT_EQ(s.t.messages.beeps, 1);
    EXPECT_TRUE(s.exposure().AbortFrame);
    EXPECT_EQ(s.program().settings.AutosaveCounter, 0); // nothing read, nothing saved
    EXPECT_LT(s.t.clock.nowMs(), 5000u);
}

TEST(Exposure, AClickDuringTheReadoutEndsTheSeriesAfterTheFrame)
{
    Engine s;
    s.exposure().AutoSave = true;
    s.t.events.onDrain([&](std::size_t n) {
        if (s.frameReads() == 2)
            s.t.events.stopAt(n); // the poll that follows the second readout
    });
    s.take('s', 2, 5);
    EXPECT_EQ(s.frameReads(), 2u);
    EXPECT_EQ(s.t.messages.beeps, 1);
    EXPECT_EQ(s.program().settings.AutosaveCounter, 1); // the frame read is finished and saved
    EXPECT_TRUE(std::filesystem::exists(autosavedFilePath(s.program(), 1)));
}

TEST(Exposure, SeriesAndContinuousRuns)
{
    {
        SCOPED_TRACE("series of 5");
        Engine s;
        s.exposure().AutoSave = true;
        s.take('s', 2, 5);
        EXPECT_EQ(s.frameReads(), 5u);
        EXPECT_EQ(s.exposure().SeriesLength, 5);
        EXPECT_DOUBLE_EQ(s.exposure().TotalExposureSec, 10.0);
        EXPECT_EQ(s.program().settings.AutosaveCounter, 1); // a series is one image
        const auto& captions = s.t.progress.captions;
        EXPECT_EQ(captions.front(), "EXPOSURE UNDERWAY (Left - 5)");
        EXPECT_EQ(captions[1], "READING Varn CAMERA (Left - 5)");
        EXPECT_EQ(captions.back(), "READING Varn CAMERA - takes 3-4 seconds");
    }
    {
        SCOPED_TRACE("continuous until a click");
        Engine s;
        s.exposure().AutoSave = true;
        s.exposure().ContinuousMode = true;
        s.t.events.onDrain([&](std::size_t n) {
            if (s.frameReads() == 3)
                s.t.events.stopAt(n);
        });
        s.take('s', 2);
        EXPECT_EQ(s.frameReads(), 3u);
        EXPECT_EQ(s.program().settings.AutosaveCounter, 3); // every frame saved, the last one too
        EXPECT_DOUBLE_EQ(s.exposure().TotalExposureSec, 2.0);
        EXPECT_EQ(s.t.messages.beeps, 1);
    }
    {
        SCOPED_TRACE("continuous bounded by multiple exposures, with a pause");
        Engine s;
        s.exposure().AutoSave = true;
        s.exposure().ContinuousMode = true;
        s.exposure().PauseBetween = 3;
        s.take('s', 2, 3);
        EXPECT_EQ(s.frameReads(), 3u);
        EXPECT_EQ(s.program().settings.AutosaveCounter, 3);
        const auto& captions = s.t.progress.captions;
        // The last frame ends the run: no wait and no pause after it.
        EXPECT_EQ(std::count(captions.begin(), captions.end(), "Pause between exposures"), 2);
        EXPECT_GE(s.t.clock.nowMs(), 3u * 2000u + 2u * 5000u);
    }
}

TEST(Exposure, SlewAndSumLosingTheStarEndsTheSeries)
{
    Engine s;
    int calls = 0;
    s.exposure().slewAndSum = [&](Program&, bool) { return ++calls == 2 ? 1 : 0; };
    s.take('s', 2, 5);
    EXPECT_EQ(s.frameReads(), 2u);
    EXPECT_EQ(s.t.messages.codes(), std::vector<int>{kMsgGuideStarLost});
}

TEST(Exposure, TheDelayCountsDownTenSeconds)
{
    Engine s;
    s.exposure().DelayBeforeExposure = true;
    s.t.events.stopAt(150); // an interrupted second only shortens that second
    const std::uint32_t start = s.t.clock.nowMs();
    s.take('q', 5);
    const auto& captions = s.t.progress.captions;
    ASSERT_GE(captions.size(), 10u);
    EXPECT_EQ(captions[0], "EXPOSURE DELAY (Left - 10)");
    EXPECT_EQ(captions[9], "EXPOSURE DELAY (Left - 1)");
    EXPECT_EQ(s.t.messages.beeps, 11);
    EXPECT_EQ(s.frameReads(), 1u);
    EXPECT_LT(elapsedMs(start, s.t.clock.nowMs()), 10000u);
    EXPECT_GE(elapsedMs(start, s.t.clock.nowMs()), 9000u);
}

TEST(Exposure, RefusesWithoutACameraAndInModesOfOtherSensors)
{
    {
        test::TestProgram t;
        t.program.useSimulator = false;
        t.program.camera.bus = std::make_unique<sim::SimCameraBus>(std::make_shared<sim::SimCamera>(t.clock));
        static_cast<sim::SimCameraBus&>(*t.program.camera.bus).camera().unplug();
        bool panelShown = false;
        TakeExposure(t.program, [&](Program&) {
            panelShown = true;
            return PanelResult::TakePhoto;
        });
        EXPECT_FALSE(panelShown);
        ASSERT_FALSE(t.messages.messages.empty());
        EXPECT_EQ(t.messages.messages.back().text, "Sorry, No camera found on USB");
    }
    for (int mode : {5, 6, 7}) {
        Engine s;
        s.program().workspace.ExposureMode = std::int16_t(mode);
        s.take('s', 2);
        EXPECT_EQ(s.frameReads(), 0u) << mode;
        EXPECT_EQ(s.t.messages.codes(), std::vector<int>{kMsgOwnText}) << mode;
    }
}

TEST(Exposure, AutoSaveNumbersFilesAndStampsTheMiddleOfTheExposure)
{
    const char* oldTz = std::getenv("TZ");
    const std::string savedTz = oldTz ? oldTz : "";
    ::setenv("TZ", "UTC", 1);
    ::tzset();
    struct Case {
        std::int16_t counterBefore;
        int number;
    };
    for (const Case& c : {Case{12, 13}, Case{std::int16_t(std::uint16_t(65530)), 1}}) {
        SCOPED_TRACE(c.number);
        Engine s;
        s.program().settings.AutosaveCounter = c.counterBefore;
        s.program().settings.utOffsetHours = 2;
        s.exposure().AutoSave = true;
        s.take('m', 2);
        EXPECT_EQ(s.program().settings.AutosaveCounter, c.number);
        const std::filesystem::path path = s.t.dir.path() / "autosave" / ("IMG" + std::to_string(c.number) + ".FIT");
        ASSERT_TRUE(std::filesystem::exists(path));

        const std::time_t start = s.exposure().SeriesStartTime;
        const std::time_t end = s.program().files.exposureEnd;
        EXPECT_GE(end - start, 120);
        std::time_t mid = start + (end - start) / 2 + 2 * 3600;
        std::tm ut{};
        ::gmtime_r(&mid, &ut);
        char date[16], time[16];
        std::strftime(date, sizeof date, "%Y-%m-%d", &ut);
        std::strftime(time, sizeof time, "%H:%M:%S", &ut);

        fitsfile* f = nullptr;
        int status = 0;
        ASSERT_EQ(fits_open_file(&f, path.c_str(), READONLY, &status), 0) << status;
        char dateObs[FLEN_VALUE] = {}, timeObs[FLEN_VALUE] = {};
        double exposure = 0;
        fits_read_key(f, TSTRING, "DATE-OBS", dateObs, nullptr, &status);
        fits_read_key(f, TSTRING, "TIME-OBS", timeObs, nullptr, &status);
        fits_read_key(f, TDOUBLE, "EXPTIME", &exposure, nullptr, &status);
        fits_close_file(f, &status);
        EXPECT_EQ(status, 0);
        EXPECT_STREQ(dateObs, date);
        EXPECT_STREQ(timeObs, time);
        EXPECT_STREQ(dateObs, "2026-03-05"); // local 23:59 plus two hours
        EXPECT_DOUBLE_EQ(exposure, 120.0);
    }
    if (oldTz)
        ::setenv("TZ", savedTz.c_str(), 1);
    else
        ::unsetenv("TZ");
    ::tzset();
}

TEST(Exposure, AutoSaveFailureIsReported)
{
    Engine s;
    s.program().settings.AutosaveDir = (s.t.dir.path() / "file").string();
    test::writeFileBytes(s.t.dir.path() / "file", {1}); // a file where the directory should be
    s.exposure().AutoSave = true;
    s.take('q', 5);
    EXPECT_EQ(s.t.messages.codes(), std::vector<int>{kMsgCreateFileFailed});
}

} // namespace
} // namespace kor
