#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace kor {

class Program;

// The frame every neighbourhood filter shares: progress caption, undo
// snapshot, result built in WorkImage, then copied back. body(y0, y1) writes
// columns [xBegin, xEnd) of WorkImage rows [y0, y1) and may run on any core;
// every other pixel of WorkImage is copied from CurrentImage.
void runFilterPass(Program& program, const std::string& caption, int first, int end, int xBegin, int xEnd,
                   const std::function<void(int, int)>& body);

// Result clamping of the kernels and the unsharp mask: 65281 and above show as
// full white, negatives as black.
inline constexpr int kClampFromValue = 65281;

inline std::uint16_t clampFilterResult(int value)
{
    return value >= kClampFromValue ? std::uint16_t(65535) : value < 0 ? std::uint16_t(0) : std::uint16_t(value);
}

} // namespace kor
