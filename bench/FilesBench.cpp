#include "Ratio.h"
#include "files/FitsFile.h"
#include "files/RawFile.h"
#include "program/Program.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <unistd.h>
#include <vector>

namespace {

// A program on quiet seams with its root in a fresh temporary directory, and a
// full-frame 16-bit image with values across the whole range.
struct FilesBench {
    kor::RecordingMessageSink messages;
    kor::VirtualClock clock;
    kor::ScriptedEventPump events;
    kor::NullProgressReporter progress;
    std::filesystem::path dir = makeDir();
    kor::Program program{kor::Paths(dir), {messages, clock, events, progress}};

    FilesBench()
    {
        kor::Workspace& ws = program.workspace;
        ws.BinnedMode = false;
        ws.SetGeometry();
        for (std::size_t i = 0; i < ws.PixelCount; ++i)
            ws.CurrentImage[i] = std::uint16_t(i * 2654435761u >> 16);
    }
    ~FilesBench()
    {
        std::error_code ec;
        std::filesystem::remove_all(dir, ec);
    }

    static std::filesystem::path makeDir()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "kor-bench-XXXXXX").string();
        if (!::mkdtemp(pattern.data()))
            std::abort();
        return pattern;
    }
};

// The reference: the same number of bytes written with one call, flushed to
// disk as every save is, or read back with one call.
void plainWrite(const std::filesystem::path& path, const void* data, std::size_t bytes)
{
    std::FILE* f = std::fopen(path.c_str(), "wb");
    std::fwrite(data, 1, bytes, f);
    std::fflush(f);
    ::fsync(::fileno(f));
    std::fclose(f);
}

void plainRead(const std::filesystem::path& path, void* data, std::size_t bytes)
{
    std::FILE* f = std::fopen(path.c_str(), "rb");
    benchmark::DoNotOptimize(std::fread(data, 1, bytes, f));
    std::fclose(f);
}

void BM_FitsSaveFull(benchmark::State& state)
{
    FilesBench b;
    for (auto _ : state)
        kor::WriteFits(b.program, b.dir / "a.FIT", b.program.workspace.CurrentImage, false);
}
BENCHMARK(BM_FitsSaveFull)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_PlainWriteFitsBytes(benchmark::State& state)
{
    FilesBench b;
    std::vector<std::uint8_t> bytes(kor::kFitsFullLength, 1);
    for (auto _ : state)
        plainWrite(b.dir / "a.bin", bytes.data(), bytes.size());
}
BENCHMARK(BM_PlainWriteFitsBytes)->Unit(benchmark::kMillisecond)->UseRealTime();
KOR_RATIO("fits-save", "BM_FitsSaveFull", "BM_PlainWriteFitsBytes", "fwrite");

void BM_FitsLoadFull(benchmark::State& state)
{
    FilesBench b;
    kor::WriteFits(b.program, b.dir / "a.FIT", b.program.workspace.CurrentImage, false);
    for (auto _ : state)
        kor::LoadRawFile(b.program, b.dir / "a.FIT");
}
BENCHMARK(BM_FitsLoadFull)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_PlainReadFitsBytes(benchmark::State& state)
{
    FilesBench b;
    std::vector<std::uint8_t> bytes(kor::kFitsFullLength, 1);
    plainWrite(b.dir / "a.bin", bytes.data(), bytes.size());
    for (auto _ : state)
        plainRead(b.dir / "a.bin", bytes.data(), bytes.size());
}
BENCHMARK(BM_PlainReadFitsBytes)->Unit(benchmark::kMillisecond)->UseRealTime();
KOR_RATIO("fits-load", "BM_FitsLoadFull", "BM_PlainReadFitsBytes", "fread");

void BM_RawSaveFull(benchmark::State& state)
{
    FilesBench b;
    for (auto _ : state)
        kor::SaveRawFile(b.program, b.dir / "a");
}
BENCHMARK(BM_RawSaveFull)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_PlainWriteRawBytes(benchmark::State& state)
{
    FilesBench b;
    std::vector<std::uint8_t> bytes(kor::kRawFullLength, 1);
    for (auto _ : state)
        plainWrite(b.dir / "a.bin", bytes.data(), bytes.size());
}
BENCHMARK(BM_PlainWriteRawBytes)->Unit(benchmark::kMillisecond)->UseRealTime();
KOR_RATIO("raw-save", "BM_RawSaveFull", "BM_PlainWriteRawBytes", "fwrite");

void BM_RawLoadFull(benchmark::State& state)
{
    FilesBench b;
    kor::SaveRawFile(b.program, b.dir / "a");
    for (auto _ : state)
        kor::LoadRawFile(b.program, b.dir / "a");
}
BENCHMARK(BM_RawLoadFull)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_PlainReadRawBytes(benchmark::State& state)
{
    FilesBench b;
    std::vector<std::uint8_t> bytes(kor::kRawFullLength, 1);
    plainWrite(b.dir / "a.bin", bytes.data(), bytes.size());
    for (auto _ : state)
        plainRead(b.dir / "a.bin", bytes.data(), bytes.size());
}
BENCHMARK(BM_PlainReadRawBytes)->Unit(benchmark::kMillisecond)->UseRealTime();
KOR_RATIO("raw-load", "BM_RawLoadFull", "BM_PlainReadRawBytes", "fread");

} // namespace
