#include "processing/Stretches.h"
#include "processing/ProcessingFixtures.h"
#include "support/TestProgram.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>

namespace kor {
namespace {

struct TestBench {
    test::TestProgram t;
    Workspace& ws = t.program.workspace;
    int redisplays = 0;
    TestBench(bool binned = true)
    {
        ws.BinnedMode = binned;
        ws.SetGeometry();
        t.program.setRedisplay([this] { ++redisplays; });
    }
};

// Checks the table against the curve and every sampled pixel against 2 x T[v / 2].
void expectMappedThrough(const std::function<int(int)>& curve, const std::vector<std::uint16_t>& before,
                         const Workspace& ws)
{
    for (int k = 0; k < 32768; ++k)
        ASSERT_EQ(ws.StretchTable[k], std::clamp(curve(k), 0, 32767)) << "entry " << k;
    std::vector<std::uint16_t> expected(before);
    for (auto& v : expected)
        v = std::uint16_t(2 * ws.StretchTable[v / 2]);
    test::expectRowsEqual(expected, ws, test::sampledRows(ws.ImageHeight));
}

TEST(Stretches, EachCommandMapsThroughItsCurveAndRecordsItsHistory)
{
    struct Case {
        const char* name;
        std::function<void(Program&)> run;
        std::function<int(int)> curve;
        const char* history;
    };
    const std::vector<Case> cases{
        {"normal default", [](Program& p) { normalStretch(p, 0, 255); }, [](int k) { return k >= 32640 ? 32767 : k; },
         "Normal Stretch : max 510 , min : 0"},
        {"normal 20-200", [](Program& p) { normalStretch(p, 20, 200); },
         [](int k) { return k < 2560     ? 0
                            : k >= 25600 ? 32767
                                         : int((k - 2560) * (255.0 / 180)); },
         "Normal Stretch : max 400 , min : 40"},
        {"normal white 300", [](Program& p) { normalStretch(p, 0, 300); }, [](int k) { return int(k * (255.0 / 300)); },
         "Normal Stretch : max 600 , min : 0"},
        {"power 2.0", [](Program& p) { powerStretch(p, 2.0); },
         [](int k) { return std::min(32767, int(std::pow(k, 2.0) / std::pow(32768.0, 1.0))); }, "Power Stretch :  2.0"},
        {"power 0.3", [](Program& p) { powerStretch(p, 0.3); },
         [](int k) { return std::min(32767, int(std::pow(k, 0.3) / std::pow(32768.0, 0.3 - 1))); },
         "Power Stretch :  0.3"},
        {"sine", sineStretch, [](int k) { return int((std::sin((k - 16384) * 0.00009585889570552147) + 1) * 16383); },
         "Sine Stretch"},
        {"log", logStretch, [](int k) { return int(std::log(k + 1) * 3151); }, "Log Stretch"},
        {"antilog", antilogStretch,
         [](int k) { return std::min(32767, int(std::pow(2.71828, k * 0.00031735956839098697) - 1)); },
         "Antilog Stretch"},
        {"invert", invertImage, [](int k) { return 32767 - k; }, "Invert Image to Negative"},
        {"non-linear 25", [](Program& p) { nonLinearStretch(p, 25); },
         [](int k) {
             const double x = k / 32768.0;
             return int(25 * 32768 * x / (x * 24 + 1));
         },
         "Non-Linear Stretch : power 25"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TestBench b;
        test::fillSeededImage(b.ws, 7);
        const auto before = test::snapshot(b.ws);
        c.run(b.t.program);
        expectMappedThrough(c.curve, before, b.ws);
        EXPECT_EQ(b.ws.historyLineCount(), 1);
        EXPECT_EQ(b.ws.HistoryLines[0], c.history);
        EXPECT_EQ(b.redisplays, 1);
        // Undo brings the image back and removes the line.
        b.t.program.undoLastFilter();
        EXPECT_EQ(test::snapshot(b.ws), before);
        EXPECT_EQ(b.ws.historyLineCount(), 0);
    }
}

TEST(Stretches, ExtremeValues)
{
    TestBench b;
    b.ws.CurrentImage[20000] = 0;
    b.ws.CurrentImage[20001] = 1;
    b.ws.CurrentImage[20002] = 65534;
    b.ws.CurrentImage[20003] = 65535;
    invertImage(b.t.program);
    EXPECT_EQ(b.ws.CurrentImage[20000], 65534);
    EXPECT_EQ(b.ws.CurrentImage[20001], 65534);
    EXPECT_EQ(b.ws.CurrentImage[20002], 0);
    EXPECT_EQ(b.ws.CurrentImage[20003], 0);
    antilogStretch(b.t.program);
    EXPECT_EQ(b.ws.CurrentImage[20000], 65534); // the top of the antilog curve is one below white
    EXPECT_EQ(b.ws.CurrentImage[20002], 0);
}

TEST(Stretches, CommandsThatDoNothing)
{
    TestBench b;
    test::fillSeededImage(b.ws, 3);
    const auto before = test::snapshot(b.ws);
    EXPECT_FALSE(normalStretch(b.t.program, 100, 100));
    EXPECT_FALSE(normalStretch(b.t.program, 120, 100));
    EXPECT_FALSE(powerStretch(b.t.program, 1.0));
    b.ws.lastPaintBackgroundLevel = 2;
    EXPECT_FALSE(removeBackground(b.t.program));
    EXPECT_EQ(test::snapshot(b.ws), before);
    EXPECT_EQ(b.ws.historyLineCount(), 0);
    EXPECT_TRUE(b.t.progress.captions.empty());
}

TEST(Stretches, RemoveBackgroundUsesTheLevelOfTheLastRepaint)
{
    for (int level : {3, 40, 255}) {
        SCOPED_TRACE(level);
        TestBench b;
        test::fillSeededImage(b.ws, 11);
        const auto before = test::snapshot(b.ws);
        b.ws.lastPaintBackgroundLevel = level;
        EXPECT_TRUE(removeBackground(b.t.program));
        const int black = 128 * level - 256;
        const double f = 255.0 / (257 - level);
        expectMappedThrough([&](int k) { return k < black ? 0 : std::min(32767, int((k - black) * f)); }, before, b.ws);
        EXPECT_EQ(b.ws.HistoryLines[0], "Background Removed : min " + std::to_string(black / 64));
    }
}

TEST(Stretches, LabelledImageKeepsItsBandAndProgressRunsInSlices)
{
    for (bool labelled : {false, true}) {
        TestBench b(false);
        test::fillSeededImage(b.ws, 5);
        if (labelled)
            test::stampLabel(b.ws);
        const auto before = test::snapshot(b.ws);
        invertImage(b.t.program);
        const std::size_t band = std::size_t(kLabelBandRows) * b.ws.ImageWidth;
        for (std::size_t i : {std::size_t(0), std::size_t(5), band - 1, band, b.ws.PixelCount - 1}) {
            const bool kept = labelled && i < band;
            EXPECT_EQ(b.ws.CurrentImage[i], kept ? before[i] : 65534 - (before[i] & ~1u)) << i << " " << labelled;
        }
        EXPECT_EQ(b.t.progress.captions, std::vector<std::string>{"CONTRAST STRETCH"});
        std::vector<int> slices;
        for (int s = 1; s <= 20; ++s)
            slices.push_back(12 * s);
        EXPECT_EQ(b.t.progress.positions, slices);
        EXPECT_FALSE(b.t.progress.active);
    }
}

} // namespace
} // namespace kor
