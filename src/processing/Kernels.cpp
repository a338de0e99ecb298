// The inner loops are written for the vectoriser, which only the higher
// optimisation level runs; keep it on in every build type.
#pragma GCC optimize("O3")

#include "processing/FilterPass.h"
#include "processing/Filters.h"
#include "processing/HotLoops.h"
#include "program/Program.h"

#include <cstddef>
#include <utility>

namespace kor {

namespace {

constexpr std::array<int, 25> kLowPass{1, 2, 1, 2, 4, 2, 1, 2, 1};
constexpr std::array<int, 25> kGaussian{0, 1, 2, 1, 0, 1, 4, 8, 4, 1, 2, 8, 16, 8, 2, 1, 4, 8, 4, 1, 0, 1, 2, 1, 0};
constexpr std::array<int, 25> kHighPassLow{0, -1, 0, -1, 5, -1, 0, -1, 0};
constexpr std::array<int, 25> kHighPassHigh{-1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, 25,
                                            -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1};
constexpr std::array<int, 25> kSmootherSharper{0, -1, -1, -1, 0, -1, 1,  1, 1,  -1, -1, 1, 5,
                                               1, -1, -1, 1,  1, 1,  -1, 0, -1, -1, -1, 0};
constexpr std::array<int, 25> kBasRelief{0, 0, -1, 0, 0, 0, -1, -1, -1, 0, -1, -1, 1,
                                         1, 1, 0,  1, 1, 1, 0,  0,  0,  1, 0,  0};

const std::array<Kernel, 6> kKernels{{
    {1, kLowPass, 16, "Lowpass Smoother Filter"},
    {2, kGaussian, 80, "Gaussian Filter"},
    {1, kHighPassLow, 1, "High Pass Low Power Filter"},
    {2, kHighPassHigh, 1, "High Pass High Power Filter"},
    {2, kSmootherSharper, 1, "Smoother/Sharper Filter"},
    {2, kBasRelief, 1, "Bas Relief Filter"},
}};

// Integer division toward zero. A divisor that is not a power of two goes
// through single precision: sums stay below 2^24, so the float quotient is
// exact enough that truncating it gives the integer quotient (the fraction
// part is at least 1/divisor, far above the rounding error), and it vectorises.
template <int Divisor> inline int divideTowardZero(int sum)
{
    if constexpr (Divisor == 1)
        return sum;
    else if constexpr ((Divisor & (Divisor - 1)) == 0)
        return sum / Divisor;
    else
        return int(float(sum) / float(Divisor));
}

template <int Radius, std::array<int, 25> Weights, std::size_t... I>
[[gnu::always_inline]] inline int windowSum(const std::uint16_t* __restrict centre, std::ptrdiff_t stride, int x,
                                            std::index_sequence<I...>)
{
    constexpr int side = 2 * Radius + 1;
    return (0 + ... + (Weights[I] * int(centre[(int(I) / side - Radius) * stride + x + int(I) % side - Radius])));
}

// One row of the convolution with the weights known at compile time, so the
// zero taps vanish and the multiplications become shifts and adds; the loop
// over x vectorises.
template <int Radius, std::array<int, 25> Weights, int Divisor>
[[gnu::always_inline]] inline void convolveRow(const std::uint16_t* __restrict centre, std::ptrdiff_t stride,
                                               std::uint16_t* __restrict out, int x0, int x1)
{
    constexpr int side = 2 * Radius + 1;
    static_assert(65535 * 25 * 25 < (1 << 30), "window sums fit in an int");
    for (int x = x0; x < x1; ++x) {
        const int sum = windowSum<Radius, Weights>(centre, stride, x, std::make_index_sequence<side * side>{});
        out[x] = clampFilterResult(divideTowardZero<Divisor>(sum));
    }
}

using RowFn = void (*)(const std::uint16_t*, std::ptrdiff_t, std::uint16_t*, int, int);

#define KOR_KERNEL_ROW(name, radius, weights, divisor)                                                                 \
    KOR_HOT_LOOP void name(const std::uint16_t* centre, std::ptrdiff_t stride, std::uint16_t* out, int x0, int x1)     \
    {                                                                                                                  \
        convolveRow<radius, weights, divisor>(centre, stride, out, x0, x1);                                            \
    }
KOR_KERNEL_ROW(lowPassRow, 1, kLowPass, 16)
KOR_KERNEL_ROW(gaussianRow, 2, kGaussian, 80)
KOR_KERNEL_ROW(highPassLowRow, 1, kHighPassLow, 1)
KOR_KERNEL_ROW(highPassHighRow, 2, kHighPassHigh, 1)
KOR_KERNEL_ROW(smootherSharperRow, 2, kSmootherSharper, 1)
KOR_KERNEL_ROW(basReliefRow, 2, kBasRelief, 1)
#undef KOR_KERNEL_ROW

RowFn rowFunction(KernelId id)
{
    switch (id) {
    case KernelId::LowPass: return lowPassRow;
    case KernelId::Gaussian: return gaussianRow;
    case KernelId::HighPassLowPower: return highPassLowRow;
    case KernelId::HighPassHighPower: return highPassHighRow;
    case KernelId::SmootherSharper: return smootherSharperRow;
    case KernelId::BasRelief: return basReliefRow;
    }
    return nullptr;
}

} // namespace

const Kernel& kernel(KernelId id)
{
    return kKernels[std::size_t(id)];
}

void ApplyKernel(Program& program, KernelId id, bool redisplay)
{
    Workspace& ws = program.workspace;
    const int r = kernel(id).radius;
    const RowFn rowFn = rowFunction(id);
    const int width = ws.ImageWidth;
    const int first = r + (ws.hasLabelBand() ? kLabelBandRows : 0);
    runFilterPass(program, "FILTER PROGRESS", first, ws.ImageHeight - r,
                  [&](const std::uint16_t* source, std::uint16_t* result, int y0, int y1) {
                      for (int y = y0; y < y1; ++y) {
                          const std::size_t offset = std::size_t(y) * width;
                          rowFn(source + offset, width, result + offset, r, width - r);
                      }
                  });
    if (redisplay)
        program.Redisplay();
}

void kernelFilter(Program& program, KernelId id)
{
    ApplyKernel(program, id, false);
    program.workspace.AppendHistory(kernel(id).history);
    program.Redisplay();
}

} // namespace kor
