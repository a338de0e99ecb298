#pragma once

namespace kor {

class Workspace;

// Background level L (0-255, in units of the high byte of a pixel) by the band
// method: the most populated high-byte bin (the first on ties) over a band of
// rows just below the label band — 190 rows from row 5 in full frame, 90 in
// binned mode. Leaves the counts in Histogram256.
int BackgroundLevelByBand(Workspace& ws);

} // namespace kor
