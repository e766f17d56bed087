// GetPortsSelect (sizing and fetch) against a bare WNetEnumResourceA loop over
// the same container, on the simulated platform: the 10000-share container of the
// test network, and a generated container of 100,000 servers. Google Benchmark
// times each on its own; then, for each container, the two run side by side,
// alternating, and their ratio is printed. For meaningful figures build it optimised:
//   cmake -S . -B build/bench -DCMAKE_BUILD_TYPE=Release
//   cmake --build build/bench --target kvx_bench && build/bench/bench/kvx_bench
// (--benchmark_filter=^$ leaves out Google Benchmark's runs).
#include "net_workloads.h"
#include "side_by_side.h"

#include <sim_control.h>

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
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

void GetPortsSelectSizingAndFetch(benchmark::State& state) {
    Use(Network::TestNetwork);
    std::vector<char> list;
    for (auto _ : state)
        benchmark::DoNotOptimize(bench::ListWithGetPortsSelect(&list));
    state.counters["records"] = static_cast<double>(bench::CountRecords(list));
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

// The generated container through GetPortsSelect, as a host lists it.
void ListLargeWithGetPortsSelect(std::vector<char>* list) {
    uint32_t size = 0;
    GetPortsSelect(nullptr, &size, kvx_shared_string(kLargeProvider), nullptr);
    list->resize(size);
    GetPortsSelect(list->data(), &size, nullptr, nullptr);
}

// The generated container through the router, opened directly. Returns the
// number of entries.
size_t ListLargeWithRouter(std::vector<char>* buffer) {
    buffer->resize(16384);
    char provider[sizeof kLargeProvider];
    std::memcpy(provider, kLargeProvider, sizeof provider);
    NETRESOURCEA container = {};
    container.dwScope = RESOURCE_GLOBALNET;
    container.dwDisplayType = RESOURCEDISPLAYTYPE_NETWORK;
    container.lpRemoteName = provider;
    container.lpProvider = provider;
    return bench::CountWithRouter(&container, buffer);
}

void GetPortsSelect100k(benchmark::State& state) {
    Use(Network::Large);
    std::vector<char> list;
    for (auto _ : state) {
        ListLargeWithGetPortsSelect(&list);
        benchmark::DoNotOptimize(list.data());
    }
    state.counters["records"] = static_cast<double>(bench::CountRecords(list));
}
BENCHMARK(GetPortsSelect100k)->Unit(benchmark::kMillisecond);

void BareRouterLoop100k(benchmark::State& state) {
    Use(Network::Large);
    std::vector<char> buffer;
    size_t entries = 0;
    for (auto _ : state)
        benchmark::DoNotOptimize(entries = ListLargeWithRouter(&buffer));
    state.counters["records"] = static_cast<double>(entries);
}
BENCHMARK(BareRouterLoop100k)->Unit(benchmark::kMillisecond);

double NowMilliseconds() {
    using namespace std::chrono;
    return duration<double, std::milli>(steady_clock::now().time_since_epoch()).count();
}

} // namespace

// Stops the run when a way listed a different number of entries than the container holds.
void ExpectCount(const char* way, size_t listed, size_t expected) {
    if (listed != expected) {
        std::fprintf(stderr, "kvx_bench: %s listed %zu entries, not %zu\n", way, listed, expected);
        std::exit(1);
    }
}

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();

    std::vector<char> list, buffer;
    Use(Network::TestNetwork);
    const int runs = 201;
    size_t entries = 0;
    bench::SideBySide times = bench::TimeSideBySide(
        runs, NowMilliseconds, [&] { bench::ListWithGetPortsSelect(&list); },
        [&] { entries = bench::ListWithRouter(&buffer); });
    ExpectCount("GetPortsSelect", bench::CountRecords(list), 10000);
    ExpectCount("the router", entries, 10000);
    bench::PrintSideBySide("10,000 shares", times, runs, "simulated platform");

    Use(Network::Large);
    const int runs100k = 51;
    times = bench::TimeSideBySide(
        runs100k, NowMilliseconds, [&] { ListLargeWithGetPortsSelect(&list); },
        [&] { entries = ListLargeWithRouter(&buffer); });
    ExpectCount("GetPortsSelect", bench::CountRecords(list), kLargeEntries);
    ExpectCount("the router", entries, kLargeEntries);
    bench::PrintSideBySide("100,000 entries", times, runs100k, "simulated platform");
    return 0;
}
