#pragma once

// Small helpers the tests share.

#include <functional>
#include <optional>
#include <string>

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

// Names each case of a parameterised test after its row's `name`.
inline constexpr auto rowName = [](const auto& info) { return std::string(info.param.name); };

}  // namespace quillmar::testing
