#include "program/Program.h"
#include "support/TestProgram.h"
#include "workspace/Workspace.h"

#include <gtest/gtest.h>

#include <memory>

namespace kor {
namespace {

TEST(Workspace, GeometryOfBothModes)
{
    auto ws = std::make_unique<Workspace>();
    struct Case {
        bool binned, binDisplay;
        int width, height;
        std::size_t count;
        int scan, lastCol, lastRow, rowBytes, sixRowBytes, blocks;
        std::size_t chunk, samples;
        int focusHalf, displayW, displayH;
    };
    const Case cases[] = {
        {false, false, 3900, 2616, 10202400, 39000, 3899, 2615, 7800, 46800, 436, 2040480, 510120, 64, 3900, 2616},
        {true, false, 1950, 1308, 2550600, 19500, 1949, 1307, 3900, 23400, 218, 510120, 127530, 32, 1950, 1308},
        {false, true, 3900, 2616, 10202400, 39000, 3899, 2615, 7800, 46800, 436, 2040480, 510120, 64, 1950, 1308},
        {true, true, 1950, 1308, 2550600, 19500, 1949, 1307, 3900, 23400, 218, 510120, 127530, 32, 975, 654},
    };
    for (const auto& c : cases) {
        ws->BinnedMode = c.binned;
        ws->BinDisplay = c.binDisplay;
        ws->SetGeometry();
        SCOPED_TRACE(testing::Message() << "binned " << c.binned << " binDisplay " << c.binDisplay);
        EXPECT_EQ(ws->ImageWidth, c.width);
        EXPECT_EQ(ws->ImageHeight, c.height);
        EXPECT_EQ(ws->PixelCount, c.count);
        EXPECT_EQ(ws->ScanStep, c.scan);
        EXPECT_EQ(ws->LastColumn, c.lastCol);
        EXPECT_EQ(ws->LastRow, c.lastRow);
        EXPECT_EQ(ws->BytesPerRow, c.rowBytes);
        EXPECT_EQ(ws->BytesInSixRows, c.sixRowBytes);
        EXPECT_EQ(ws->SixRowBlocks, c.blocks);
        EXPECT_EQ(ws->FileChunk, c.chunk);
        EXPECT_EQ(ws->SampleCount, c.samples);
        EXPECT_EQ(ws->FocusHalfX, c.focusHalf);
        EXPECT_EQ(ws->FocusHalfY, c.focusHalf);
        EXPECT_EQ(ws->DisplayWidth, c.displayW);
        EXPECT_EQ(ws->DisplayHeight, c.displayH);
    }
}

TEST(Workspace, CapacitiesAreTheFullFrameAndStartZero)
{
    auto ws = std::make_unique<Workspace>();
    EXPECT_EQ(ws->CurrentImage.capacity(), 10202400u);
    EXPECT_EQ(ws->ColourUndo[2].capacity(), 10202400u);
    EXPECT_EQ(ws->GuiderImage3.capacity(), 145080u);
    EXPECT_EQ(ws->BitmapBuffer.capacity(), 30607200u);
    EXPECT_EQ(ws->StretchTable.capacity(), 65536u);
    EXPECT_EQ(ws->Histogram256.capacity(), 257u);
    EXPECT_EQ(ws->HotPixelList.capacity(), 400000u);
    EXPECT_EQ(ws->CurrentImage[10202399], 0);
    EXPECT_EQ(ws->BitmapBuffer3[30607199], 0);
}

TEST(Workspace, BinnedUndoMovesExactlyTheBinnedPixels)
{
    auto ws = std::make_unique<Workspace>();
    ws->BinnedMode = true;
    ws->SetGeometry();
    for (std::size_t i = 0; i < kPlaneCapacity; ++i) {
        ws->CurrentImage[i] = 1;
        ws->UndoImage[i] = 2;
    }
    ws->SaveUndo();
    EXPECT_EQ(ws->UndoImage[2550599], 1);
    EXPECT_EQ(ws->UndoImage[2550600], 2);

    for (std::size_t i = 0; i < kPlaneCapacity; ++i)
        ws->CurrentImage[i] = 3;
    ws->RestoreUndo();
    EXPECT_EQ(ws->CurrentImage[0], 1);
    EXPECT_EQ(ws->CurrentImage[2550599], 1);
    EXPECT_EQ(ws->CurrentImage[2550600], 3);
}

TEST(Workspace, UndoRestoresTheColourFlagAndCanBeRepeated)
{
    auto ws = std::make_unique<Workspace>();
    ws->CurrentImage[7] = 100;
    ws->SaveUndo(); // a monochrome image
    ws->CurrentImage[7] = 5;
    ws->ColourImage = true; // as after colour synthesis
    ws->RestoreUndo();
    EXPECT_EQ(ws->CurrentImage[7], 100);
    EXPECT_FALSE(ws->ColourImage);
    ws->CurrentImage[7] = 6;
    ws->RestoreUndo();
    EXPECT_EQ(ws->CurrentImage[7], 100);
}

TEST(Workspace, ColourUndoOnAMonochromeImageShowsMessage69AndChangesNothing)
{
    test::TestProgram t;
    Workspace& ws = t.program.workspace;
    int redisplays = 0;
    t.program.setRedisplay([&] { ++redisplays; });
    ws.ColourPlanes[0][3] = 42;
    ws.ColourUndo[0][3] = 9;
    t.program.undoLastColourFilter();
    EXPECT_EQ(t.messages.codes(), std::vector<int>{69});
    EXPECT_EQ(t.messages.messages[0].text, "Image Not Colour Converted");
    EXPECT_EQ(ws.ColourPlanes[0][3], 42);
    EXPECT_EQ(redisplays, 0);

    ws.ColourImage = true;
    t.program.undoLastColourFilter();
    EXPECT_EQ(ws.ColourPlanes[0][3], 9);
    EXPECT_EQ(redisplays, 1);
}

TEST(Workspace, HistoryDropsThe16thLineAndUndoRemovesTheLast)
{
    auto ws = std::make_unique<Workspace>();
    ws->RemoveLastHistoryLine(); // empty history: nothing happens
    EXPECT_EQ(ws->historyLineCount(), 0);

    for (int i = 0; i < 16; ++i)
        ws->AppendHistory("Line " + std::to_string(i));
    EXPECT_EQ(ws->historyLineCount(), 15);
    EXPECT_EQ(ws->HistoryLines[14], "Line 14");

    ws->RestoreUndo();
    EXPECT_EQ(ws->historyLineCount(), 14);
    EXPECT_TRUE(ws->HistoryLines[14].empty());
    ws->RestoreUndo();
    EXPECT_EQ(ws->historyLineCount(), 13);

    ws->AppendHistory(std::string(50, 'a'));
    EXPECT_EQ(ws->HistoryLines[13], std::string(39, 'a'));

    ws->ClearHistory();
    EXPECT_EQ(ws->historyLineCount(), 0);
}

TEST(Workspace, LabelBandTestsPixelsFourAndFive)
{
    auto ws = std::make_unique<Workspace>();
    ws->CurrentImage[4] = 17;
    ws->CurrentImage[5] = 17;
    EXPECT_TRUE(ws->hasLabelBand());
    ws->CurrentImage[4] = 16;
    ws->CurrentImage[5] = 18; // the test is on the sum
    EXPECT_TRUE(ws->hasLabelBand());
    ws->CurrentImage[5] = 17;
    EXPECT_FALSE(ws->hasLabelBand());
    ws->CurrentImage[4] = 65535;
    ws->CurrentImage[5] = 35; // no 16-bit wrap in the sum
    EXPECT_FALSE(ws->hasLabelBand());
}

TEST(Workspace, StartUpPatterns)
{
    test::TestProgram t;
    t.program.startUp();
    const Workspace& ws = t.program.workspace;
    EXPECT_EQ(ws.CurrentImage[0], 0);
    EXPECT_EQ(ws.CurrentImage[3899], 0);
    EXPECT_EQ(ws.CurrentImage[3900], 25);
    EXPECT_EQ(ws.CurrentImage[2615 * 3900 + 3899], 2615 * 25);
    EXPECT_EQ(ws.GuiderImage[499], 0);
    EXPECT_EQ(ws.GuiderImage[500], 200);
    EXPECT_EQ(ws.GuiderImage[289 * 500 + 499], 289 * 200);
    EXPECT_EQ(ws.GuiderImage[290 * 500], 0);
    EXPECT_TRUE(t.messages.messages.empty());
}

} // namespace
} // namespace kor
