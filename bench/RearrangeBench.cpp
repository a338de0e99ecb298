#include "Ratio.h"
#include "camera/CameraCommands.h"
#include "camera/CameraLink.h"
#include "camera/Rearrange.h"
#include "workspace/Workspace.h"

#include <benchmark/benchmark.h>

#include <cstring>
#include <memory>
#include <random>

namespace {

// One frame's readout of each mode: the bytes that come off the wire are
// converted to raw pixels and rearranged into the image, beside a plain copy
// of the frame's bytes (the readout, which is also the image for modes 1 to 3;
// the 4 x 4 mode's image is four times its readout, so its copy is of the image).
struct ModeFrame {
    std::size_t rawPixels;
    std::size_t copiedBytes;
    void (*arrange)(const std::uint16_t*, std::uint16_t*, std::uint16_t*);
};

constexpr ModeFrame kHighRes{10202400, 10202400 * 2, kor::ArrangeHighRes};
constexpr ModeFrame kColourBinned{2550600, 2550600 * 2, kor::ArrangeColourBinned};
constexpr ModeFrame kMonoBinned2{2550600, 2550600 * 2, kor::ArrangeMonoBinned2};
constexpr ModeFrame kMonoBinned4{636996, 2550600 * 2, kor::ArrangeMonoBinned4};

struct Buffers {
    std::unique_ptr<kor::CameraLink> camera = std::make_unique<kor::CameraLink>();
    std::unique_ptr<kor::Workspace> workspace = std::make_unique<kor::Workspace>();

    Buffers()
    {
        std::mt19937 random(5);
        for (std::size_t i = 0; i < kor::kReadoutBytesCapacity; ++i)
            camera->ReadoutBytes[i] = std::uint8_t(random());
        std::memset(workspace->CurrentImage.data(), 1, kor::kPlaneCapacity * 2);
        std::memset(camera->ReadoutScratch.data(), 1, kor::kReadoutScratchCapacity * 2);
    }
};

void rearrange(benchmark::State& state, const ModeFrame& mode)
{
    Buffers b;
    for (auto _ : state) {
        kor::ConvertReadout(b.camera->ReadoutBytes.data(), b.camera->ReadoutWords.data(), mode.rawPixels);
        mode.arrange(b.camera->ReadoutWords.data(), b.camera->ReadoutScratch.data(), b.workspace->CurrentImage.data());
        benchmark::ClobberMemory();
    }
}

void copyBytes(benchmark::State& state, const ModeFrame& mode)
{
    Buffers b;
    for (auto _ : state) {
        std::memcpy(b.workspace->CurrentImage.data(), b.camera->ReadoutBytes.data(), mode.copiedBytes);
        benchmark::ClobberMemory();
    }
}

BENCHMARK_CAPTURE(rearrange, HighRes, kHighRes)->Name("BM_RearrangeHighRes")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(copyBytes, HighRes, kHighRes)->Name("BM_CopyHighResReadout")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(rearrange, Binned2, kColourBinned)->Name("BM_RearrangeBinned2")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(copyBytes, Binned2, kColourBinned)->Name("BM_CopyBinned2Readout")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(rearrange, Mono2, kMonoBinned2)->Name("BM_RearrangeMono2")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(copyBytes, Mono2, kMonoBinned2)->Name("BM_CopyMono2Readout")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(rearrange, Mono4, kMonoBinned4)->Name("BM_RearrangeMono4")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(copyBytes, Mono4, kMonoBinned4)->Name("BM_CopyMono4Image")->Unit(benchmark::kMillisecond);

KOR_RATIO("rearrange-highres", "BM_RearrangeHighRes", "BM_CopyHighResReadout", "memcpy");
KOR_RATIO("rearrange-binned2", "BM_RearrangeBinned2", "BM_CopyBinned2Readout", "memcpy");
KOR_RATIO("rearrange-mono2", "BM_RearrangeMono2", "BM_CopyMono2Readout", "memcpy");
KOR_RATIO("rearrange-mono4", "BM_RearrangeMono4", "BM_CopyMono4Image", "memcpy");

} // namespace
