#pragma once

#include "workspace/Plane.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace kor {

// Sensor and buffer capacities.
inline constexpr int kFullWidth = 3900;
inline constexpr int kFullHeight = 2616;
inline constexpr int kBinnedWidth = 1950;
inline constexpr int kBinnedHeight = 1308;
inline constexpr std::size_t kPlaneCapacity = std::size_t(kFullWidth) * kFullHeight; // 10,202,400
inline constexpr int kGuiderWidth = 500;
inline constexpr int kGuiderHeight = 290;
inline constexpr std::size_t kGuiderCapacity = 145080;
inline constexpr std::size_t kBitmapCapacity = kPlaneCapacity * 3; // 30,607,200 bytes
inline constexpr std::size_t kStretchTableSize = 65536;
inline constexpr std::size_t kHistogramBins = 257;
inline constexpr std::size_t kHotPixelListBytes = 400000;
inline constexpr int kHistoryLineCount = 15;
inline constexpr std::size_t kHistoryLineLength = 39; // characters; the 40th held the terminator

// The value of the first six pixels of an image that carries a stamped label.
inline constexpr std::uint16_t kLabelMarkerValue = 17;
// Rows that mirror and flip leave alone under a label.
inline constexpr int kLabelBandRows = 10;

// The program-wide image buffers, the current geometry and the display flags.
// Every plane has room for a full frame; binned images use the first quarter.
// Element (x, y) of a plane is at y * ImageWidth + x.
class Workspace {
public:
    Workspace();

    // The 16-bit planes.
    Plane CurrentImage{kPlaneCapacity};
    Plane WorkImage{kPlaneCapacity};
    Plane UndoImage{kPlaneCapacity};
    Plane FlatImage{kPlaneCapacity};
    Plane ReadoutImage{kPlaneCapacity};
    // Colour plane sets: red, green, blue.
    std::array<Plane, 3> ColourPlanes{Plane(kPlaneCapacity), Plane(kPlaneCapacity), Plane(kPlaneCapacity)};
    std::array<Plane, 3> ColourBase{Plane(kPlaneCapacity), Plane(kPlaneCapacity), Plane(kPlaneCapacity)};
    std::array<Plane, 3> ColourAux{Plane(kPlaneCapacity), Plane(kPlaneCapacity), Plane(kPlaneCapacity)};
    std::array<Plane, 3> ColourUndo{Plane(kPlaneCapacity), Plane(kPlaneCapacity), Plane(kPlaneCapacity)};

    Plane GuiderImage{kGuiderCapacity};
    Plane GuiderImage2{kGuiderCapacity};
    Plane GuiderImage3{kGuiderCapacity};

    Buffer<std::uint8_t> BitmapBuffer{kBitmapCapacity};
    Buffer<std::uint8_t> BitmapBuffer2{kBitmapCapacity};
    Buffer<std::uint8_t> BitmapBuffer3{kBitmapCapacity};
    Buffer<std::uint16_t> StretchTable{kStretchTableSize};
    Buffer<std::uint16_t> Histogram256{kHistogramBins};
    Buffer<std::uint8_t> HotPixelList{kHotPixelListBytes};

    // Processing history: up to 15 lines; the first empty line ends the list.
    std::array<std::string, kHistoryLineCount> HistoryLines;

    // Geometry, set as a whole by SetGeometry().
    bool BinnedMode = false;
    int ImageWidth = kFullWidth;
    int ImageHeight = kFullHeight;
    std::size_t PixelCount = kPlaneCapacity;
    int DisplayWidth = kFullWidth;
    int DisplayHeight = kFullHeight;
    // Derived values used by filters, file input/output and sampling.
    int ScanStep = kFullWidth * 10;       // width x 10
    int LastColumn = kFullWidth - 1;
    int LastRow = kFullHeight - 1;
    int BytesPerRow = kFullWidth * 2;
    int BytesInSixRows = kFullWidth * 2 * 6;
    int SixRowBlocks = kFullHeight / 6;
    std::size_t FileChunk = kPlaneCapacity / 5;
    std::size_t SampleCount = kPlaneCapacity / 20;
    int FocusHalfX = 64;
    int FocusHalfY = 64;

    // The readout mode the image was taken or loaded in (1 to 7), and the same
    // mode as the ASCII digit stored with the image.
    std::int16_t ExposureMode = 1;
    char ModeDigit = '1';

    // Flags.
    bool ColourImage = false;
    bool BinDisplay = false;
    bool FitToWindow = false;
    bool FalseColour = false;
    bool AutoContrast = false;
    bool ShowCentre = false;
    bool DisplayStretch = false;
    bool PickingMode = false;

    // Background level (0-255, high byte) found by the display at the end of its
    // last repaint; "Remove Background" works from it.
    int lastPaintBackgroundLevel = 0;

    // Sets every geometry value from BinnedMode (and the display size from BinDisplay).
    void SetGeometry();

    // Undo snapshot of CurrentImage and the colour flag.
    void SaveUndo();
    // The rest of SaveUndo, for a pass that copies CurrentImage into UndoImage
    // itself while it reads the pixels anyway.
    void SaveUndoFlags();
    // Restores the snapshot and the colour flag and removes the last history line.
    // The caller redisplays.
    void RestoreUndo();
    void SaveColourUndo();
    // False (and nothing changes) when the image is not colour converted.
    bool RestoreColourUndo();
    void CopyColourToBase();

    // Writes the text (cut at 39 characters) into the first empty history line;
    // dropped when all 15 are in use.
    void AppendHistory(std::string_view text);
    void ClearHistory();
    void RemoveLastHistoryLine();
    // The lines up to the first empty one.
    int historyLineCount() const;

    // Whether CurrentImage carries a stamped label in its first rows.
    bool hasLabelBand() const;

    // The start-up patterns: CurrentImage row r = r x 25 over the current
    // geometry, GuiderImage row r = r x 200.
    void FillTestPatterns();

private:
    bool m_undoColourImage = false;
};

} // namespace kor
