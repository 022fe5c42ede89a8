#include "numtext.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <system_error>

namespace quillmar {

namespace {

// Formats |d| (finite, not a whole number below 10^15: signedText writes those
// itself) with up to 15 significant digits: `intro` is what stands before the
// point when the magnitude is below 1 ("" or "0").
std::string magnitudeText(double d, std::string_view sep, std::string_view intro)
{
    d = std::fabs(d);
    char buf[40];
    auto r = std::to_chars(buf, buf + sizeof buf, d, std::chars_format::scientific, 14);
    std::string_view s(buf, static_cast<std::size_t>(r.ptr - buf));
    // s is "d.dddddddddddddde[+-]xx"
    const auto ePos = s.find('e');
    std::string digits;
    digits += s[0];
    digits += s.substr(2, ePos - 2);
    int exp = 0;
    std::from_chars(s.data() + ePos + (s[ePos + 1] == '+' ? 2 : 1), s.data() + s.size(), exp);
    while (digits.size() > 1 && digits.back() == '0')
        digits.pop_back();

    std::string out;
    if (exp >= 15 || exp < -4) {
        out += digits[0];
        if (digits.size() > 1) {
            out += sep;
            out += digits.substr(1);
        }
        out += exp < 0 ? "E-" : "E+";
        const int ae = std::abs(exp);
        if (ae < 10)
            out += '0';
        out += std::to_string(ae);
        return out;
    }
    if (exp >= 0) {
        const auto intLen = static_cast<std::size_t>(exp) + 1;
        if (digits.size() <= intLen) {
            out = digits + std::string(intLen - digits.size(), '0');
        } else {
            out = digits.substr(0, intLen);
            out += sep;
            out += digits.substr(intLen);
        }
        return out;
    }
    out = intro;
    out += sep;
    out += std::string(static_cast<std::size_t>(-exp - 1), '0');
    out += digits;
    return out;
}

std::string signedText(double d, std::string_view sep, std::string_view intro, std::string_view positive)
{
    // Whole numbers below 10^15, the counters written on every generation,
    // go straight into one buffer.
    if (std::fabs(d) < 1e15 && d == std::floor(d)) {
        char buf[24];
        char* p = buf;
        if (d < 0)
            *p++ = '-';
        else if (!positive.empty())
            *p++ = positive[0];
        p = std::to_chars(p, buf + sizeof buf, static_cast<std::int64_t>(std::fabs(d))).ptr;
        return std::string(buf, p);
    }
    if (std::isnan(d))
        return std::string(positive) + "NaN";
    if (std::isinf(d))
        return std::string(d < 0 ? "-" : positive) + "Infinity";
    return std::string(d < 0 ? "-" : positive) + magnitudeText(d, sep, intro);
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

}  // namespace

std::string spacedForm(double d)
{
    return signedText(d, ".", "", " ");
}

std::string plainForm(double d, std::string_view decimalSeparator)
{
    return signedText(d, decimalSeparator, "0", "");
}

std::string logLine(double threshold, double size, std::string_view decimalSeparator)
{
    std::string line = plainForm(threshold, decimalSeparator);
    line += "\t\t";
    line += plainForm(size, decimalSeparator);
    line += "\r\n";
    return line;
}

double leadingNumber(std::string_view text)
{
    // Fast path for the common case of a short text of digits with an optional
    // leading blank, such as the counters the program writes itself.
    std::size_t b = 0;
    while (b < text.size() && text[b] == ' ')
        ++b;
    if (b < text.size() && text.size() - b <= 15) {
        std::int64_t n = 0;
        std::size_t k = b;
        while (k < text.size() && isDigit(text[k]))
            n = n * 10 + (text[k++] - '0');
        if (k == text.size())
            return static_cast<double>(n);
    }

    std::string s;
    s.reserve(text.size());
    for (char c : text)
        if (c != ' ' && c != '\t' && c != '\n')
            s += c;

    std::size_t i = 0;
    bool negative = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-'))
        negative = s[i++] == '-';
    const std::size_t mantStart = i;
    while (i < s.size() && isDigit(s[i]))
        ++i;
    const std::size_t intEnd = i;
    std::size_t fracEnd = intEnd;
    if (i + 1 < s.size() && s[i] == '.' && isDigit(s[i + 1])) {
        ++i;
        while (i < s.size() && isDigit(s[i]))
            ++i;
        fracEnd = i;
    }
    if (fracEnd == mantStart)
        return 0.0;  // no digits: no number
    std::size_t end = fracEnd;
    long long expValue = 0;
    if (end < s.size() && s[end] == 'E') {
        std::size_t j = end + 1;
        bool expNeg = false;
        if (j < s.size() && (s[j] == '+' || s[j] == '-'))
            expNeg = s[j++] == '-';
        if (j < s.size() && isDigit(s[j])) {
            while (j < s.size() && isDigit(s[j])) {
                if (expValue < 100000000000000LL)  // saturate far beyond any text length
                    expValue = expValue * 10 + (s[j] - '0');
                ++j;
            }
            if (expNeg)
                expValue = -expValue;
            end = j;
        }
    }

    // from_chars takes no leading '+', so parse from the mantissa on.
    double value = 0.0;
    const auto r = std::from_chars(s.data() + mantStart, s.data() + end, value, std::chars_format::general);
    if (r.ec == std::errc::result_out_of_range) {
        // Find the decimal magnitude: the position of the first non-zero digit
        // relative to the point, shifted by the exponent.
        long long firstNonZero = 0;
        bool found = false;
        for (std::size_t k = mantStart; k < fracEnd; ++k) {
            if (k == intEnd)
                continue;  // the point
            if (s[k] != '0') {
                // digits before the point count down to 0 at the units place
                firstNonZero =
                    k < intEnd ? static_cast<long long>(intEnd - k) - 1 : -static_cast<long long>(k - intEnd);
                found = true;
                break;
            }
        }
        value = (found && firstNonZero + expValue > 0) ? std::numeric_limits<double>::infinity() : 0.0;
    }
    return negative ? -value : value;
}

bool incrementSpacedWhole(std::string& text)
{
    const std::size_t n = text.size();
    if (n < 2 || n > 15 || text[0] != ' ' || (text[1] == '0' && n > 2))
        return false;
    for (std::size_t k = 1; k < n; ++k)
        if (!isDigit(text[k]))
            return false;
    std::size_t k = n - 1;
    while (text[k] == '9') {
        text[k] = '0';
        if (--k == 0) {
            text.insert(text.begin() + 1, '1');  // 99 -> 100
            return true;
        }
    }
    ++text[k];
    return true;
}

}  // namespace quillmar
