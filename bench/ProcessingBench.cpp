#include "Ratio.h"
#include "processing/Filters.h"
#include "processing/Stretches.h"
#include "program/Program.h"

#include <benchmark/benchmark.h>
#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include <cstring>
#include <functional>
#include <memory>
#include <random>
#include <vector>

namespace {

using namespace kor;

// A full frame of a sky-like image: smooth background, noise, a few spikes.
std::vector<std::uint16_t> seededFrame()
{
    std::vector<std::uint16_t> pixels(kPlaneCapacity);
    std::mt19937 rng(42);
    std::uniform_int_distribution<int> noise(-60, 60), percent(0, 999);
    for (int y = 0; y < kFullHeight; ++y)
        for (int x = 0; x < kFullWidth; ++x) {
            int v = 3000 + (x + y) % 4000 + noise(rng);
            const int p = percent(rng);
            if (p < 3)
                v = 65535;
            else if (p < 5)
                v = 0;
            pixels[std::size_t(y) * kFullWidth + x] = std::uint16_t(v);
        }
    return pixels;
}

const std::vector<std::uint16_t>& frame()
{
    static const std::vector<std::uint16_t> pixels = seededFrame();
    return pixels;
}

struct BenchProgram {
    RecordingMessageSink messages;
    SteadyClock clock;
    QuietEventPump events;
    NullProgressReporter progress;
    Program program{Paths("/nonexistent-kor-bench"), {messages, clock, events, progress}};
    BenchProgram() { std::memcpy(program.workspace.CurrentImage.data(), frame().data(), kPlaneCapacity * 2); }
};

// Times one full-frame command; the image is put back between runs, off the clock.
void runCommand(benchmark::State& state, const std::function<void(Program&)>& command)
{
    BenchProgram b;
    for (auto _ : state) {
        command(b.program);
        benchmark::ClobberMemory();
        state.PauseTiming();
        std::memcpy(b.program.workspace.CurrentImage.data(), frame().data(), kPlaneCapacity * 2);
        for (auto& line : b.program.workspace.HistoryLines)
            line.clear();
        state.ResumeTiming();
    }
}

void runOpenCv(benchmark::State& state, const std::function<void(const cv::Mat&, cv::Mat&)>& op)
{
    const cv::Mat src(kFullHeight, kFullWidth, CV_16UC1, const_cast<std::uint16_t*>(frame().data()));
    cv::Mat dst(kFullHeight, kFullWidth, CV_16UC1);
    for (auto _ : state) {
        op(src, dst);
        benchmark::ClobberMemory();
    }
}

#define KOR_BENCH(name, ...)                                                                                           \
    void name(benchmark::State& state)                                                                                 \
    {                                                                                                                  \
        __VA_ARGS__;                                                                                                   \
    }                                                                                                                  \
    BENCHMARK(name)->Unit(benchmark::kMillisecond)

KOR_BENCH(BM_NormalStretch, runCommand(state, [](Program& p) { normalStretch(p, 10, 200); }));
KOR_BENCH(BM_Invert, runCommand(state, invertImage));
KOR_BENCH(BM_LowPass, runCommand(state, [](Program& p) { kernelFilter(p, KernelId::LowPass); }));
KOR_BENCH(BM_Gaussian, runCommand(state, [](Program& p) { kernelFilter(p, KernelId::Gaussian); }));
KOR_BENCH(BM_HighPassLow, runCommand(state, [](Program& p) { kernelFilter(p, KernelId::HighPassLowPower); }));
KOR_BENCH(BM_HighPassHigh, runCommand(state, [](Program& p) { kernelFilter(p, KernelId::HighPassHighPower); }));
KOR_BENCH(BM_SmootherSharper, runCommand(state, [](Program& p) { kernelFilter(p, KernelId::SmootherSharper); }));
KOR_BENCH(BM_BasRelief, runCommand(state, [](Program& p) { kernelFilter(p, KernelId::BasRelief); }));
KOR_BENCH(BM_MedianR1, runCommand(state, [](Program& p) { MedianFilter(p, 1, 6); }));
KOR_BENCH(BM_MedianR2, runCommand(state, [](Program& p) { MedianFilter(p, 2, 6); }));
KOR_BENCH(BM_UnsharpMaskR3, runCommand(state, [](Program& p) { UnsharpMask(p, 3, 1, false); }));
KOR_BENCH(BM_Mirror, runCommand(state, MirrorImage));
KOR_BENCH(BM_Flip, runCommand(state, FlipImage));

cv::Mat kernelMat(KernelId id)
{
    const Kernel& k = kernel(id);
    const int side = 2 * k.radius + 1;
    cv::Mat m(side, side, CV_32F);
    for (int i = 0; i < side * side; ++i)
        m.at<float>(i / side, i % side) = float(k.weights[i]) / float(k.divisor);
    return m;
}

KOR_BENCH(BM_CvFilter2D3, {
    const cv::Mat k = kernelMat(KernelId::LowPass);
    runOpenCv(state, [&](const cv::Mat& s, cv::Mat& d) { cv::filter2D(s, d, -1, k); });
});
KOR_BENCH(BM_CvFilter2D5, {
    const cv::Mat k = kernelMat(KernelId::HighPassHighPower);
    runOpenCv(state, [&](const cv::Mat& s, cv::Mat& d) { cv::filter2D(s, d, -1, k); });
});
KOR_BENCH(BM_CvGaussianBlur5,
          runOpenCv(state, [](const cv::Mat& s, cv::Mat& d) { cv::GaussianBlur(s, d, cv::Size(5, 5), 0); }));
KOR_BENCH(BM_CvMedianBlur3, runOpenCv(state, [](const cv::Mat& s, cv::Mat& d) { cv::medianBlur(s, d, 3); }));
KOR_BENCH(BM_CvMedianBlur5, runOpenCv(state, [](const cv::Mat& s, cv::Mat& d) { cv::medianBlur(s, d, 5); }));
KOR_BENCH(BM_CvBlurAddWeighted7, {
    cv::Mat mean;
    runOpenCv(state, [&](const cv::Mat& s, cv::Mat& d) {
        cv::blur(s, mean, cv::Size(7, 7));
        cv::addWeighted(s, 2.0, mean, -1.0, 0.0, d);
    });
});
KOR_BENCH(BM_CvFlipHorizontal, runOpenCv(state, [](const cv::Mat& s, cv::Mat& d) { cv::flip(s, d, 1); }));
KOR_BENCH(BM_CvFlipVertical, runOpenCv(state, [](const cv::Mat& s, cv::Mat& d) { cv::flip(s, d, 0); }));
// cv::LUT takes 8-bit input only: the same number of pixels at one byte each.
KOR_BENCH(BM_CvLut8, {
    cv::Mat src(kFullHeight, kFullWidth, CV_8UC1), dst;
    cv::randu(src, 0, 256);
    cv::Mat table(1, 256, CV_8UC1);
    for (int i = 0; i < 256; ++i)
        table.at<std::uint8_t>(i) = std::uint8_t(255 - i);
    for (auto _ : state) {
        cv::LUT(src, table, dst);
        benchmark::ClobberMemory();
    }
});

// Each operation beside its closest OpenCV operation and beside a plain copy of the plane.
#define KOR_RATIO_PAIR(op, ours, theirs, reference)                                                                    \
    static ::kor::bench::RatioRegistration KOR_BENCH_CONCAT(korPairCv_, __LINE__)(op, ours, theirs, reference);        \
    static ::kor::bench::RatioRegistration KOR_BENCH_CONCAT(korPairCopy_, __LINE__)(op, ours, "BM_CopyFullPlane",      \
                                                                                    "memcpy")

KOR_RATIO_PAIR("normal-stretch", "BM_NormalStretch", "BM_CvLut8", "cv::LUT(8-bit)");
KOR_RATIO_PAIR("invert", "BM_Invert", "BM_CvLut8", "cv::LUT(8-bit)");
KOR_RATIO_PAIR("low-pass", "BM_LowPass", "BM_CvFilter2D3", "cv::filter2D(3x3)");
KOR_RATIO_PAIR("high-pass-low", "BM_HighPassLow", "BM_CvFilter2D3", "cv::filter2D(3x3)");
KOR_RATIO_PAIR("gaussian", "BM_Gaussian", "BM_CvGaussianBlur5", "cv::GaussianBlur(5x5)");
KOR_RATIO_PAIR("high-pass-high", "BM_HighPassHigh", "BM_CvFilter2D5", "cv::filter2D(5x5)");
KOR_RATIO_PAIR("smoother-sharper", "BM_SmootherSharper", "BM_CvFilter2D5", "cv::filter2D(5x5)");
KOR_RATIO_PAIR("bas-relief", "BM_BasRelief", "BM_CvFilter2D5", "cv::filter2D(5x5)");
KOR_RATIO_PAIR("median-r1", "BM_MedianR1", "BM_CvMedianBlur3", "cv::medianBlur(3)");
KOR_RATIO_PAIR("median-r2", "BM_MedianR2", "BM_CvMedianBlur5", "cv::medianBlur(5)");
KOR_RATIO_PAIR("unsharp-mask", "BM_UnsharpMaskR3", "BM_CvBlurAddWeighted7", "cv::blur(7x7)+cv::addWeighted");
KOR_RATIO_PAIR("mirror", "BM_Mirror", "BM_CvFlipHorizontal", "cv::flip(1)");
KOR_RATIO_PAIR("flip", "BM_Flip", "BM_CvFlipVertical", "cv::flip(0)");

} // namespace
