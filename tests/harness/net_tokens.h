// NextToken: one token of an entry list as the Browse Network dialog reads a
// display type (an empty token takes the byte after its terminator too), and
// whether data remains after it.
#pragma once

#include "browse_network/net_records.h"

namespace harness {

inline bool NextToken(uint32_t size, const char* data, uint32_t& position, CSharedString& token) {
    return ReadToken(size, data, position, token, EmptyToken::TwoBytes).remains;
}

} // namespace harness
