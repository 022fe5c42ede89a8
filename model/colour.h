#pragma once

#include <cstdint>

namespace quillmar {

// A plot colour: an RGB value (red in the lowest byte) or one of the two
// system colours the plot uses.
struct Colour {
    enum class Kind : std::uint8_t { Rgb, ButtonFace, ButtonText };

    Kind kind = Kind::Rgb;
    std::uint32_t value = 0;  // for Rgb: red | green << 8 | blue << 16

    static constexpr Colour rgb(std::uint32_t v) { return {Kind::Rgb, v}; }
    static constexpr Colour black() { return rgb(0); }
    static constexpr Colour red() { return rgb(255); }
    static constexpr Colour buttonFace() { return {Kind::ButtonFace, 0}; }
    static constexpr Colour buttonText() { return {Kind::ButtonText, 0}; }

    friend constexpr bool operator==(Colour, Colour) = default;
};

}  // namespace quillmar
