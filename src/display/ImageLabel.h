#pragma once

#include <ctime>
#include <string>
#include <string_view>

namespace kor {

class Workspace;

// The longest label text the "Label Current Image" dialog accepts.
inline constexpr std::size_t kMaxLabelLength = 30;

// The line a label stamps: the text centred in 64 character cells, followed by
// "  hh:mm:ss UT dd-mm-yyyy " when `autoDate` is set (`universalTime` gives the
// date and time; ignored otherwise). A longer text is cut at 30 characters.
std::string labelLine(bool autoDate, std::string_view text, const std::tm& universalTime);

// Stamps the label line into the top ten rows of CurrentImage with the built-in
// 8 x 10 font (set pixels 65535, clear pixels 0; a character without a glyph
// leaves its cell alone), after clearing the first 6600 values, then marks the
// image as labelled (first six pixels 17). The history is not changed.
void StampLabel(Workspace& ws, bool autoDate, std::string_view text, const std::tm& universalTime);

// The 10 rows of the glyph of `c`, top row first, most significant bit leftmost;
// null for a character the font does not have.
const unsigned char* labelGlyph(char c);

// The text of the "Processing History" box: line 0 and " \n", then each next
// line longer than one character with " \n", up to line 14.
std::string processingHistoryText(const Workspace& ws);

} // namespace kor
