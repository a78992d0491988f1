// Shared main of the benchmark programs: runs them and prints the ratios of
// the registered pairs, measured side by side in this one run.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <set>
#include <vector>

#include "ratio.h"

namespace {

struct Pair {
    std::string name, baseline;
    double limit;
};

std::vector<Pair>& Pairs() {
    static std::vector<Pair> pairs;
    return pairs;
}

// Remembers each benchmark's real time per iteration while printing as usual.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    std::map<std::string, double> times;
    std::set<std::string> means;
    void ReportRuns(const std::vector<Run>& runs) override {
        // With repetitions, the mean stands for the benchmark.
        for (const Run& r : runs) {
            if (r.run_type == Run::RT_Iteration && !means.count(r.run_name.str()))
                times[r.run_name.str()] = r.GetAdjustedRealTime();
            if (r.run_type == Run::RT_Aggregate && r.aggregate_name == "mean") {
                times[r.run_name.str()] = r.GetAdjustedRealTime();
                means.insert(r.run_name.str());
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }
};

}  // namespace

void RegisterRatio(const std::string& name, const std::string& baseline, double limit) {
    Pairs().push_back({name, baseline, limit});
}

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    for (const Pair& p : Pairs()) {
        const auto a = reporter.times.find(p.name), b = reporter.times.find(p.baseline);
        if (a == reporter.times.end() || b == reporter.times.end() || b->second <= 0) continue;
        const double ratio = a->second / b->second;
        std::printf("ratio %s / %s = %.2f (target at most %.2f)%s\n", p.name.c_str(), p.baseline.c_str(), ratio,
                    p.limit, ratio > p.limit ? "  OVER" : "");
    }
    benchmark::Shutdown();
    return 0;
}
