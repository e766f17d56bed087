// NetworkPath: the names of the containers below a network provider, each as
// four decimal digits giving its length followed by that many characters
// ("0005SALES0007\\PRN01").
#pragma once

#include <cstddef>

struct NameView {
    const char* chars = "";
    size_t length = 0;

    bool Empty() const { return length == 0; }
    // Exact, case-sensitive comparison with a whole string; null equals nothing.
    bool Equals(const char* text) const;
};

struct PathSplit {
    bool wellFormed = true;
    NameView first;     // the first segment's name; empty for the empty path
    NameView remainder; // the segments after it
};

// Splits off the first segment. A path that breaks the form (fewer than four
// characters where a length is expected, a length that is not four decimal
// digits, or a length beyond the characters that follow) is not well formed and
// names nothing. Only path.chars[0 .. path.length) is read.
PathSplit SplitNetworkPath(NameView path);
