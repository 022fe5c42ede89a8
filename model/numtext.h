#pragma once

#include <string>
#include <string_view>

namespace quillmar {

// The three fixed conversions between numbers and text that the window's
// text boxes use.

// Spaced form: a blank before zero and positive numbers, "-" before negative
// ones; up to 15 significant digits, no trailing zeros, a point as decimal
// separator and no 0 before it when the magnitude is below 1 (" .25", " 7").
std::string spacedForm(double d);

// Plain form: the same digits without the leading blank, with the 0 before the
// point ("0.25"), and with the given decimal separator (the user's locale's).
std::string plainForm(double d, std::string_view decimalSeparator = ".");

// The log's line for a completed torrel: the plain form of the new threshold,
// two tabs, the plain form of the torrel's size, CR LF.
std::string logLine(double threshold, double size, std::string_view decimalSeparator = ".");

// Leading number: blanks, tabs and line feeds are removed from the whole text,
// then the longest prefix that forms a decimal number (sign, digits, point and
// digits, exponent introduced by E) is read; no such prefix reads as 0. Only an
// upper-case E starts an exponent ("2e1" reads as 2) and only the point is a
// decimal separator. A magnitude beyond double range reads as an infinity of
// its sign.
double leadingNumber(std::string_view text);

// Adds one, in place, to a text that is the spaced form of a whole number
// from 0 to 10^14 - 1, giving the spaced form of the next number: the same as
// spacedForm(leadingNumber(text) + 1) without the conversions. Returns false
// and leaves any other text alone.
bool incrementSpacedWhole(std::string& text);

}  // namespace quillmar
