#pragma once

// The pixel loops are built twice, for the baseline instruction set and for
// AVX2, and the loader picks the one the processor runs: AVX2 doubles the
// lanes and has the unsigned 16-bit minimum and maximum the median lives on.
#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__)
#define KOR_HOT_LOOP __attribute__((target_clones("avx2", "default")))
#else
#define KOR_HOT_LOOP
#endif
