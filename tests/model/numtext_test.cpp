// The three number texts of the text boxes: spaced form, plain form and the
// leading number read back from any text.

#include "numtext.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <random>
#include <string>

namespace quillmar {
namespace {

struct FormCase {
    double value;
    const char* spaced;
    const char* plain;       // with "." as separator
    const char* plainComma;  // with "," as separator
};

TEST(NumberText, SpacedAndPlainForms)
{
    // clang-format off
    const FormCase cases[] = {
        {0, " 0", "0", "0"},                    {7, " 7", "7", "7"},
        {12, " 12", "12", "12"},                {100, " 100", "100", "100"},
        {0.25, " .25", "0.25", "0,25"},         {0.5, " .5", "0.5", "0,5"},
        {10.5, " 10.5", "10.5", "10,5"},        {-7, "-7", "-7", "-7"},
        {-0.25, "-.25", "-0.25", "-0,25"},      {-12.75, "-12.75", "-12.75", "-12,75"},
        {0.1 + 0.2, " .3", "0.3", "0,3"},  // 0.30000000000000004 at 15 digits
        {1.0 / 3, " .333333333333333", "0.333333333333333", "0,333333333333333"},
        {2.0 / 3, " .666666666666667", "0.666666666666667", "0,666666666666667"},
        // A single-precision fitness is shown as its exact double, to 15 digits.
        {0.1f, " .100000001490116", "0.100000001490116", "0,100000001490116"},
        {9.9f, " 9.89999961853027", "9.89999961853027", "9,89999961853027"},
        {0.0001, " .0001", "0.0001", "0,0001"}, {0.00012345, " .00012345", "0.00012345", "0,00012345"},
        {0.00001, " 1E-05", "1E-05", "1E-05"},  {0.000015, " 1.5E-05", "1.5E-05", "1,5E-05"},
        {-0.00001, "-1E-05", "-1E-05", "-1E-05"}, {1e-100, " 1E-100", "1E-100", "1E-100"},
        {999999999999999, " 999999999999999", "999999999999999", "999999999999999"},
        {123456789012.5, " 123456789012.5", "123456789012.5", "123456789012,5"},
        {1e15, " 1E+15", "1E+15", "1E+15"},     {1e300, " 1E+300", "1E+300", "1E+300"},
        {1234567890123456, " 1.23456789012346E+15", "1.23456789012346E+15", "1,23456789012346E+15"},
        {-2.5e20, "-2.5E+20", "-2.5E+20", "-2,5E+20"},
    };
    // clang-format on
    for (const auto& c : cases) {
        SCOPED_TRACE(c.spaced);
        EXPECT_EQ(spacedForm(c.value), c.spaced);
        EXPECT_EQ(plainForm(c.value), c.plain);
        EXPECT_EQ(plainForm(c.value, ","), c.plainComma);
    }
}

TEST(NumberText, LeadingNumber)
{
    const double inf = std::numeric_limits<double>::infinity();
    const struct {
        const char* text;
        double value;
    } cases[] = {
        // clang-format off
        {"", 0}, {"abc", 0}, {"-", 0}, {"+", 0}, {".", 0}, {"e5", 0}, {"E5", 0}, {"inf", 0}, {"NaN", 0},
        {"--5", 0}, {"0x1A", 0}, {"12", 12}, {" 12", 12}, {"0", 0}, {" 41", 41}, {"007", 7}, {"7abc", 7},
        {"7 species", 7}, {"-3", -3}, {"+3", 3}, {".5", 0.5}, {"-.5", -0.5}, {"+.25", 0.25}, {"5.", 5},
        {"5.x", 5}, {"1.5.3", 1.5}, {"1,5", 1}, {"12.5", 12.5}, {"1 2", 12}, {" - 1 . 5 ", -1.5},
        {"1\t2\n3", 123}, {"\n\t 9", 9}, {"1e3", 1}, {"1E3", 1000}, {"2E+3", 2000}, {"25e-1", 25},
        {"-1.5e2", -1.5}, {"1e", 1}, {"1e+", 1}, {"2E3x", 2000}, {"1 e 2", 1}, {"1e2.5", 1},
        {"0.25\t\t3\r\n", 0.253}, {"1E9", 1e9}, {"1E400", inf}, {"-1E400", -inf}, {"1E-400", 0},
        {"0.0E999", 0}, {"1E308", 1e308}, {"123456789012345", 123456789012345},
        {"1234567890123456789", 1234567890123456789.0}, {"12345678901234567890", 12345678901234567890.0},
        // clang-format on
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(std::string(c.text)));
        EXPECT_EQ(leadingNumber(c.text), c.value);
    }
    // Hundreds of digits: beyond double range on either side.
    EXPECT_EQ(leadingNumber(std::string(400, '9')), inf);
    EXPECT_EQ(leadingNumber("-" + std::string(400, '9') + ".5"), -inf);
    EXPECT_EQ(leadingNumber("0." + std::string(400, '0') + "1"), 0.0);
    // A mantissa longer than any exponent cap must not flip the magnitude.
    EXPECT_EQ(leadingNumber("0." + std::string(1'500'000, '0') + "1E2000000"), inf);
    EXPECT_EQ(leadingNumber(std::string(1'500'000, '9') + "E-2000000"), 0.0);
}

// Only an upper-case E starts an exponent: a lower-case e anywhere ends the
// number there, like any other letter.
TEST(NumberText, ExponentOnlyAfterUpperCaseE)
{
    const double inf = std::numeric_limits<double>::infinity();
    const struct {
        const char* text;  // with E; the same text with every E made e reads as `lower`
        double upper, lower;
    } cases[] = {
        // clang-format off
        {"E2", 0, 0}, {"-E2", 0, 0}, {"1E2", 100, 1}, {"-1E2", -100, -1}, {"+1E+2", 100, 1},
        {"1.5E2", 150, 1.5}, {".5E1", 5, 0.5}, {"1.E2", 1, 1}, {"25E-1", 2.5, 25}, {"1E", 1, 1},
        {"1E-", 1, 1}, {"1 E\t- 2", 0.01, 1}, {"1E2E3", 100, 1}, {"1E2.5", 100, 1}, {"1E400", inf, 1},
        {"-1E400", -inf, -1}, {"5E-400", 0, 5}, {"1E2x", 100, 1},
        // clang-format on
    };
    for (const auto& c : cases) {
        std::string lower = c.text;
        std::replace(lower.begin(), lower.end(), 'E', 'e');
        EXPECT_EQ(leadingNumber(c.text), c.upper) << c.text;
        EXPECT_EQ(leadingNumber(lower), c.lower) << lower;
    }
    EXPECT_EQ(leadingNumber("1E2e3"), 100);
    EXPECT_EQ(leadingNumber("1e2E3"), 1);
}

// A total the program wrote is counted on in its digits, with exactly the
// result of reading it, adding one and writing the spaced form; any other text
// is left to that longer way.
TEST(NumberText, CountingOnAWholeTotal)
{
    struct Case {
        const char* text;
        bool counted;
    };
    const Case cases[] = {
        {" 0", true},
        {" 1", true},
        {" 9", true},
        {" 199", true},
        {" 99999", true},
        {" 12345678901234", true},
        {" 99999999999999", true},    // 14 digits: 10^14 follows
        {" 999999999999999", false},  // 10^15 is written 1E+15
        {" 007", false},
        {" 00", false},
        {"7", false},
        {"  7", false},
        {" -5", false},
        {" 1.5", false},
        {" 12a", false},
        {" ", false},
        {"", false},
        {" 1E+15", false},
    };
    for (const Case& c : cases) {
        std::string text = c.text;
        EXPECT_EQ(incrementSpacedWhole(text), c.counted) << '"' << c.text << '"';
        if (c.counted)
            EXPECT_EQ(text, spacedForm(leadingNumber(c.text) + 1)) << '"' << c.text << '"';
        else
            EXPECT_EQ(text, c.text);
    }
}

// A number with at most 15 significant digits survives the spaced form and the
// leading-number reading unchanged.
TEST(NumberText, SpacedFormReadsBackExactly)
{
    std::mt19937_64 gen(20240611);
    std::uniform_int_distribution<long long> mantissa(1, 999999999999999);
    std::uniform_int_distribution<int> exponent(-300, 290);
    std::uniform_int_distribution<int> digits(1, 15);
    for (int n = 0; n < 20000; ++n) {
        long long m = mantissa(gen);
        for (int d = digits(gen); d < 15; ++d)
            m /= 10;  // fewer significant digits, too
        const int e = n % 4 == 0 ? exponent(gen) : exponent(gen) % 20;
        const std::string sign = n % 2 ? "-" : "";
        const std::string text = sign + std::to_string(m) + "e" + std::to_string(e);
        const double d = std::strtod(text.c_str(), nullptr);
        ASSERT_EQ(leadingNumber(spacedForm(d)), d) << text << " -> " << spacedForm(d);
        ASSERT_EQ(leadingNumber(plainForm(d)), d) << text << " -> " << plainForm(d);
    }
}

}  // namespace
}  // namespace quillmar
