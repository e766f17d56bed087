// GetPortsSelect (sizing and fetch) against a bare WNetEnumResourceA loop over
// the same 10000-share container, with the real KVX_32.dll and the real router
// under Wine, the test network provider registered in the prefix (the prefix of
// the Wine checks, or scripts/tour.sh). Prints the median time of each and their
// ratio from one run:
//   WINEPREFIX=build/wine64/wine/prefix wine64 build/wine64/bin/kvx_bench.exe
#include "net_workloads.h"

#include <algorithm>
#include <cstdio>

namespace {

// Median of `runs` timings of `work`, in milliseconds.
template <typename Work> double MedianMilliseconds(int runs, Work work) {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        LARGE_INTEGER start, end;
        QueryPerformanceCounter(&start);
        work();
        QueryPerformanceCounter(&end);
        times.push_back(1000.0 * static_cast<double>(end.QuadPart - start.QuadPart) /
                        static_cast<double>(frequency.QuadPart));
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
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
    const int runs = 15;
    double library = MedianMilliseconds(runs, [&] { bench::ListWithGetPortsSelect(&list); });
    double router = MedianMilliseconds(runs, [&] { bench::ListWithRouter(&buffer); });
    std::printf("GetPortsSelect sizing and fetch  %8.2f ms  (%u bytes)\n", library,
                static_cast<unsigned>(list.size()));
    std::printf("bare WNetEnumResourceA loop      %8.2f ms  (%u entries)\n", router,
                static_cast<unsigned>(entries));
    std::printf("GetPortsSelect / bare WNetEnumResourceA loop: %.1f (median of %d runs, Wine)\n",
                library / router, runs);
    return 0;
}
