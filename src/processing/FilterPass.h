#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace kor {

class Program;

// The frame every neighbourhood filter shares: the progress caption, the undo
// snapshot, then body(source, result, y0, y1) for blocks of rows in
// [first, end), on any core. The body reads the snapshot (`source`, an exact
// copy of the image) and writes the filtered pixels of rows [y0, y1) straight
// into CurrentImage (`result`); pixels it does not write keep their values.
// Reading the snapshot is what makes rows independent, and it saves building
// the result elsewhere and copying it back.
using FilterRows = std::function<void(const std::uint16_t* source, std::uint16_t* result, int y0, int y1)>;
void runFilterPass(Program& program, const std::string& caption, int first, int end, const FilterRows& body);

// Result clamping of the kernels and the unsharp mask: 65281 and above show as
// full white, negatives as black.
inline constexpr int kClampFromValue = 65281;

inline std::uint16_t clampFilterResult(int value)
{
    return value >= kClampFromValue ? std::uint16_t(65535) : value < 0 ? std::uint16_t(0) : std::uint16_t(value);
}

} // namespace kor
