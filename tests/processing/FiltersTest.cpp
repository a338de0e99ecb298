#include "processing/Filters.h"
#include "processing/HotLoops.h"
#include "processing/ProcessingFixtures.h"
#include "support/TestProgram.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace kor {
namespace {

struct TestBench {
    test::TestProgram t;
    Workspace& ws = t.program.workspace;
    int redisplays = 0;
    explicit TestBench(bool binned = true, unsigned seed = 1, bool labelled = false)
    {
        ws.BinnedMode = binned;
        ws.SetGeometry();
        t.program.setRedisplay([this] { ++redisplays; });
        test::fillSeededImage(ws, seed);
        if (labelled)
            test::stampLabel(ws);
    }
};

int clampLikeTheFilters(long v)
{
    return v >= 65281 ? 65535 : v < 0 ? 0 : int(v);
}

// Plain references, written straight from the arithmetic.

std::vector<std::uint16_t> referenceKernel(const Workspace& ws, const Kernel& k, int firstRow)
{
    const int w = ws.ImageWidth, h = ws.ImageHeight, r = k.radius, side = 2 * r + 1;
    std::vector<std::uint16_t> out = test::snapshot(ws);
    for (int y = firstRow; y <= h - r - 1; ++y)
        for (int x = r; x <= w - r - 1; ++x) {
            long sum = 0;
            for (int j = 0; j < side; ++j)
                for (int i = 0; i < side; ++i)
                    sum += long(k.weights[j * side + i]) * ws.CurrentImage[std::size_t(y + j - r) * w + x + i - r];
            out[std::size_t(y) * w + x] = std::uint16_t(clampLikeTheFilters(sum / k.divisor));
        }
    return out;
}

std::vector<std::uint16_t> referenceUnsharp(const Workspace& ws, int r, int k, int firstRow)
{
    const int w = ws.ImageWidth, h = ws.ImageHeight;
    std::vector<std::uint16_t> out = test::snapshot(ws);
    for (int y = firstRow; y <= h - r - 1; ++y)
        for (int x = r; x <= w - r - 2; ++x) {
            long s = 0;
            for (int j = -r; j <= r; ++j)
                for (int i = -r; i <= r; ++i)
                    s += ws.CurrentImage[std::size_t(y + j) * w + x + i];
            const long m = s / ((2 * r + 1) * (2 * r + 1));
            const long v = ws.CurrentImage[std::size_t(y) * w + x];
            out[std::size_t(y) * w + x] = std::uint16_t(clampLikeTheFilters(v + (v - m) * k));
        }
    return out;
}

std::vector<std::uint16_t> referenceMedian(const Workspace& ws, int r, int q, int firstRow)
{
    const int w = ws.ImageWidth, h = ws.ImageHeight;
    std::vector<std::uint16_t> out = test::snapshot(ws);
    std::vector<int> window;
    for (int y : test::sampledRows(h)) {
        if (y < firstRow || y > h - r - 1)
            continue;
        for (int x = r; x <= w - r - 1; ++x) {
            window.clear();
            for (int j = -r; j <= r; ++j)
                for (int i = -r; i <= r; ++i)
                    window.push_back(ws.CurrentImage[std::size_t(y + j) * w + x + i]);
            const int low = std::min(65000, *std::min_element(window.begin(), window.end()));
            std::sort(window.begin(), window.end());
            const int high = window.back();
            const int median = window[window.size() / 2];
            const int v = ws.CurrentImage[std::size_t(y) * w + x];
            if ((high - low) * q / 10 < std::abs(median - v))
                out[std::size_t(y) * w + x] = std::uint16_t(median);
        }
    }
    return out;
}

TEST(Kernels, EveryKernelMatchesThePlainConvolution)
{
    const KernelId ids[] = {KernelId::LowPass,           KernelId::Gaussian,        KernelId::HighPassLowPower,
                            KernelId::HighPassHighPower, KernelId::SmootherSharper, KernelId::BasRelief};
    for (KernelId id : ids) {
        for (bool labelled : {false, true}) {
            SCOPED_TRACE(std::string(kernel(id).history) + (labelled ? " labelled" : ""));
            TestBench b(true, 10 + int(id), labelled);
            const auto expected =
                referenceKernel(b.ws, kernel(id), kernel(id).radius + (labelled ? kLabelBandRows : 0));
            kernelFilter(b.t.program, id);
            test::expectRowsEqual(expected, b.ws, test::sampledRows(b.ws.ImageHeight));
            EXPECT_EQ(b.ws.HistoryLines[0], kernel(id).history);
            EXPECT_EQ(b.redisplays, 1);
            EXPECT_EQ(b.t.progress.captions, std::vector<std::string>{"FILTER PROGRESS"});
        }
    }
}

TEST(Kernels, FullFrameProgressAndUndo)
{
    TestBench b(false, 4);
    const auto before = test::snapshot(b.ws);
    const auto expected = referenceKernel(b.ws, kernel(KernelId::Gaussian), 2);
    kernelFilter(b.t.program, KernelId::Gaussian);
    test::expectRowsEqual(expected, b.ws, test::sampledRows(b.ws.ImageHeight));
    // The bar moves with the rows done (how many steps the calling thread
    // reports depends on the split) and is full at the end.
    ASSERT_FALSE(b.t.progress.positions.empty());
    EXPECT_TRUE(std::is_sorted(b.t.progress.positions.begin(), b.t.progress.positions.end()));
    EXPECT_EQ(b.t.progress.positions.back(), 256);
    EXPECT_FALSE(b.t.progress.active);
    b.t.program.undoLastFilter();
    EXPECT_EQ(test::snapshot(b.ws), before);
    EXPECT_EQ(b.ws.historyLineCount(), 0);
}

TEST(Kernels, ClampingAtTheTop)
{
    // High pass, low power on a lone pixel: 5 v.
    for (auto [centre, expected] : {std::pair{13058, 65535}, std::pair{13056, 65280}, std::pair{13200, 65535}}) {
        TestBench b(true, 1);
        std::fill_n(b.ws.CurrentImage.data(), b.ws.PixelCount, 0);
        b.ws.CurrentImage[std::size_t(100) * b.ws.ImageWidth + 100] = std::uint16_t(centre);
        kernelFilter(b.t.program, KernelId::HighPassLowPower);
        EXPECT_EQ(b.ws.CurrentImage[std::size_t(100) * b.ws.ImageWidth + 100], expected) << centre;
        EXPECT_EQ(b.ws.CurrentImage[std::size_t(100) * b.ws.ImageWidth + 101], 0); // -v clamps to 0
    }
}

TEST(UnsharpMask, MatchesThePlainWindowMean)
{
    for (auto [r, k, labelled] :
         {std::tuple{1, 1, false}, std::tuple{3, 1, false}, std::tuple{3, 7, true}, std::tuple{7, 4, false}}) {
        SCOPED_TRACE(testing::Message() << "r " << r << " k " << k);
        TestBench b(true, 20 + r, labelled);
        const auto expected = referenceUnsharp(b.ws, r, k, r + (labelled ? kLabelBandRows : 0));
        UnsharpMask(b.t.program, r, k, true);
        test::expectRowsEqual(expected, b.ws, test::sampledRows(b.ws.ImageHeight));
        EXPECT_EQ(b.ws.HistoryLines[0], "Unsharp Mask : rad " + std::to_string(r) + " ,power " + std::to_string(k));
        EXPECT_EQ(b.t.progress.captions, std::vector<std::string>{"UNSHARP MASK PROGRESS"});
        EXPECT_EQ(b.redisplays, 1);
    }
}

TEST(UnsharpMask, AllWhiteStaysWhite)
{
    TestBench b(true, 1);
    std::fill_n(b.ws.CurrentImage.data(), b.ws.PixelCount, 65535);
    UnsharpMask(b.t.program, 7, 7, false);
    EXPECT_TRUE(std::all_of(b.ws.CurrentImage.data(), b.ws.CurrentImage.data() + b.ws.PixelCount,
                            [](std::uint16_t v) { return v == 65535; }));
    EXPECT_EQ(b.redisplays, 0);
}

TEST(Median, MatchesTheConditionalMedian)
{
    for (auto [r, q, labelled] : {std::tuple{1, 6, false}, std::tuple{1, 1, true}, std::tuple{2, 6, false},
                                  std::tuple{2, 2, false}, std::tuple{3, 6, true}, std::tuple{3, 1, false}}) {
        SCOPED_TRACE(testing::Message() << "r " << r << " q " << q);
        TestBench b(true, 30 + r, labelled);
        const auto before = test::snapshot(b.ws);
        const auto expected = referenceMedian(b.ws, r, q, r + (labelled ? kLabelBandRows : 0));
        ASSERT_NE(expected, before); // the image has outliers to replace
        MedianFilter(b.t.program, r, q);
        test::expectRowsEqual(expected, b.ws, test::sampledRows(b.ws.ImageHeight));
        char text[40];
        std::snprintf(text, sizeof text, "Median Filter : rad %d ,power %1.1f", r, q / 10.0);
        EXPECT_EQ(b.ws.HistoryLines[0], text);
        EXPECT_EQ(b.t.progress.captions, std::vector<std::string>{"MEDIAN FILTER PROGRESS"});
    }
}

// On a processor with AVX2 the test above runs the AVX2 loops; this runs the baseline ones.
TEST(Median, BaselineLoopsMatchTheConditionalMedian)
{
    struct BaselineOnly {
        BaselineOnly() { allowAvx2Kernels = false; }
        ~BaselineOnly() { allowAvx2Kernels = true; }
    } baselineOnly;
    for (auto [q, labelled] : {std::pair{6, false}, std::pair{1, true}}) {
        SCOPED_TRACE(testing::Message() << "q " << q);
        TestBench b(true, 31, labelled);
        const auto expected = referenceMedian(b.ws, 1, q, 1 + (labelled ? kLabelBandRows : 0));
        MedianFilter(b.t.program, 1, q);
        test::expectRowsEqual(expected, b.ws, test::sampledRows(b.ws.ImageHeight));
    }
}

TEST(Median, FullPowerNeverReplaces)
{
    for (int r = 1; r <= 3; ++r) {
        TestBench b(true, 40);
        const auto before = test::snapshot(b.ws);
        MedianFilter(b.t.program, r, 10);
        EXPECT_EQ(test::snapshot(b.ws), before) << r;
    }
}

std::vector<std::uint16_t> referenceGradient(const Workspace& ws)
{
    const int w = ws.ImageWidth, h = ws.ImageHeight;
    const auto level = [&](int top, int left, bool skipZero) {
        std::vector<int> counts(4096);
        for (int y = top; y < top + 40; ++y)
            for (int x = left; x < left + 40; ++x)
                ++counts[ws.CurrentImage[std::size_t(y) * w + x] / 16];
        int best = skipZero ? 1 : 0;
        for (int i = best; i < 4096; ++i)
            if (counts[i] > counts[best])
                best = i;
        return skipZero && counts[best] == 0 ? 1 : best;
    };
    const int la = level(10, 20, false), lb = level(10, 600, false), lc = level(450, 20, true),
              ld = level(450, 600, true);
    const int m = std::min({la, lb, lc, ld});
    const double a = (la - m) * 16, b = (lb - m) * 16, c = (lc - m) * 16, d = (ld - m) * 16;
    const double n = double(ws.PixelCount);
    std::vector<std::uint16_t> out = test::snapshot(ws);
    for (int y = ws.hasLabelBand() ? 10 : 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const double g = double(h - y) * (w - x) / n * a + double(h - y) * x / n * b + double(w - x) * y / n * c +
                             double(x) * y / n * d;
            std::uint16_t& v = out[std::size_t(y) * w + x];
            v = v > g ? std::uint16_t(v - int(g)) : 0;
        }
    return out;
}

TEST(Gradient, RemovesTheMeasuredGradient)
{
    for (bool binned : {true, false}) {
        TestBench b(binned, 50);
        // Distinct levels in the four boxes: 3000, 1500, 800 and 0 (box D then reads 1).
        const auto box = [&](int top, int left, int v) {
            for (int y = top; y < top + 40; ++y)
                std::fill_n(b.ws.CurrentImage.data() + std::size_t(y) * b.ws.ImageWidth + left, 40, std::uint16_t(v));
        };
        box(10, 20, 3000);
        box(10, 600, 1500);
        box(450, 20, 800);
        box(450, 600, 0);
        const auto expected = referenceGradient(b.ws);
        GradientFilter(b.t.program);
        test::expectRowsEqual(expected, b.ws, test::sampledRows(b.ws.ImageHeight));
        EXPECT_EQ(b.ws.HistoryLines[0], "Gradient Filter");
        b.t.program.undoLastFilter();
        EXPECT_EQ(b.ws.CurrentImage[std::size_t(10) * b.ws.ImageWidth + 20], 3000);
    }
}

TEST(MirrorFlip, ReverseRowsAndColumnsBelowTheLabel)
{
    for (bool labelled : {false, true}) {
        TestBench b(true, 60, labelled);
        b.ws.ColourImage = true;
        for (int c = 0; c < 3; ++c)
            for (std::size_t i = 0; i < b.ws.PixelCount; ++i)
                b.ws.ColourPlanes[c][i] = std::uint16_t(i * (c + 3));
        const auto before = test::snapshot(b.ws);
        const int w = b.ws.ImageWidth, h = b.ws.ImageHeight, first = labelled ? 10 : 0;
        b.ws.AppendHistory("kept");

        MirrorImage(b.t.program);
        for (int y : {0, 9, 10, h - 1})
            for (int x : {0, 1, w - 1}) {
                const int sx = y >= first ? w - 1 - x : x;
                EXPECT_EQ(b.ws.CurrentImage[std::size_t(y) * w + x], before[std::size_t(y) * w + sx]);
                EXPECT_EQ(b.ws.ColourPlanes[1][std::size_t(y) * w + x], std::uint16_t((std::size_t(y) * w + sx) * 4));
                EXPECT_EQ(b.ws.ColourBase[1][std::size_t(y) * w + x], b.ws.ColourPlanes[1][std::size_t(y) * w + x]);
            }
        MirrorImage(b.t.program);
        EXPECT_EQ(test::snapshot(b.ws), before);

        FlipImage(b.t.program);
        for (int y : {0, 9, 10, 11, h / 2, h - 1}) {
            const int sy = y >= first ? first + h - 1 - y : y;
            EXPECT_EQ(b.ws.CurrentImage[std::size_t(y) * w + 3], before[std::size_t(sy) * w + 3]) << y;
            EXPECT_EQ(b.ws.ColourPlanes[2][std::size_t(y) * w + 3], std::uint16_t((std::size_t(sy) * w + 3) * 5));
        }
        FlipImage(b.t.program);
        EXPECT_EQ(test::snapshot(b.ws), before);
        EXPECT_EQ(b.ws.historyLineCount(), 1);
        EXPECT_EQ(b.redisplays, 4);
    }
}

} // namespace
} // namespace kor
