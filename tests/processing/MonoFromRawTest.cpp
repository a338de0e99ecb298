#include "processing/MonoFromRaw.h"
#include "messages/Messages.h"
#include "processing/ProcessingFixtures.h"
#include "support/TestProgram.h"

#include <gtest/gtest.h>

namespace kor {
namespace {

std::uint16_t& at(Workspace& ws, int x, int y)
{
    return ws.CurrentImage[std::size_t(y) * ws.ImageWidth + x];
}

// A raw frame with 100 behind the chosen position and 0 elsewhere.
void fillCells(Workspace& ws, int keptRow, int keptColumn)
{
    for (int y = 0; y < ws.ImageHeight; ++y)
        for (int x = 0; x < ws.ImageWidth; ++x)
            at(ws, x, y) = (y % 2 == keptRow && x % 2 == keptColumn) ? 100 : 0;
}

TEST(MonoFromRaw, EveryPositionFillsTheCellsFromItsKeptPixels)
{
    struct Case {
        int position, keptRow, keptColumn;
    };
    for (const Case c : {Case{1, 1, 1}, Case{2, 0, 1}, Case{3, 1, 0}, Case{4, 0, 0}}) {
        SCOPED_TRACE(c.position);
        test::TestProgram t;
        Workspace& ws = t.program.workspace;
        fillCells(ws, c.keptRow, c.keptColumn);
        const auto raw = test::snapshot(ws);
        ASSERT_EQ(createMonoFromRaw(t.program, c.position), MonoFromRawResult::Built);
        const int w = ws.ImageWidth, h = ws.ImageHeight;
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x < w; ++x) {
                // Pixels with no kept neighbour on one side keep their raw value:
                // column 0 when the kept columns are odd, the first row when the
                // kept rows are odd, the last row when it is not a kept row.
                const bool leftEdge = c.keptColumn == 1 && x == 0;
                const bool topEdge = c.keptRow == 1 && y == 0;
                const bool bottomEdge = y == h - 1 && (h - 1) % 2 != c.keptRow;
                const int expected = leftEdge || topEdge || bottomEdge ? raw[std::size_t(y) * w + x] : 100;
                if (at(ws, x, y) != expected) {
                    ADD_FAILURE() << "(" << x << ", " << y << ") is " << at(ws, x, y) << ", expected " << expected;
                    return;
                }
            }
        }
        EXPECT_EQ(ws.HistoryLines[0], "Image Converted to Single Colour");
        EXPECT_FALSE(ws.ColourImage);
        EXPECT_EQ(t.progress.captions, std::vector<std::string>{"BUILDING SINGLE FILTER IMAGE"});
        EXPECT_EQ(t.progress.positions, (std::vector<int>{20, 100}));
        t.program.undoLastFilter();
        EXPECT_EQ(test::snapshot(ws), raw);
    }
}

TEST(MonoFromRaw, AveragesHalvesAndUsesTheLastKeptPixelAtTheRowEnd)
{
    test::TestProgram t;
    Workspace& ws = t.program.workspace;
    std::fill_n(ws.CurrentImage.data(), ws.PixelCount, 0);
    const int w = ws.ImageWidth;
    at(ws, 0, 0) = 101;
    at(ws, 2, 0) = 51;
    at(ws, w - 2, 0) = 7777;
    at(ws, 0, 1) = 9;
    at(ws, 0, 2) = 33;
    at(ws, 0, 3) = 65535; // the next row's first pixel must not leak into row 2's end
    createMonoFromRaw(t.program, 4);
    EXPECT_EQ(at(ws, 1, 0), 50 + 25);
    EXPECT_EQ(at(ws, w - 1, 0), 7777);
    EXPECT_EQ(at(ws, 0, 1), 50 + 16); // from rows 0 and 2, each half truncated
    EXPECT_EQ(at(ws, w - 1, 2), 0);
}

TEST(MonoFromRaw, RefusesColourAndBinnedImages)
{
    for (bool binned : {false, true}) {
        test::TestProgram t;
        Workspace& ws = t.program.workspace;
        ws.BinnedMode = binned;
        ws.SetGeometry();
        ws.ColourImage = !binned;
        test::fillSeededImage(ws, 2);
        const auto before = test::snapshot(ws);
        EXPECT_EQ(createMonoFromRaw(t.program, 1), MonoFromRawResult::NotRawFullFrame);
        ASSERT_EQ(t.messages.messages.size(), 1u);
        EXPECT_EQ(t.messages.messages[0].code, kMsgOwnText);
        EXPECT_EQ(t.messages.messages[0].text, "Sorry, Can only be applied to raw full frame images");
        EXPECT_EQ(test::snapshot(ws), before);
        EXPECT_EQ(ws.historyLineCount(), 0);
    }
}

} // namespace
} // namespace kor
