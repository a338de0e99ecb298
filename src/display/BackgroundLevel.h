#pragma once

namespace kor {

class Workspace;

// Background level L (0-255, in units of the high byte of a pixel) by the band
// method: the most populated high-byte bin (the first on ties) over a band of
// rows just below the label band — 190 rows from row 5 in full frame, 90 in
// binned mode. Leaves the counts in Histogram256.
int BackgroundLevelByBand(Workspace& ws);

} // namespace kor

namespace kor {

// Background level L by the interior method: the mean of the three most
// populated high-byte bins (each first on ties) over the image interior — rows
// 11 to ImageHeight - 6 and columns 5 to ImageWidth - 6, clear of the label
// band and the edges. Leaves the counts in Histogram256.
int BackgroundLevelByInterior(Workspace& ws);

} // namespace kor
