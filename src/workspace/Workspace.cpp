#include "workspace/Workspace.h"

#include <algorithm>
#include <cstring>

namespace kor {

Workspace::Workspace()
{
    SetGeometry();
}

void Workspace::SetGeometry()
{
    ImageWidth = BinnedMode ? kBinnedWidth : kFullWidth;
    ImageHeight = BinnedMode ? kBinnedHeight : kFullHeight;
    PixelCount = std::size_t(ImageWidth) * ImageHeight;
    ScanStep = ImageWidth * 10;
    LastColumn = ImageWidth - 1;
    LastRow = ImageHeight - 1;
    BytesPerRow = ImageWidth * 2;
    BytesInSixRows = BytesPerRow * 6;
    SixRowBlocks = ImageHeight / 6;
    FileChunk = PixelCount / 5;
    SampleCount = PixelCount / 20;
    FocusHalfX = BinnedMode ? 32 : 64;
    FocusHalfY = BinnedMode ? 32 : 64;
    DisplayWidth = BinDisplay ? ImageWidth / 2 : ImageWidth;
    DisplayHeight = BinDisplay ? ImageHeight / 2 : ImageHeight;
}

void Workspace::SaveUndo()
{
    std::memcpy(UndoImage.data(), CurrentImage.data(), PixelCount * sizeof(std::uint16_t));
    m_undoColourImage = ColourImage;
}

void Workspace::SaveUndoFlags()
{
    m_undoColourImage = ColourImage;
}

void Workspace::RestoreUndo()
{
    std::memcpy(CurrentImage.data(), UndoImage.data(), PixelCount * sizeof(std::uint16_t));
    ColourImage = m_undoColourImage;
    RemoveLastHistoryLine();
}

void Workspace::SaveColourUndo()
{
    for (int c = 0; c < 3; ++c)
        std::memcpy(ColourUndo[c].data(), ColourPlanes[c].data(), PixelCount * sizeof(std::uint16_t));
}

bool Workspace::RestoreColourUndo()
{
    if (!ColourImage)
        return false;
    for (int c = 0; c < 3; ++c)
        std::memcpy(ColourPlanes[c].data(), ColourUndo[c].data(), PixelCount * sizeof(std::uint16_t));
    return true;
}

void Workspace::CopyColourToBase()
{
    for (int c = 0; c < 3; ++c)
        std::memcpy(ColourBase[c].data(), ColourPlanes[c].data(), PixelCount * sizeof(std::uint16_t));
}

void Workspace::AppendHistory(std::string_view text)
{
    for (auto& line : HistoryLines) {
        if (line.empty()) {
            line = text.substr(0, kHistoryLineLength);
            return;
        }
    }
}

void Workspace::ClearHistory()
{
    for (auto& line : HistoryLines)
        line.clear();
}

void Workspace::RemoveLastHistoryLine()
{
    const int count = historyLineCount();
    if (count > 0)
        HistoryLines[count - 1].clear();
}

int Workspace::historyLineCount() const
{
    const auto firstEmpty =
        std::find_if(HistoryLines.begin(), HistoryLines.end(), [](const std::string& l) { return l.empty(); });
    return static_cast<int>(firstEmpty - HistoryLines.begin());
}

bool Workspace::hasLabelBand() const
{
    return int(CurrentImage[4]) + int(CurrentImage[5]) == 2 * kLabelMarkerValue;
}

void Workspace::FillTestPatterns()
{
    for (int r = 0; r < ImageHeight; ++r)
        std::fill_n(CurrentImage.data() + std::size_t(r) * ImageWidth, ImageWidth, std::uint16_t(r * 25));
    for (int r = 0; r < kGuiderHeight; ++r)
        std::fill_n(GuiderImage.data() + std::size_t(r) * kGuiderWidth, kGuiderWidth, std::uint16_t(r * 200));
}

} // namespace kor
