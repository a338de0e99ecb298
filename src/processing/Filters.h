#pragma once

#include <array>
#include <string_view>

namespace kor {

class Program;

// Spatial filters of CurrentImage. The neighbourhood filters take an undo
// snapshot and compute every pixel from it, so each result depends on the
// image as it was; border pixels keep their values, and on a labelled image
// the first 10 rows are left alone.

enum class KernelId { LowPass, Gaussian, HighPassLowPower, HighPassHighPower, SmootherSharper, BasRelief };

// A fixed convolution: weights row by row from the top left, radius 1 (3 x 3,
// the first 9 weights) or 2 (5 x 5).
struct Kernel {
    int radius;
    std::array<int, 25> weights;
    int divisor;
    std::string_view history;
};

const Kernel& kernel(KernelId id);

// Convolves the interior under "FILTER PROGRESS" after an undo snapshot:
// sum / divisor (toward zero), 65281 and above giving 65535 and below 0 giving
// 0. Appends no history.
void ApplyKernel(Program& program, KernelId id, bool redisplay);

// The six kernel commands: ApplyKernel, the kernel's history line, redisplay.
void kernelFilter(Program& program, KernelId id);

// Sharpens by v + (v - local mean) x power over a (2 radius + 1)^2 window.
// radius 1-7, power 1-7. Appends "Unsharp Mask : rad R ,power K".
void UnsharpMask(Program& program, int radius, int power, bool redisplay);

// Replaces a pixel by its window's median when it differs from it by more
// than (window range) x power / 10. radius 1-3, power in tenths 1-10.
void MedianFilter(Program& program, int radius, int powerTenths);

// Removes a linear background gradient measured in four fixed boxes.
void GradientFilter(Program& program);

// Left-right and top-bottom reversal of the image (and the colour planes of a
// colour image). No undo snapshot, no history.
void MirrorImage(Program& program);
void FlipImage(Program& program);

} // namespace kor
