#pragma once

// Small helpers the tests share.

#include <cmath>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "errors.h"
#include "int16.h"

namespace quillmar::testing {

// A checked 16-bit integer from a plain one.
inline Int16 i16(int v)
{
    return Int16::checked(v);
}

// The error code that `f` raises, or nothing when it returns normally.
inline std::optional<ErrorCode> errorOf(const std::function<void()>& f)
{
    try {
        f();
    } catch (const RuntimeError& e) {
        return e.code();
    }
    return std::nullopt;
}

// The mean of a sample and the standard error of that mean.
inline std::pair<double, double> meanAndError(const std::vector<double>& v)
{
    double sum = 0, squares = 0;
    for (const double x : v)
        sum += x;
    const auto n = static_cast<double>(v.size());
    const double mean = sum / n;
    for (const double x : v)
        squares += (x - mean) * (x - mean);
    return {mean, std::sqrt(squares / (n - 1) / n)};
}

// Names each case of a parameterised test after its row's `name`.
inline constexpr auto rowName = [](const auto& info) { return std::string(info.param.name); };

}  // namespace quillmar::testing
