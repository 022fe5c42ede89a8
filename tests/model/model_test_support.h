#pragma once

// Small helpers shared by the model tests.

#include <functional>
#include <optional>

#include "errors.h"
#include "int16.h"

namespace quillmar::modeltest {

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

inline Int16 i16(int v)
{
    return Int16::checked(v);
}

}  // namespace quillmar::modeltest
