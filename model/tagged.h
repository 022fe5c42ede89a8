#pragma once

#include <cstdint>
#include <type_traits>
#include <variant>

namespace quillmar {

// A value that is empty or holds a Boolean, a 16-bit or 32-bit integer, or a
// single- or double-precision number. Empty reads as 0 and is not true.
class Tagged {
public:
    Tagged() = default;
    Tagged(bool b) : v_(b) {}          // NOLINT: implicit, like the value it holds
    Tagged(std::int16_t i) : v_(i) {}  // NOLINT
    Tagged(std::int32_t i) : v_(i) {}  // NOLINT
    Tagged(float f) : v_(f) {}         // NOLINT
    Tagged(double d) : v_(d) {}        // NOLINT

    // Assigns a value of one of the held types in place, without building a
    // whole tagged value first.
    template <class T>
    requires(std::is_same_v<T, bool> || std::is_same_v<T, std::int16_t> || std::is_same_v<T, std::int32_t> ||
             std::is_same_v<T, float> || std::is_same_v<T, double>) Tagged&
    operator=(T value)
    {
        v_ = value;
        return *this;
    }

    bool isEmpty() const { return std::holds_alternative<std::monostate>(v_); }

    // The numeric value: empty and false read as 0, true as -1.
    double toDouble() const
    {
        struct Visitor {
            double operator()(std::monostate) const { return 0.0; }
            double operator()(bool b) const { return b ? -1.0 : 0.0; }
            double operator()(std::int16_t i) const { return i; }
            double operator()(std::int32_t i) const { return i; }
            double operator()(float f) const { return f; }
            double operator()(double d) const { return d; }
        };
        return std::visit(Visitor{}, v_);
    }
    // True only for a value that compares equal to the Boolean true.
    bool isTrue() const { return !isEmpty() && toDouble() == -1.0; }
    // Adds 1; a 16-bit integer that would overflow widens to 32 bits, and a
    // 32-bit integer to double precision. Empty becomes the 16-bit integer 1.
    void increment();

    friend bool operator==(const Tagged&, const Tagged&) = default;

private:
    std::variant<std::monostate, bool, std::int16_t, std::int32_t, float, double> v_;
};

}  // namespace quillmar
