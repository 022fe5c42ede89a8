// The value types under the simulation: checked 16-bit integers, tagged
// values, the bounds-checked fitness array, the random source and the species
// count a run accepts.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <functional>
#include <limits>
#include <optional>
#include <set>
#include <string>

#include "fitness_array.h"
#include "frozen_clock.h"
#include "int16.h"
#include "random_source.h"
#include "recording_form.h"
#include "scripted_random.h"
#include "simulation.h"
#include "tagged.h"
#include "test_helpers.h"

namespace quillmar {
namespace {

using testing::errorOf;
constexpr auto kOverflow = ErrorCode::Overflow;
constexpr auto kSubscript = ErrorCode::SubscriptOutOfRange;
constexpr std::nullopt_t kFails = std::nullopt;

TEST(Int16, SumsDifferencesAndRoundingAreRangeChecked)
{
    const struct {
        int a, b;
        char op;
        std::optional<int> result;
    } sums[] = {
        // clang-format off
        {32766, 1, '+', 32767}, {32767, 1, '+', kFails}, {32767, -1, '-', kFails}, {-32767, 1, '-', -32768},
        {-32768, 1, '-', kFails}, {-32768, -1, '+', kFails}, {-32768, 32767, '+', -1}, {0, -32768, '-', kFails},
        {-1, -32768, '-', 32767},
        // clang-format on
    };
    for (const auto& c : sums) {
        const Int16 a(static_cast<std::int16_t>(c.a)), b(static_cast<std::int16_t>(c.b));
        Int16 r;
        const auto err = errorOf([&] { r = c.op == '+' ? a + b : a - b; });
        EXPECT_EQ(err, c.result ? std::nullopt : std::optional(kOverflow)) << c.a << c.op << c.b;
        EXPECT_EQ(r.toInt(), c.result.value_or(0)) << c.a << c.op << c.b;
    }
    const double nan = std::numeric_limits<double>::quiet_NaN(),
                 inf = std::numeric_limits<double>::infinity();
    const struct {
        double d;
        std::optional<int> result;
    } roundings[] = {
        // clang-format off
        {0.5, 0}, {1.5, 2}, {2.5, 2}, {-0.5, 0}, {-1.5, -2}, {50.5, 50}, {51.5, 52}, {12.5, 12}, {13.5, 14},
        {12.49, 12}, {12.51, 13}, {32767.4, 32767}, {-32768.5, -32768}, {32767.5, kFails}, {-32768.6, kFails},
        {1e9, kFails}, {nan, kFails}, {inf, kFails}, {-inf, kFails},
        // clang-format on
    };
    for (const auto& c : roundings) {
        Int16 r;
        const auto err = errorOf([&] { r = Int16::roundedFrom(c.d); });
        EXPECT_EQ(err, c.result ? std::nullopt : std::optional(kOverflow)) << c.d;
        EXPECT_EQ(r.toInt(), c.result.value_or(0)) << c.d;
    }
}

TEST(Tagged, EmptyReadsZeroAndIncrementWidens)
{
    EXPECT_TRUE(Tagged().isEmpty());
    EXPECT_EQ(Tagged().toDouble(), 0.0);
    EXPECT_FALSE(Tagged().isTrue());
    EXPECT_TRUE(Tagged(true).isTrue());
    EXPECT_FALSE(Tagged(false).isTrue());
    EXPECT_FALSE(Tagged(2.5f).isTrue());
    EXPECT_EQ(Tagged(2.5f).toDouble(), 2.5);

    using S = std::int16_t;
    using L = std::int32_t;
    const struct {
        Tagged before, after;
    } cases[] = {
        // clang-format off
        {Tagged(), Tagged(S{1})}, {Tagged(S{0}), Tagged(S{1})}, {Tagged(S{32766}), Tagged(S{32767})},
        {Tagged(S{32767}), Tagged(L{32768})}, {Tagged(L{40000}), Tagged(L{40001})},
        {Tagged(std::numeric_limits<L>::max()), Tagged(2147483648.0)}, {Tagged(2147483648.0), Tagged(2147483649.0)},
        {Tagged(1.5f), Tagged(2.5f)},
        // clang-format on
    };
    for (const auto& c : cases) {
        Tagged t = c.before;
        t.increment();
        EXPECT_EQ(t, c.after) << "from " << c.before.toDouble();
    }
}

TEST(FitnessArray, EveryAccessIsBoundsChecked)
{
    FitnessArray a;
    EXPECT_FALSE(a.allocated());
    EXPECT_EQ(errorOf([&] { a.get(Int16(0)); }), kSubscript);
    EXPECT_EQ(errorOf([&] { a.set(Int16(0), 1.0f); }), kSubscript);
    EXPECT_EQ(errorOf([&] { a.redimPreserve(Int16(3)); }), kSubscript);
    EXPECT_EQ(errorOf([&] { a.redim(Int16(-1)); }), kSubscript);

    a.redim(Int16(3));
    ASSERT_EQ(a.size(), 4);
    for (std::int16_t i = 0; i < 4; ++i)
        EXPECT_TRUE(a.get(Int16(i)).isEmpty());
    EXPECT_EQ(a.value(Int16(2)), 0.0f);  // an empty cell reads as 0
    for (std::int16_t i : {-1, 4, 32767}) {
        EXPECT_EQ(errorOf([&] { a.get(Int16(i)); }), kSubscript) << i;
        EXPECT_EQ(errorOf([&] { a.set(Int16(i), 1.0f); }), kSubscript) << i;
    }
    a.set(Int16(0), 1.5f);
    a.set(Int16(3), 7.25f);
    EXPECT_EQ(a.get(Int16(3)), Tagged(7.25f));
    a.redimPreserve(Int16(1));  // keeps 0..1, drops the rest
    EXPECT_EQ(a.size(), 2);
    EXPECT_EQ(a.get(Int16(0)), Tagged(1.5f));
    EXPECT_EQ(errorOf([&] { a.get(Int16(2)); }), kSubscript);
    EXPECT_EQ(errorOf([&] { a.redimPreserve(Int16(-1)); }), kSubscript);
    a.redimPreserve(Int16(3));  // grown slots come back empty
    EXPECT_TRUE(a.isEmpty(Int16(3)));
    a.redim(Int16(1));  // a new array discards every value
    EXPECT_TRUE(a.isEmpty(Int16(0)));
}

TEST(ClockMixedRandom, ReseedsWithinOneClockTickStillDiffer)
{
    ClockMixedRandom r(testing::frozenClock());
    std::set<float> seen;
    for (int i = 0; i < 1000; ++i) {
        r.reseed();
        const float v = r.nextUniform();
        ASSERT_GE(v, 0.0f);
        ASSERT_LT(v, 1.0f);
        seen.insert(v);
    }
    EXPECT_GT(seen.size(), 990u);
    // The clock reading is mixed in: another reading leads elsewhere.
    ClockMixedRandom p(testing::frozenClock(1)), q(testing::frozenClock(2));
    p.reseed();
    q.reseed();
    EXPECT_NE(p.nextUniform(), q.nextUniform());
}

TEST(ClockMixedRandom, FreshFitnessIsTenTimesTheUniformNumber)
{
    // In single precision: the largest uniform number below 1 still gives a
    // value below 10. A fresh value does not reseed.
    testing::RecordingForm form;
    testing::ScriptedRandom scripted({0.0f, 0.25f, std::nextafter(1.0f, 0.0f)});
    Simulation sim(form, scripted);
    EXPECT_EQ(sim.freshFitness(), 0.0f);
    EXPECT_EQ(sim.freshFitness(), 2.5f);
    EXPECT_EQ(sim.freshFitness(), std::nextafter(10.0f, 0.0f));
    EXPECT_EQ(scripted.reseeds, 0);
}

// The whole rule; the run controller's and the window's tests keep only the
// rows that show it wired in.
TEST(SpeciesCount, AcceptsOneTo32765AfterRounding)
{
    constexpr const char* kFullWidth12 = "\xef\xbc\x91\xef\xbc\x92";  // U+FF11 U+FF12, no ASCII digit
    const struct {
        const char* text;
        std::optional<int> count;
    } cases[] = {
        // clang-format off
        {"", kFails}, {"   ", kFails}, {"abc", kFails}, {"e5", kFails}, {"-", kFails}, {".", kFails}, {"0", kFails},
        {"0.4", kFails}, {"0.49", kFails}, {"0.5", kFails}, {"-1", kFails}, {"-3", kFails}, {"-0.5", kFails},
        {"1E-400", kFails}, {"1E5", kFails}, {"1E9", kFails}, {"32766", kFails}, {"32765.5", kFails},
        {"40000", kFails}, {"1E400", kFails}, {"-1E400", kFails}, {"NaN", kFails}, {"inf", kFails},
        {kFullWidth12, kFails}, {"0x10", kFails},
        {"0.51", 1}, {"0.6", 1}, {".6", 1}, {"1", 1}, {"1.5", 2}, {"2.5", 2}, {"+7", 7}, {" 7 ", 7}, {"7e0", 7},
        {"7abc", 7}, {"7 species", 7}, {"1E1", 10}, {"1 2", 12}, {"\t1\n2", 12}, {"12,5", 12}, {"12.5", 12},
        {"13.5", 14}, {"3 2", 32}, {"50", 50}, {" 50 ", 50}, {"5E1", 50}, {"32764.5", 32764}, {"32765", 32765},
        {"32765.4", 32765}, {"32765.49", 32765}, {"3.2765E4", 32765},
        // A lower-case e ends the number.
        {"5e1", 5}, {"1e2", 1}, {"1e5", 1}, {"1e9", 1}, {"1e-400", 1}, {"-1e400", kFails}, {"3.2765e4", 3},
        // clang-format on
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(std::string(c.text)));
        const auto n = validSpeciesCount(c.text);
        EXPECT_EQ(n ? std::optional(n->toInt()) : std::nullopt, c.count);
        if (!c.count)
            continue;
        // A Begin builds as many species as the check accepts.
        testing::RecordingForm form;
        form.plotSurface.recording = false;
        form[TextBox::txtNumPts] = c.text;
        ClockMixedRandom random(testing::frozenClock());
        Simulation sim(form, random);
        sim.beginInit();
        EXPECT_EQ(sim.num.toInt(), *c.count);
    }
}

}  // namespace
}  // namespace quillmar
