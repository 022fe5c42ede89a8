#pragma once

// A clock that never moves, for deterministic generators.

#include <cstdint>
#include <functional>

namespace quillmar::testing {

inline std::function<std::uint64_t()> frozenClock(std::uint64_t t = 42)
{
    return [t] { return t; };
}

}  // namespace quillmar::testing
