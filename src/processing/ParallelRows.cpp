#include "processing/ParallelRows.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <thread>
#include <vector>

namespace kor {

namespace {

constexpr int kRowsPerBlock = 16;
constexpr unsigned kMaxThreads = 8;

unsigned threadCount()
{
    return std::clamp(std::thread::hardware_concurrency(), 1u, kMaxThreads);
}

} // namespace

void forEachRowBlock(int first, int end, const std::function<void(int, int)>& body,
                     const std::function<void(int)>& progress)
{
    if (end <= first)
        return;
    const int blocks = (end - first + kRowsPerBlock - 1) / kRowsPerBlock;
    std::atomic<int> nextBlock{0};
    std::atomic<int> rowsDone{0};
    const auto work = [&](bool reports) {
        for (int b; (b = nextBlock.fetch_add(1)) < blocks;) {
            const int y0 = first + b * kRowsPerBlock;
            const int y1 = std::min(end, y0 + kRowsPerBlock);
            body(y0, y1);
            const int done = rowsDone.fetch_add(y1 - y0) + (y1 - y0);
            if (reports && progress)
                progress(done);
        }
    };
    const unsigned helpers = std::min<unsigned>(threadCount(), unsigned(blocks)) - 1;
    std::vector<std::thread> threads;
    threads.reserve(helpers);
    for (unsigned i = 0; i < helpers; ++i)
        threads.emplace_back(work, false);
    work(true);
    for (auto& t : threads)
        t.join();
    if (progress)
        progress(end - first);
}

void copyPixels(std::uint16_t* dst, const std::uint16_t* src, std::size_t count)
{
    constexpr std::size_t kChunk = 1 << 16;
    const int chunks = int((count + kChunk - 1) / kChunk);
    forEachRowBlock(0, chunks, [&](int c0, int c1) {
        const std::size_t begin = std::size_t(c0) * kChunk;
        const std::size_t stop = std::min(count, std::size_t(c1) * kChunk);
        std::memcpy(dst + begin, src + begin, (stop - begin) * sizeof(std::uint16_t));
    });
}

} // namespace kor
