// libFuzzer target: the leading number of arbitrary bytes. Aborts when a
// reading is NaN, when blanks, tabs or line feeds change a reading, when a
// trailing character that cannot continue a number (a lower-case e among them)
// changes it, when a sign in front does not act as a sign, or when a text that
// is one whole number reads differently from strtod. Also aborts when counting
// on a total in its digits disagrees with reading, adding one and writing the
// spaced form.

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "numtext.h"

namespace {

void require(bool ok, const char* what)
{
    if (!ok) {
        std::fprintf(stderr, "property violated: %s\n", what);
        std::abort();
    }
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

// The text is exactly one number: sign, digits with an optional point followed
// by digits (or a point and digits alone), an optional exponent after E.
bool isWholeNumber(const std::string& s)
{
    std::size_t i = 0, digits = 0;
    const auto run = [&] {
        const std::size_t from = i;
        while (i < s.size() && isDigit(s[i]))
            ++i;
        return i - from;
    };
    if (i < s.size() && (s[i] == '+' || s[i] == '-'))
        ++i;
    digits = run();
    if (i < s.size() && s[i] == '.') {
        ++i;
        const std::size_t fraction = run();
        if (fraction == 0)
            return false;
        digits += fraction;
    }
    if (digits == 0)
        return false;
    if (i < s.size() && s[i] == 'E') {
        ++i;
        if (i < s.size() && (s[i] == '+' || s[i] == '-'))
            ++i;
        if (run() == 0)
            return false;
    }
    return i == s.size();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using quillmar::leadingNumber;
    const std::string text(reinterpret_cast<const char*>(data), size);
    const double v = leadingNumber(text);
    require(!std::isnan(v), "a reading is never NaN");

    std::string stripped, spread;
    for (std::size_t i = 0; i < size; ++i) {
        const char c = text[i];
        if (c != ' ' && c != '\t' && c != '\n')
            stripped += c;
        spread += c;
        if ((data[i] + i) % 3 == 0)  // input-driven places for extra blanks
            spread += " \t\n"[i % 3];
    }
    require(leadingNumber(stripped) == v, "removing blanks, tabs and line feeds changes nothing");
    require(leadingNumber(spread) == v, "inserting blanks, tabs and line feeds changes nothing");
    require(leadingNumber(text + "x") == v, "a character outside every number ends the prefix");
    require(leadingNumber(text + "e1") == v, "a lower-case e starts no exponent");
    if (!stripped.empty() && (isDigit(stripped[0]) || stripped[0] == '.')) {
        require(leadingNumber("-" + text) == -v, "a leading minus negates");
        require(leadingNumber("+" + text) == v, "a leading plus changes nothing");
    }
    if (isWholeNumber(stripped))
        require(leadingNumber(text) == std::strtod(stripped.c_str(), nullptr),
                "a whole number reads as strtod");

    std::string counted = text;
    if (quillmar::incrementSpacedWhole(counted))
        require(counted == quillmar::spacedForm(v + 1), "counting on in the digits agrees with the number");
    else
        require(counted == text, "a text not counted on is left alone");
    return 0;
}
