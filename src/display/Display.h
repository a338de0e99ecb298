#pragma once

#include "display/DisplayPipeline.h"
#include "files/BitmapFile.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace kor {

class Program;
class Workspace;

// The picture the window shows: the display bitmap as read back from its
// temporary file, kept as ready-to-paint 32-bit pixels (top row first), plus
// the palette indices of an 8-bit bitmap for the clipboard.
struct DisplayPicture {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> rgb32;
    bool indexed = false;
    std::vector<std::uint8_t> indices;
    Palette palette{};
};

// Renders one display row of a colour image (blue, green, red bytes, display
// width pixels). The colour subsystem installs the real rendering; until then a
// colour image shows its luminance in grey.
using ColourDisplayRenderer = std::function<void(const Workspace& ws, int row, std::uint8_t* bgr)>;

// Builds the temporary bitmap file of the current image: reduce to bytes,
// optional display stretch, contrast map and palette, then the 8-bit writer (or
// the 24-bit writer for a colour image). Writes the small-frame file in the
// small-frame modes, the display file otherwise.
BitmapResult buildDisplayBitmap(Program& program, const DisplayStretchSettings& stretch, const DisplayFrameMode& frame,
                                const ColourDisplayRenderer& colour);

// The display side of the main window without the window: holds the display
// bitmap and the stretch settings and runs the redisplay pipeline.
class Display {
public:
    // The pipeline of every redisplay: build the temporary bitmap, read it back
    // as the new picture, and compute the interior background level. A failed
    // write (messages 8, 9, 10) or read-back (message 32) keeps the previous
    // picture. Returns true when a new picture was read back.
    bool redisplay(Program& program);

    const DisplayPicture* picture() const { return m_picture.get(); }
    bool hasPicture() const { return m_picture != nullptr; }

    // Background level L of the current image by the interior method, as
    // computed after the last redisplay.
    int interiorLevel() const { return m_interiorLevel; }

    DisplayStretchSettings stretch;
    DisplayFrameMode frame;
    // Empty: a colour image shows its luminance in grey.
    ColourDisplayRenderer colourRenderer;

private:
    std::unique_ptr<DisplayPicture> m_picture;
    int m_interiorLevel = 0;
};


// One paint of a scrolled view, without a window: the picture's part at
// (scrollX, scrollY) of `viewWidth` x `viewHeight` into `out` (rows `outStride`
// pixels apart), and the background colour from picture column width - 2 and
// from row height onward (the two columns inside the right edge are covered
// too). Only the visible part is touched.
void paintScrolledView(const DisplayPicture* picture, int scrollX, int scrollY, int viewWidth, int viewHeight,
                       std::uint32_t background, std::uint32_t* out, int outStride);

} // namespace kor
