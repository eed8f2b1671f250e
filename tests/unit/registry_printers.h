// How GoogleTest shows registry values in a failure: type and bytes.
#pragma once

#include <cstdio>
#include <optional>
#include <ostream>

#include "registry/registry.h"

namespace kavrel::registry {

inline void PrintTo(const RawValue& value, std::ostream* os) {
    *os << TypeName(value.type) << " [";
    char hex[4];
    for (std::size_t i = 0; i < value.data.size(); ++i) {
        std::snprintf(hex, sizeof hex, "%02x", value.data[i]);
        *os << (i ? " " : "") << hex;
    }
    *os << "]";
}

}  // namespace kavrel::registry
