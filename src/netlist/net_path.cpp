#include "netlist/net_path.h"

#include <cstring>

bool NameView::Equals(const char* text) const {
    return text != nullptr && std::strlen(text) == length && std::memcmp(text, chars, length) == 0;
}

PathSplit SplitNetworkPath(NameView path) {
    PathSplit split;
    if (path.Empty())
        return split;
    constexpr size_t kDigits = 4;
    size_t length = 0;
    for (size_t i = 0; i < kDigits; ++i) {
        char digit = i < path.length ? path.chars[i] : '\0';
        if (digit < '0' || digit > '9') {
            split.wellFormed = false;
            return split;
        }
        length = length * 10 + static_cast<size_t>(digit - '0');
    }
    if (length > path.length - kDigits) {
        split.wellFormed = false;
        return split;
    }
    split.first = {path.chars + kDigits, length};
    split.remainder = {path.chars + kDigits + length, path.length - kDigits - length};
    return split;
}
