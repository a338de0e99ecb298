#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace kor {

class Program;

// The frame every neighbourhood filter shares: progress caption, undo
// snapshot, result built in WorkImage (rows outside [first, end) and the
// border columns copied from CurrentImage), then copied back. body(y0, y1)
// writes the interior of WorkImage rows [y0, y1) and may run on any core.
void runFilterPass(Program& program, const std::string& caption, int first, int end,
                   const std::function<void(int, int)>& body);

// Result clamping of the kernels and the unsharp mask: 65281 and above show as
// full white, negatives as black.
inline constexpr int kClampFromValue = 65281;

inline std::uint16_t clampFilterResult(int value)
{
    return value >= kClampFromValue ? std::uint16_t(65535) : value < 0 ? std::uint16_t(0) : std::uint16_t(value);
}

} // namespace kor
