// libFuzzer target: the spaced and plain forms of a double. The input is read
// as a C number text (decimal or hexadecimal, so any double is reachable) or,
// when it starts with none, as the bytes of a double. Aborts when a form breaks
// its sign, digit, separator or agreement rules, or when a number of at most 15
// significant digits does not read back exactly.

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "numtext.h"

namespace {

void require(bool ok, const char* what, double d)
{
    if (!ok) {
        std::fprintf(stderr, "property violated for %.17g: %s\n", d, what);
        std::abort();
    }
}

double fromInput(const std::uint8_t* data, std::size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    char* end = nullptr;
    const double d = std::strtod(text.c_str(), &end);
    if (end != text.c_str())
        return d;
    std::uint8_t bytes[sizeof(double)] = {};
    std::memcpy(bytes, data, size < sizeof bytes ? size : sizeof bytes);
    double b;
    std::memcpy(&b, bytes, sizeof b);
    return b;
}

// Significant digits of the mantissa (the part before E): from the first
// non-zero digit on, the point not counted.
std::size_t significantDigits(const std::string& s)
{
    std::size_t n = 0;
    for (char c : s.substr(0, s.find('E'))) {
        if (c >= '1' && c <= '9')
            ++n;
        else if (c == '0' && n > 0)
            ++n;
    }
    return n;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using quillmar::leadingNumber;
    using quillmar::plainForm;
    using quillmar::spacedForm;
    const double d = fromInput(data, size);
    const std::string spaced = spacedForm(d), plain = plainForm(d, "."), comma = plainForm(d, ",");
    if (!std::isfinite(d))
        return 0;  // no form is defined for them: only the absence of faults counts

    require(spaced.size() >= 2, "a sign character and at least one digit", d);
    require((spaced[0] == ' ') == !(d < 0) && (spaced[0] == '-') == (d < 0),
            "blank before d >= 0, '-' before d < 0", d);
    require(significantDigits(spaced) >= 1 || d == 0, "a non-zero number shows a non-zero digit", d);
    require(significantDigits(spaced) <= 15, "at most 15 significant digits", d);
    const std::string mantissa = spaced.substr(0, spaced.find('E'));
    if (mantissa.find('.') != std::string::npos)
        require(mantissa.back() != '0' && mantissa.back() != '.', "no trailing zeros after the point", d);
    require(spaced[1] != '0' || spaced == " 0", "no leading 0, not even before the point", d);

    // The plain form: the same text without the blank and with 0 before a bare point.
    std::string expected = spaced.substr(spaced[0] == ' ' ? 1 : 0);
    const std::size_t digitsAt = expected[0] == '-' ? 1 : 0;
    if (expected[digitsAt] == '.')
        expected.insert(digitsAt, "0");
    require(plain == expected, "the plain form has the spaced form's digits", d);
    std::string withComma = plain;
    for (char& c : withComma)
        if (c == '.')
            c = ',';
    require(comma == withComma && comma.find('.') == std::string::npos, "only the given separator is used",
            d);

    // Round to 15 significant digits: such a number reads back exactly.
    char buf[40];
    std::snprintf(buf, sizeof buf, "%.14e", d);
    const double r = std::strtod(buf, nullptr);
    if (std::isfinite(r)) {
        require(leadingNumber(spacedForm(r)) == r, "the spaced form reads back", r);
        require(leadingNumber(plainForm(r, ".")) == r, "the plain form reads back", r);
    }
    return 0;
}
