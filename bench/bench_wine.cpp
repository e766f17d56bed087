// GetPortsSelect (sizing and fetch) against a bare WNetEnumResourceA loop over
// the same 10000-share container, with the real KVX_32.dll and the real router
// under Wine, the test network provider registered in the prefix (the prefix of
// the Wine checks, or the tour, tests/tour/kvxctl_tour.sh). The two run side by side, alternating;
// prints the median time of each and their ratio:
//   WINEPREFIX=build/wine64/wine/prefix wine64 build/wine64/bin/kvx_bench.exe
#include "net_workloads.h"
#include "side_by_side.h"

#include <cstdio>

namespace {

double NowMilliseconds() {
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return 1000.0 * static_cast<double>(now.QuadPart) / static_cast<double>(frequency.QuadPart);
}

} // namespace

int main() {
    std::vector<char> list, buffer;
    size_t entries = bench::ListWithRouter(&buffer);
    if (entries != 10000) {
        std::fprintf(stderr,
                     "kvx_bench: the router lists %u shares of \\\\BENCH10K, not 10000: "
                     "is the test network provider registered?\n",
                     static_cast<unsigned>(entries));
        return 1;
    }
    const int runs = 31;
    bench::SideBySide times = bench::TimeSideBySide(
        runs, NowMilliseconds, [&] { bench::ListWithGetPortsSelect(&list); },
        [&] { entries = bench::ListWithRouter(&buffer); });
    size_t records = bench::CountRecords(list);
    std::printf("GetPortsSelect listed %u records in %u bytes, the router %u entries\n",
                static_cast<unsigned>(records), static_cast<unsigned>(list.size()),
                static_cast<unsigned>(entries));
    if (records != 10000 || entries != 10000) {
        std::fprintf(stderr, "kvx_bench: the two ways did not both list the 10000 shares\n");
        return 1;
    }
    bench::PrintSideBySide("10,000 shares", times, runs, "Wine");
    return 0;
}
