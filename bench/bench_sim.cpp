// GetPortsSelect (sizing and fetch) against a bare WNetEnumResourceA loop over
// the same container, on the simulated platform: the 10000-share container of the
// test network, and a generated container of 100,000 servers. Prints the timings
// and, for each container, their ratio from one run. For meaningful figures build it optimised:
//   cmake -S . -B build/bench -DCMAKE_BUILD_TYPE=Release
//   cmake --build build/bench --target kvx_bench && build/bench/bench/kvx_bench
#include "net_workloads.h"

#include <sim_control.h>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <optional>

namespace {

// The network of the benchmarks that run next: GetPortsSelect searches the first
// provider of the network only, so each container's provider comes first.
enum class Network { None, TestNetwork, Large };
Network g_network = Network::None;

// A provider whose own level holds 100,000 servers, generated as they are listed.
const char kLargeProvider[] = "Large Bench";
constexpr size_t kLargeEntries = 100000;

std::optional<sim::NetResource> LargeContainer(const std::string&, size_t index) {
    if (index >= kLargeEntries)
        return std::nullopt;
    char name[32];
    std::snprintf(name, sizeof name, "\\\\L%06zu", index);
    sim::NetResource entry;
    entry.remoteName = name;
    entry.provider = kLargeProvider;
    entry.displayType = RESOURCEDISPLAYTYPE_SERVER;
    return entry;
}

void Use(Network network) {
    if (g_network == network)
        return;
    sim::Reset();
    std::string error;
    if (network == Network::TestNetwork && !sim::LoadNetworkTreeFile(KVX_TEST_NETWORK, &error)) {
        std::fprintf(stderr, "kvx_bench: %s\n", error.c_str());
        std::exit(1);
    }
    if (network == Network::Large)
        sim::AddGeneratedNetProvider(kLargeProvider, LargeContainer);
    g_network = network;
}

// The records of a fetched list, as a host walks them.
double CountRecords(const std::vector<char>& list) {
    uint32_t offset = 0, records = 0;
    kvx_net_entry entry;
    while (kvx_net_entry_next(list.data(), static_cast<uint32_t>(list.size()), &offset, &entry) ==
           1)
        ++records;
    return records;
}

void GetPortsSelectSizingAndFetch(benchmark::State& state) {
    Use(Network::TestNetwork);
    std::vector<char> list;
    for (auto _ : state)
        benchmark::DoNotOptimize(bench::ListWithGetPortsSelect(&list));
    state.counters["records"] = CountRecords(list);
}
BENCHMARK(GetPortsSelectSizingAndFetch)->Unit(benchmark::kMillisecond);

void BareRouterLoop(benchmark::State& state) {
    Use(Network::TestNetwork);
    std::vector<char> buffer;
    size_t entries = 0;
    for (auto _ : state)
        benchmark::DoNotOptimize(entries = bench::ListWithRouter(&buffer));
    state.counters["records"] = static_cast<double>(entries);
}
BENCHMARK(BareRouterLoop)->Unit(benchmark::kMillisecond);

void GetPortsSelect100k(benchmark::State& state) {
    Use(Network::Large);
    std::vector<char> list;
    for (auto _ : state) {
        uint32_t size = 0;
        GetPortsSelect(nullptr, &size, kvx_shared_string(kLargeProvider), nullptr);
        list.resize(size);
        GetPortsSelect(list.data(), &size, nullptr, nullptr);
        benchmark::DoNotOptimize(list.data());
    }
    state.counters["records"] = CountRecords(list);
}
BENCHMARK(GetPortsSelect100k)->Unit(benchmark::kMillisecond);

void BareRouterLoop100k(benchmark::State& state) {
    Use(Network::Large);
    std::vector<char> buffer(16384);
    size_t entries = 0;
    for (auto _ : state) {
        char provider[sizeof kLargeProvider];
        std::memcpy(provider, kLargeProvider, sizeof provider);
        NETRESOURCEA container = {};
        container.dwScope = RESOURCE_GLOBALNET;
        container.dwDisplayType = RESOURCEDISPLAYTYPE_NETWORK;
        container.lpRemoteName = provider;
        container.lpProvider = provider;
        HANDLE enumeration = nullptr;
        entries = 0;
        if (WNetOpenEnumA(RESOURCE_GLOBALNET, RESOURCETYPE_PRINT, 0, &container, &enumeration) ==
            NO_ERROR) {
            for (;;) {
                DWORD count = 0xFFFFFFFF, size = static_cast<DWORD>(buffer.size());
                if (WNetEnumResourceA(enumeration, &count, buffer.data(), &size) != NO_ERROR)
                    break;
                entries += count;
            }
            WNetCloseEnum(enumeration);
        }
        benchmark::DoNotOptimize(entries);
    }
    state.counters["records"] = static_cast<double>(entries);
}
BENCHMARK(BareRouterLoop100k)->Unit(benchmark::kMillisecond);

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
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    double library = reporter.Time("GetPortsSelectSizingAndFetch");
    double router = reporter.Time("BareRouterLoop");
    if (router > 0)
        std::printf("GetPortsSelect / bare WNetEnumResourceA loop: %.1f (simulated platform)\n",
                    library / router);
    double library100k = reporter.Time("GetPortsSelect100k");
    double router100k = reporter.Time("BareRouterLoop100k");
    if (router100k > 0)
        std::printf("The same over 100,000 entries: %.1f (simulated platform)\n",
                    library100k / router100k);
    return 0;
}
