#include "display/Display.h"

#include "display/BackgroundLevel.h"
#include "messages/Messages.h"
#include "program/Program.h"

#include <algorithm>
#include <cstring>

namespace kor {

namespace {

constexpr std::size_t kSmallFramePixels =
    std::size_t(DisplayFrameMode::kSmallFrameSide) * DisplayFrameMode::kSmallFrameSide; // 16,384
// Camera focus mode looks for the smallest lit byte over 126 rows only.
constexpr std::size_t kFocusMinimumSearch = 16128;

void greyLuminanceRow(const Workspace& ws, int row, std::uint8_t* bgr)
{
    const int step = ws.BinDisplay ? 2 : 1;
    const int width = ws.ImageWidth / step;
    const std::uint8_t* src = ws.BitmapBuffer.data() + std::size_t(row) * step * ws.ImageWidth;
    for (int x = 0; x < width; ++x, bgr += 3)
        bgr[0] = bgr[1] = bgr[2] = src[std::size_t(x) * step];
}

int messageForResult(BitmapResult result)
{
    switch (result) {
    case BitmapResult::CreateFailed: return kMsgTempBitmapFailed;
    case BitmapResult::HeaderFailed: return kMsgTempBitmapHeader;
    case BitmapResult::PixelsFailed: return kMsgTempBitmapFile;
    case BitmapResult::Ok: break;
    }
    return 0;
}

} // namespace

BitmapResult buildDisplayBitmap(Program& program, const DisplayStretchSettings& stretch, const DisplayFrameMode& frame,
                                const ColourDisplayRenderer& colour)
{
    Workspace& ws = program.workspace;
    const std::size_t shown = frame.smallFrame ? kSmallFramePixels : ws.PixelCount;
    reduceToBytes(ws, shown);

    const bool useMap = ws.AutoContrast || ws.DisplayStretch || frame.focusMode;
    const int level = (ws.AutoContrast || ws.DisplayStretch) ? BackgroundLevelByBand(ws) : 0;

    if (ws.ColourImage && !frame.smallFrame) {
        const int step = ws.BinDisplay ? 2 : 1;
        const ColourDisplayRenderer& render = colour ? colour : ColourDisplayRenderer(greyLuminanceRow);
        return writeColourBitmap(
            program.paths.displayBitmap(), ws.ImageWidth / step, ws.ImageHeight / step,
            [&](int row, std::uint8_t* bgr) { render(ws, row, bgr); }, program.progress);
    }

    std::uint8_t* bytes = ws.BitmapBuffer.data();
    if (ws.DisplayStretch || frame.focusMode) {
        const std::size_t searched = frame.focusMode ? kFocusMinimumSearch : shown;
        const int m = smallestLitByte(bytes, searched);
        const double power = frame.focusMode ? double(frame.focusStretch) : stretch.power;
        const int black = frame.smallFrame ? 0 : stretch.black;
        applyDisplayStretch(bytes, shown, m, black, displayStretchCurve(power));
    }
    const ContrastMap map = useMap ? autoContrastMap(level) : ContrastMap{};
    const Palette palette = displayPalette(ws, useMap, map);
    const auto path = frame.smallFrame ? program.paths.smallFrameBitmap() : program.paths.displayBitmap();
    return writeMonoBitmap(path, bytes, displayLayout(ws, frame), palette);
}

bool Display::redisplay(Program& program)
{
    Workspace& ws = program.workspace;
    const BitmapResult result = buildDisplayBitmap(program, stretch, frame, colourRenderer);
    bool shown = false;
    if (result != BitmapResult::Ok) {
        ShowMessage(program.messages, messageForResult(result));
    } else {
        const auto path = frame.smallFrame ? program.paths.smallFrameBitmap() : program.paths.displayBitmap();
        if (auto bmp = readBitmapFile(path)) {
            auto picture = std::make_unique<DisplayPicture>();
            picture->width = bmp->width;
            picture->height = bmp->height;
            picture->rgb32 = std::move(bmp->rgb32);
            picture->indexed = bmp->indexed;
            picture->indices = std::move(bmp->indices);
            picture->palette = bmp->palette;
            m_picture = std::move(picture);
            ws.DisplayWidth = m_picture->width;
            ws.DisplayHeight = m_picture->height;
            shown = true;
        } else {
            ShowMessage(program.messages, kMsgBitmapOpenFailed);
        }
    }
    m_interiorLevel = BackgroundLevelByInterior(ws);
    ws.lastPaintBackgroundLevel = m_interiorLevel; // what "Remove Background" works from
    return shown;
}

void paintScrolledView(const DisplayPicture* picture, int scrollX, int scrollY, int viewWidth, int viewHeight,
                       std::uint32_t background, std::uint32_t* out, int outStride)
{
    const int pictureWidth = picture ? picture->width : 0;
    const int pictureHeight = picture ? picture->height : 0;
    // Picture columns from width - 2 on are covered by the background.
    const int shownColumns = std::clamp(pictureWidth - 2 - scrollX, 0, viewWidth);
    for (int y = 0; y < viewHeight; ++y) {
        std::uint32_t* dst = out + std::size_t(y) * outStride;
        const int sy = y + scrollY;
        int x = 0;
        if (shownColumns > 0 && sy >= 0 && sy < pictureHeight && scrollX >= 0) {
            std::memcpy(dst, picture->rgb32.data() + std::size_t(sy) * pictureWidth + scrollX,
                        std::size_t(shownColumns) * sizeof(std::uint32_t));
            x = shownColumns;
        }
        std::fill(dst + x, dst + viewWidth, background);
    }
}

} // namespace kor
