// The inner loops are written for the vectoriser, which only the higher
// optimisation level runs; keep it on in every build type.
#pragma GCC optimize("O3")

#include "processing/Filters.h"
#include "processing/ParallelRows.h"
#include "program/Program.h"

#include <algorithm>
#include <vector>

namespace kor {

namespace {

// The planes a geometric flip moves: the image, and the colour planes of a
// colour image.
std::vector<std::uint16_t*> planesToMove(Workspace& ws)
{
    std::vector<std::uint16_t*> planes{ws.CurrentImage.data()};
    if (ws.ColourImage)
        for (auto& p : ws.ColourPlanes)
            planes.push_back(p.data());
    return planes;
}

int firstMovedRow(const Workspace& ws)
{
    return ws.hasLabelBand() ? kLabelBandRows : 0;
}

// The colour adjustments work from ColourBase; it follows the moved planes.
void finish(Program& program)
{
    if (program.workspace.ColourImage)
        program.workspace.CopyColourToBase();
    program.Redisplay();
}

} // namespace

// Both reverse in place: a swap pass touches every pixel once, where building
// the result elsewhere and copying it back would touch it twice.
void MirrorImage(Program& program)
{
    Workspace& ws = program.workspace;
    const int width = ws.ImageWidth;
    const int first = firstMovedRow(ws);
    for (std::uint16_t* plane : planesToMove(ws)) {
        forEachRowBlock(first, ws.ImageHeight, [&](int y0, int y1) {
            for (int y = y0; y < y1; ++y) {
                std::uint16_t* row = plane + std::size_t(y) * width;
                std::reverse(row, row + width);
            }
        });
    }
    finish(program);
}

void FlipImage(Program& program)
{
    Workspace& ws = program.workspace;
    const int width = ws.ImageWidth;
    const int first = firstMovedRow(ws);
    const int last = ws.ImageHeight - 1;
    const int pairs = (last - first + 1) / 2;
    for (std::uint16_t* plane : planesToMove(ws)) {
        forEachRowBlock(0, pairs, [&](int i0, int i1) {
            for (int i = i0; i < i1; ++i) {
                std::uint16_t* top = plane + std::size_t(first + i) * width;
                std::uint16_t* bottom = plane + std::size_t(last - i) * width;
                std::swap_ranges(top, top + width, bottom);
            }
        });
    }
    finish(program);
}

} // namespace kor
