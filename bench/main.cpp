#include "Ratio.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>

namespace kor::bench {

std::vector<Ratio>& ratios()
{
    static std::vector<Ratio> all;
    return all;
}

namespace {

// Shows the usual table and keeps each benchmark's real time per iteration.
class RecordingReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        for (const auto& run : runs)
            if (run.run_type == Run::RT_Iteration && run.iterations > 0)
                times[run.benchmark_name()] = run.GetAdjustedRealTime();
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, double> times;
};

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
        if (ours == reporter.times.end() || theirs == reporter.times.end() || theirs->second <= 0)
            continue; // filtered out of this run
        std::printf("ratio %s %.2f vs %s\n", r.operation.c_str(), ours->second / theirs->second, r.reference.c_str());
    }
    benchmark::Shutdown();
    return 0;
}
