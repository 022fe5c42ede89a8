#include "int16.h"

#include <cmath>

namespace quillmar {

Int16 Int16::roundedFrom(double d)
{
    if (!std::isfinite(d))
        raise(ErrorCode::Overflow);
    // nearbyint under the default rounding mode rounds halves to even.
    const double r = std::nearbyint(d);
    if (r < -32768.0 || r > 32767.0)
        raise(ErrorCode::Overflow);
    return Int16(static_cast<std::int16_t>(r));
}

}  // namespace quillmar
