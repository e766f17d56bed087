// Two ways of doing the same work, timed side by side in one run: run by run the
// two alternate (which goes first alternates too), so that the machine's drift
// (other programs, frequency changes) falls on both. The ratio is the median of
// the runs' own ratios, which a slow stretch of the machine moves far less than
// a ratio of two separately measured medians.
#pragma once

#include <algorithm>
#include <cstdio>
#include <vector>

namespace bench {

struct SideBySide {
    double first;  // median time of the first way
    double second; // median time of the second way
    double ratio;  // median of first / second, one pair of runs each
};

inline double Median(std::vector<double> values) {
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    size_t middle = values.size() / 2;
    return values.size() % 2 != 0 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

// `now()` answers the time in milliseconds; `first()` and `second()` do the work.
template <typename Now, typename First, typename Second>
SideBySide TimeSideBySide(int runs, Now now, First first, Second second) {
    std::vector<double> firstTimes, secondTimes, ratios;
    auto time = [&](auto& work) {
        double start = now();
        work();
        return now() - start;
    };
    for (int run = 0; run < runs; ++run) {
        double a, b;
        if (run % 2 == 0) {
            a = time(first);
            b = time(second);
        } else {
            b = time(second);
            a = time(first);
        }
        firstTimes.push_back(a);
        secondTimes.push_back(b);
        if (b > 0)
            ratios.push_back(a / b);
    }
    return {Median(firstTimes), Median(secondTimes), Median(ratios)};
}

// Prints the two medians and the ratio, two decimals each.
inline void PrintSideBySide(const char* what, const SideBySide& times, int runs,
                            const char* where) {
    std::printf("%s: GetPortsSelect %.2f ms, bare WNetEnumResourceA loop %.2f ms\n", what,
                times.first, times.second);
    std::printf("GetPortsSelect / bare WNetEnumResourceA loop, %s: %.2f "
                "(median of %d alternating pairs, %s)\n",
                what, times.ratio, runs, where);
}

} // namespace bench
