#include "tagged.h"

#include <limits>

namespace quillmar {

void Tagged::increment()
{
    if (isEmpty()) {
        v_ = std::int16_t{1};
    } else if (auto* s = std::get_if<std::int16_t>(&v_)) {
        if (*s == std::numeric_limits<std::int16_t>::max())
            v_ = std::int32_t{*s} + 1;
        else
            ++*s;
    } else if (auto* l = std::get_if<std::int32_t>(&v_)) {
        if (*l == std::numeric_limits<std::int32_t>::max())
            v_ = static_cast<double>(*l) + 1.0;
        else
            ++*l;
    } else if (auto* f = std::get_if<float>(&v_)) {
        *f += 1.0f;
    } else if (auto* d = std::get_if<double>(&v_)) {
        *d += 1.0;
    } else {
        // A Boolean plus 1 is an integer (true is -1).
        v_ = static_cast<std::int16_t>(toDouble() + 1.0);
    }
}

}  // namespace quillmar
