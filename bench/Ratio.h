#pragma once

#include <string>
#include <vector>

namespace kor::bench {

// A comparison printed after Google Benchmark's table as
//   ratio <operation> <value> vs <reference>
// where value = (real time of `ours`) / (real time of `theirs`), both benchmark
// names as registered, measured in the same run.
struct Ratio {
    std::string operation;
    std::string ours;
    std::string theirs;
    std::string reference;
};

std::vector<Ratio>& ratios();

struct RatioRegistration {
    RatioRegistration(std::string operation, std::string ours, std::string theirs, std::string reference)
    {
        ratios().push_back({std::move(operation), std::move(ours), std::move(theirs), std::move(reference)});
    }
};

} // namespace kor::bench

#define KOR_BENCH_CONCAT2(a, b) a##b
#define KOR_BENCH_CONCAT(a, b) KOR_BENCH_CONCAT2(a, b)
// KOR_RATIO("median-r1", "BM_MedianR1", "BM_CvMedianBlur3", "cv::medianBlur(3)");
#define KOR_RATIO(operation, ours, theirs, reference)                                                                 \
    static ::kor::bench::RatioRegistration KOR_BENCH_CONCAT(korRatio_, __LINE__)(operation, ours, theirs, reference)
