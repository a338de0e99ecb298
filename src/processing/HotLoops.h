#pragma once

// The pixel loops are built twice, for the baseline instruction set and for
// AVX2, and the loader picks the one the processor runs: AVX2 doubles the
// lanes and has the unsigned 16-bit minimum and maximum the median lives on.
#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__)
#define KOR_HOT_LOOP __attribute__((target_clones("avx2", "default")))
#else
#define KOR_HOT_LOOP
#endif

// Loops that pick their instruction set by hand: an AVX2 form beside the
// baseline one on x86-64.
#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define KOR_HAS_AVX2_KERNELS 1
#else
#define KOR_HAS_AVX2_KERNELS 0
#endif

#include <atomic>

namespace kor {

// The hand-dispatched loops take their AVX2 form only while this is on and the
// processor has AVX2; the tests turn it off to check the baseline form too.
inline std::atomic<bool> allowAvx2Kernels{true};

inline bool avx2Allowed()
{
#if KOR_HAS_AVX2_KERNELS
    return allowAvx2Kernels.load(std::memory_order_relaxed) && __builtin_cpu_supports("avx2");
#else
    return false;
#endif
}

} // namespace kor
