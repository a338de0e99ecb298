#include "processing/FilterPass.h"

#include "processing/ParallelRows.h"
#include "program/Program.h"

#include <algorithm>

namespace kor {

void runFilterPass(Program& program, const std::string& caption, int first, int end, const FilterRows& body)
{
    Workspace& ws = program.workspace;
    first = std::clamp(first, 0, ws.ImageHeight);
    end = std::clamp(end, first, ws.ImageHeight);
    program.progress.begin(caption);
    // The undo snapshot, copied on all cores; the filters read it as their source.
    copyPixels(ws.UndoImage.data(), ws.CurrentImage.data(), ws.PixelCount);
    ws.SaveUndoFlags();
    const std::uint16_t* source = ws.UndoImage.data();
    std::uint16_t* result = ws.CurrentImage.data();
    // The bar follows the share of the rows done, so it is full only at the end.
    const int rows = std::max(1, end - first);
    forEachRowBlock(
        first, end, [&](int y0, int y1) { body(source, result, y0, y1); },
        [&](int rowsDone) { program.progress.setPosition(ProgressReporter::kProgressRange * rowsDone / rows); });
    program.progress.end();
}

} // namespace kor
