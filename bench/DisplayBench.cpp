#include "Ratio.h"
#include "display/Display.h"
#include "messages/MessageSink.h"
#include "platform/Clock.h"
#include "platform/EventPump.h"
#include "platform/ProgressReporter.h"
#include "program/Program.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>

namespace {

// A Program whose root is a fresh temporary directory, removed afterwards.
struct BenchProgram {
    BenchProgram()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "kor-bench-XXXXXX").string();
        root = ::mkdtemp(pattern.data());
        program =
            std::make_unique<kor::Program>(kor::Paths(root), kor::ProgramServices{messages, clock, events, progress});
        program->startUp();
    }
    ~BenchProgram()
    {
        program.reset();
        std::error_code ec;
        std::filesystem::remove_all(root, ec);
    }
    std::filesystem::path root;
    kor::RecordingMessageSink messages;
    kor::VirtualClock clock;
    kor::QuietEventPump events;
    kor::NullProgressReporter progress;
    std::unique_ptr<kor::Program> program;
};

// Full-frame monochrome redisplay: reduce to bytes, build the 8-bit bitmap and
// write the temporary file.
void BM_RedisplayMono(benchmark::State& state)
{
    BenchProgram b;
    kor::Workspace& ws = b.program->workspace;
    for (std::size_t i = 0; i < kor::kPlaneCapacity; ++i)
        ws.CurrentImage[i] = std::uint16_t(i * 2654435761u >> 16);
    for (auto _ : state) {
        const auto result = kor::buildDisplayBitmap(*b.program, {}, {}, {});
        benchmark::DoNotOptimize(result);
    }
}
BENCHMARK(BM_RedisplayMono)->Unit(benchmark::kMillisecond);
KOR_RATIO("redisplay-mono", "BM_RedisplayMono", "BM_CopyFullPlane", "memcpy");

constexpr int kViewWidth = 1024;
constexpr int kViewHeight = 768;
constexpr int kScrollX = 1500;
constexpr int kScrollY = 900;

std::unique_ptr<kor::DisplayPicture> fullFramePicture()
{
    auto picture = std::make_unique<kor::DisplayPicture>();
    picture->width = kor::kFullWidth;
    picture->height = kor::kFullHeight;
    picture->rgb32.resize(kor::kPlaneCapacity);
    for (std::size_t i = 0; i < picture->rgb32.size(); ++i)
        picture->rgb32[i] = 0xff000000u | std::uint32_t(i * 0x010101u);
    return picture;
}

// One repaint of a scrolled 1024 x 768 view of a full-frame picture.
void BM_PaintView(benchmark::State& state)
{
    const auto picture = fullFramePicture();
    std::vector<std::uint32_t> view(std::size_t(kViewWidth) * kViewHeight);
    for (auto _ : state) {
        kor::paintScrolledView(picture.get(), kScrollX, kScrollY, kViewWidth, kViewHeight, 0xffc0c0c0u, view.data(),
                               kViewWidth);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_PaintView)->Unit(benchmark::kMicrosecond);

// The reference: a copy of that view's 32-bit pixels, row by row.
void BM_CopyView(benchmark::State& state)
{
    const auto picture = fullFramePicture();
    std::vector<std::uint32_t> view(std::size_t(kViewWidth) * kViewHeight);
    for (auto _ : state) {
        for (int y = 0; y < kViewHeight; ++y)
            std::memcpy(view.data() + std::size_t(y) * kViewWidth,
                        picture->rgb32.data() + std::size_t(y + kScrollY) * picture->width + kScrollX,
                        kViewWidth * sizeof(std::uint32_t));
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_CopyView)->Unit(benchmark::kMicrosecond);
KOR_RATIO("paint-view", "BM_PaintView", "BM_CopyView", "memcpy");

} // namespace
