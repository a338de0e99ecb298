#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace kor::sim {

// The sensor's readout order as the simulated camera produces it: for every
// raw pixel of a read, the image index whose value it carries, or -1 for raw
// pixels that show no image pixel. Worked out pixel by pixel from the scratch
// position each raw pixel is sorted to and the image position that scratch
// position is gathered into.
using RawMap = std::vector<std::int32_t>;

// Two interleaved fields of `rows` x `rowLength`, the second from raw index
// `field2`, into an H x W image (the full frame, and the focus frame with 128).
RawMap mapHighRes(int H, int W, int rows, int rowLength, std::size_t field2);
// Two fields of 975 x 1308 into the 1950 x 1308 colour-binned image.
RawMap mapColourBinned();
// Both fields at once, `rows` x `rowLength`, into an H x W mono image.
RawMap mapMonoBinned2(int H, int W, int rows, int rowLength);
// The 636,996 raw pixels of the 4 x 4 read into the 975 x 654 grid of samples
// (sample (m, a) at index a x 975 + m stands at image column 2m, row 2a).
RawMap mapMonoBinned4();

inline constexpr int kMono4Columns = 975;
inline constexpr int kMono4Rows = 654;

} // namespace kor::sim
