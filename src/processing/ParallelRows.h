#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>

namespace kor {

// Runs body(first, end) over the rows [first, end) in blocks of a few rows,
// spread over the cores. Only for work whose result cannot depend on the split
// (each row written from rows that nobody writes). The calling thread takes
// blocks too and, after each of its blocks, calls progress(rowsDone) with the
// number of rows finished so far, so the progress window is only ever touched
// from the calling thread.
void forEachRowBlock(int first, int end, const std::function<void(int, int)>& body,
                     const std::function<void(int)>& progress = {});

// A parallel copy of `count` 16-bit values.
void copyPixels(std::uint16_t* dst, const std::uint16_t* src, std::size_t count);

} // namespace kor
