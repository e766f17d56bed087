// GetPortsSelect (sizing and fetch) against a bare WNetEnumResourceA loop over
// the same 10000-share container, on the simulated platform. Prints both timings
// and their ratio from one run. For meaningful figures build it optimised:
//   cmake -S . -B build/bench -DCMAKE_BUILD_TYPE=Release
//   cmake --build build/bench --target kvx_bench && build/bench/bench/kvx_bench
#include "net_workloads.h"

#include <sim_control.h>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>

namespace {

void GetPortsSelectSizingAndFetch(benchmark::State& state) {
    std::vector<char> list;
    for (auto _ : state)
        benchmark::DoNotOptimize(bench::ListWithGetPortsSelect(&list));
    uint32_t offset = 0, records = 0;
    kvx_net_entry entry;
    while (kvx_net_entry_next(list.data(), static_cast<uint32_t>(list.size()), &offset, &entry) ==
           1)
        ++records;
    state.counters["records"] = records;
}
BENCHMARK(GetPortsSelectSizingAndFetch)->Unit(benchmark::kMillisecond);

void BareRouterLoop(benchmark::State& state) {
    std::vector<char> buffer;
    size_t entries = 0;
    for (auto _ : state)
        benchmark::DoNotOptimize(entries = bench::ListWithRouter(&buffer));
    state.counters["records"] = static_cast<double>(entries);
}
BENCHMARK(BareRouterLoop)->Unit(benchmark::kMillisecond);

// Keeps each benchmark's time per iteration as it reports them.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs)
            times_[run.benchmark_name()] = run.GetAdjustedRealTime();
    }
    double Time(const std::string& name) const {
        auto it = times_.find(name);
        return it == times_.end() ? 0 : it->second;
    }

private:
    std::map<std::string, double> times_;
};

} // namespace

int main(int argc, char** argv) {
    std::string error;
    if (!sim::LoadNetworkTreeFile(KVX_TEST_NETWORK, &error)) {
        std::fprintf(stderr, "kvx_bench: %s\n", error.c_str());
        return 1;
    }
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    double library = reporter.Time("GetPortsSelectSizingAndFetch");
    double router = reporter.Time("BareRouterLoop");
    if (router > 0)
        std::printf("GetPortsSelect / bare WNetEnumResourceA loop: %.1f (simulated platform)\n",
                    library / router);
    return 0;
}
