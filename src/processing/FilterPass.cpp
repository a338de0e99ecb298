#include "processing/FilterPass.h"

#include "processing/ParallelRows.h"
#include "program/Program.h"

#include <algorithm>
#include <cstring>

namespace kor {

void runFilterPass(Program& program, const std::string& caption, int first, int end, int xBegin, int xEnd,
                   const std::function<void(int, int)>& body)
{
    Workspace& ws = program.workspace;
    const int width = ws.ImageWidth;
    const int height = ws.ImageHeight;
    first = std::clamp(first, 0, height);
    end = std::clamp(end, first, height);
    xBegin = std::clamp(xBegin, 0, width);
    xEnd = std::clamp(xEnd, xBegin, width);
    program.progress.begin(caption);
    ws.SaveUndo();

    std::uint16_t* current = ws.CurrentImage.data();
    std::uint16_t* work = ws.WorkImage.data();
    const auto row = [width](std::uint16_t* plane, int y) { return plane + std::size_t(y) * width; };
    std::memcpy(work, current, std::size_t(first) * width * sizeof(std::uint16_t));
    std::memcpy(row(work, end), row(current, end), std::size_t(height - end) * width * sizeof(std::uint16_t));

    // The bar follows the share of the rows done, so it is full only at the end.
    const int rows = std::max(1, end - first);
    forEachRowBlock(
        first, end,
        [&](int y0, int y1) {
            for (int y = y0; y < y1; ++y) {
                std::memcpy(row(work, y), row(current, y), std::size_t(xBegin) * sizeof(std::uint16_t));
                std::memcpy(row(work, y) + xEnd, row(current, y) + xEnd,
                            std::size_t(width - xEnd) * sizeof(std::uint16_t));
            }
            body(y0, y1);
        },
        [&](int rowsDone) { program.progress.setPosition(ProgressReporter::kProgressRange * rowsDone / rows); });

    copyPixels(current, work, ws.PixelCount);
    program.progress.end();
}

} // namespace kor
