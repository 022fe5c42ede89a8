#pragma once

#include <compare>
#include <cstdint>

#include "errors.h"

namespace quillmar {

// A 16-bit signed integer whose every sum and difference is range-checked:
// a result outside -32768..32767 raises the overflow error.
class Int16 {
public:
    constexpr Int16() = default;
    constexpr Int16(std::int16_t v) : v_(v) {}  // NOLINT: implicit from an exact 16-bit value

    // The value n; overflow when it does not fit.
    static Int16 checked(long long n)
    {
        if (n < -32768 || n > 32767)
            raise(ErrorCode::Overflow);
        return Int16(static_cast<std::int16_t>(n));
    }
    // The number rounded to the nearest integer, halves to the even neighbour;
    // overflow when it does not fit (or is not a number).
    static Int16 roundedFrom(double d);

    constexpr std::int16_t value() const { return v_; }
    constexpr int toInt() const { return v_; }

    friend Int16 operator+(Int16 a, Int16 b) { return checked(static_cast<long long>(a.v_) + b.v_); }
    friend Int16 operator-(Int16 a, Int16 b) { return checked(static_cast<long long>(a.v_) - b.v_); }
    friend constexpr bool operator==(Int16 a, Int16 b) = default;
    friend constexpr auto operator<=>(Int16 a, Int16 b) = default;

private:
    std::int16_t v_ = 0;
};

}  // namespace quillmar
