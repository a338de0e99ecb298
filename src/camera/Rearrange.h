#pragma once

#include <cstddef>
#include <cstdint>

namespace kor {

class Program;

// The imaging sensor sends its pixels out of image order: one readout row
// carries pixels of four image columns near both sides of the image, the two
// fields carry alternate image rows, and each readout row walks image rows
// upward. The order is defined by a scatter of the raw pixels into a
// transposed scratch array (rows of H values) and a gather of that into the
// image (rows of W values); the routines here produce the same image directly.
//
// Image positions whose scratch source is not written in this frame, and
// positions the gather does not reach (the first row of the binned modes),
// are zero: nothing of an earlier image survives into a new one. Only the
// 4 x 4 mode uses the scratch area it is given.

inline constexpr int kFocusFrameSize = 128;

// The geometry of one rearrangement.
struct ArrangeLayout {
    int H = 0, W = 0;
};

// Mode 1: both fields of 975 x 5232 raw pixels, field 2 from raw index 5,101,200;
// 3900 x 2616 image.
void ArrangeHighRes(const std::uint16_t* raw, std::uint16_t* scratch, std::uint16_t* image);
// Mode 2: both fields of 975 x 1308, field 2 from raw index 1,275,300; 1950 x 1308 image.
void ArrangeColourBinned(const std::uint16_t* raw, std::uint16_t* scratch, std::uint16_t* image);
// Mode 3: 975 x 2616 raw pixels of both fields at once; 1950 x 1308 image,
// after which the odd columns are balanced against the even ones.
void ArrangeMonoBinned2(const std::uint16_t* raw, std::uint16_t* scratch, std::uint16_t* image);
// Mode 4: 487 x 1308 raw pixels and 654 zeros (637,650 values); each becomes a
// 2 x 2 block of the 1950 x 1308 image, interpolated toward its right and lower neighbours.
void ArrangeMonoBinned4(const std::uint16_t* raw, std::uint16_t* scratch, std::uint16_t* image);
// The 128 x 128 focus frame: unbinned two fields of 32 x 256 (field 2 from raw
// index 8192) arranged like mode 1; binned 64 x 256 arranged like mode 3.
void ArrangeFocusFrame(const std::uint16_t* raw, std::uint16_t* scratch, std::uint16_t* image, bool binned);

// The balance of the two readout channels in the mono binned modes: every odd
// column is scaled by (sum of the even columns) / (sum of the odd columns),
// truncated, results of 65535.0 or more stored as 65534. Nothing changes when
// the odd columns sum to zero.
void BalanceOddColumns(std::uint16_t* image, int width, int height);

// Rearranges ReadoutWords of the camera into CurrentImage for exposure mode 1 to 4.
void ArrangeReadout(Program& program, int mode);

} // namespace kor
