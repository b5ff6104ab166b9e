#pragma once
#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

// The console's report, then each figure beside its baseline (the benchmark of the same name
// ending in "_Baseline"): the mean real and CPU time of every repetition and their ratios. A
// figure waiting for the disk is best compared by its CPU ratio on a shared machine.
class CRatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& r : runs) {
            if (r.run_type != Run::RT_Iteration || r.error_occurred || r.iterations == 0)
                continue;
            Sum& sum = m_sums[r.run_name.function_name];
            sum.real += r.real_accumulated_time;
            sum.cpu += r.cpu_accumulated_time;
            sum.iterations += r.iterations;
        }
    }
    void Finalize() override {
        ConsoleReporter::Finalize();
        const std::string suffix = "_Baseline";
        for (const auto& [name, sum] : m_sums) {
            const auto base = m_sums.find(name + suffix);
            if (base == m_sums.end())
                continue;
            const double real = sum.real * 1000 / double(sum.iterations);
            const double cpu = sum.cpu * 1000 / double(sum.iterations);
            const double baseReal = base->second.real * 1000 / double(base->second.iterations);
            const double baseCpu = base->second.cpu * 1000 / double(base->second.iterations);
            std::printf("%s: %.1f ms (CPU %.1f ms), baseline %.1f ms (CPU %.1f ms); ratio %.3f "
                        "(CPU %.3f)\n",
                        name.c_str(), real, cpu, baseReal, baseCpu, real / baseReal, cpu / baseCpu);
        }
        std::fflush(stdout);
    }

private:
    struct Sum {
        double real = 0, cpu = 0;
        long long iterations = 0;
    };
    std::map<std::string, Sum> m_sums;
};
