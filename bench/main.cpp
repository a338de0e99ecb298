#include "Ratio.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <map>

namespace kor::bench {

std::vector<Ratio>& ratios()
{
    static std::vector<Ratio> all;
    return all;
}

namespace {

// Shows the usual table and keeps each benchmark's real time per iteration,
// one value per repetition.
class RecordingReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        for (const auto& run : runs)
            if (run.run_type == Run::RT_Iteration && run.iterations > 0)
                times[run.benchmark_name()].push_back(run.GetAdjustedRealTime());
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, std::vector<double>> times;
};

// The median of the repetitions: one disturbed repetition does not move it.
double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

} // namespace
} // namespace kor::bench

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    kor::bench::RecordingReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    for (const auto& r : kor::bench::ratios()) {
        const auto ours = reporter.times.find(r.ours);
        const auto theirs = reporter.times.find(r.theirs);
        if (ours == reporter.times.end() || theirs == reporter.times.end())
            continue; // filtered out of this run
        const double theirTime = kor::bench::median(theirs->second);
        if (theirTime <= 0)
            continue;
        std::printf("ratio %s %.2f vs %s\n", r.operation.c_str(), kor::bench::median(ours->second) / theirTime,
                    r.reference.c_str());
    }
    benchmark::Shutdown();
    return 0;
}
