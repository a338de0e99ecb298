#include "Ratio.h"
#include "workspace/Workspace.h"

#include <benchmark/benchmark.h>

#include <cstring>
#include <memory>

namespace {

// The reference every full-frame operation is measured against: a plain copy of one plane.
void BM_CopyFullPlane(benchmark::State& state)
{
    auto ws = std::make_unique<kor::Workspace>();
    std::memset(ws->CurrentImage.data(), 1, kor::kPlaneCapacity * 2);
    std::memset(ws->WorkImage.data(), 2, kor::kPlaneCapacity * 2);
    for (auto _ : state) {
        std::memcpy(ws->WorkImage.data(), ws->CurrentImage.data(), kor::kPlaneCapacity * 2);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(kor::kPlaneCapacity * 2));
}
BENCHMARK(BM_CopyFullPlane)->Unit(benchmark::kMillisecond);

void BM_SaveUndoFullFrame(benchmark::State& state)
{
    auto ws = std::make_unique<kor::Workspace>();
    std::memset(ws->CurrentImage.data(), 1, kor::kPlaneCapacity * 2);
    std::memset(ws->UndoImage.data(), 2, kor::kPlaneCapacity * 2);
    for (auto _ : state) {
        ws->SaveUndo();
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_SaveUndoFullFrame)->Unit(benchmark::kMillisecond);
KOR_RATIO("save-undo", "BM_SaveUndoFullFrame", "BM_CopyFullPlane", "memcpy");

} // namespace
