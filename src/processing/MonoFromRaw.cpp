#include "processing/MonoFromRaw.h"

#include "messages/Messages.h"
#include "program/Program.h"

#include <algorithm>

namespace kor {

bool checkMonoFromRaw(Program& program)
{
    const Workspace& ws = program.workspace;
    if (ws.ColourImage || ws.BinnedMode) {
        ShowMessage(program.messages, kMsgOwnText, "Sorry, Can only be applied to raw full frame images");
        return false;
    }
    return true;
}

MonoFromRawResult createMonoFromRaw(Program& program, int position)
{
    if (!checkMonoFromRaw(program))
        return MonoFromRawResult::NotRawFullFrame;
    Workspace& ws = program.workspace;
    position = std::clamp(position, kFirstMatrixPosition, kLastMatrixPosition);
    // Parities of the kept rows and columns (0 even, 1 odd).
    const int keptRow = (position == 1 || position == 3) ? 1 : 0;
    const int keptColumn = (position == 1 || position == 2) ? 1 : 0;
    const int width = ws.ImageWidth, height = ws.ImageHeight;
    std::uint16_t* pixels = ws.CurrentImage.data();

    program.progress.begin("BUILDING SINGLE FILTER IMAGE");
    ws.SaveUndo();
    program.progress.setPosition(20);

    // Kept rows: each skipped column becomes the mean of its kept neighbours.
    // The last column has no right neighbour when the kept columns are even;
    // it takes the last kept pixel of the row (never the next row's first).
    for (int y = keptRow; y < height; y += 2) {
        std::uint16_t* row = pixels + std::size_t(y) * width;
        for (int x = keptColumn; x < width - 1; x += 2)
            row[x + 1] = x + 2 < width ? std::uint16_t(row[x] / 2 + row[x + 2] / 2) : row[x];
    }
    program.progress.setPosition(100);

    // The other rows: the mean of the finished rows above and below.
    for (int y = keptRow + 1; y < height - 1; y += 2) {
        const std::uint16_t* above = pixels + std::size_t(y - 1) * width;
        const std::uint16_t* below = above + 2 * std::size_t(width);
        std::uint16_t* row = pixels + std::size_t(y) * width;
        for (int x = keptColumn; x < width; ++x)
            row[x] = std::uint16_t(above[x] / 2 + below[x] / 2);
    }
    program.progress.end();
    ws.AppendHistory("Image Converted to Single Colour");
    program.Redisplay();
    return MonoFromRawResult::Built;
}

} // namespace kor
