// The plot primitives, the Begin initialisation and the generation step:
// selection of the least-fit species, threshold crossings with their texts,
// the two mutation rules with the marker redraw, and the trim of the array.

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cstdint>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "frozen_clock.h"
#include "recording_form.h"
#include "recording_plot.h"
#include "scripted_random.h"
#include "simulation.h"
#include "test_helpers.h"

namespace quillmar {
namespace {

using testing::errorOf;
using testing::i16;
using testing::PlotCall;
using testing::RecordingForm;
using K = PlotCall::Kind;
using TB = TextBox;
using Writes = std::vector<std::pair<TextBox, std::string>>;

// The uniform numbers the harness's random source replays: fresh values 5,
// 2.5, 7.5, 5, ... in draw order.
constexpr float kUniforms[3] = {0.5f, 0.25f, 0.75f};

// A species marker as drawn: species, height and colour ('k' black, 'r' red,
// 'e' erased in the background colour).
struct Mark {
    int i;
    float f;
    char c;
    bool operator==(const Mark&) const = default;
    friend void PrintTo(const Mark& m, std::ostream* os) { *os << m.c << m.i << '@' << m.f; }
};
using Marks = std::vector<Mark>;

// The markers among the plot calls; every box must have the marker's shape,
// its far corner 0.2 beyond the near one, added in double precision.
Marks marks(const std::vector<PlotCall>& calls)
{
    Marks out;
    for (const PlotCall& c : calls) {
        if (c.kind != K::Box)
            continue;
        EXPECT_EQ(c.x2, static_cast<float>(static_cast<double>(c.x1) + 0.2));
        EXPECT_EQ(c.y2, static_cast<float>(static_cast<double>(c.y1) + 0.2));
        const Colour k = c.colour.value_or(Colour::buttonText());
        const char code = k == Colour::black()        ? 'k'
                          : k == Colour::red()        ? 'r'
                          : k == Colour::buttonFace() ? 'e'
                                                      : '?';
        out.push_back({static_cast<int>(c.x1), c.y1, code});
    }
    return out;
}

long countOf(const std::vector<PlotCall>& calls, K kind)
{
    return std::count_if(calls.begin(), calls.end(), [&](const PlotCall& c) { return c.kind == kind; });
}

struct Harness {
    // Fitness before the step in the mutation tests: the least-fit species holds
    // 1, every other one a value from 8 to 8.75, below the threshold 9.5.
    static float oldValue(int i, int xpos)
    {
        return i == xpos ? 1.0f : 8.0f + static_cast<float>(i % 7) * 0.125f;
    }

    RecordingForm form;
    testing::ScriptedRandom random{{kUniforms[0], kUniforms[1], kUniforms[2]}};
    Simulation sim{form, random};

    // `num` species with the given values, plus the empty spare slot if asked.
    void load(const std::vector<float>& values, int num, bool spare = false)
    {
        sim.num = i16(num);
        sim.a.redim(i16(num - 1 + (spare ? 1 : 0)));
        for (std::size_t i = 0; i < values.size(); ++i)
            sim.a.set(i16(static_cast<int>(i)), values[i]);
        sim.lowval = 9.5;
    }
    void step()
    {
        form.plotSurface.calls.clear();
        form.writes.clear();
        random.log.clear();
        sim.try_(sim.x, sim.xpos, sim.xposold, sim.a, sim.num);
    }
};

TEST(Plot, MarkerAndLineGeometry)
{
    testing::RecordingPlot plot;
    speciesMarker(plot, i16(0), 0.0, Colour::black());
    speciesMarker(plot, i16(1), 9.9f, Colour::red());
    // The top edge is f + 0.2 in double precision, then rounded to single
    // precision; adding 0.2f in single precision would give the float above.
    const float f = std::bit_cast<float>(0x3e91239bu);  // 0.283474773168563843
    EXPECT_NE(static_cast<float>(0.483474773168563843), f + 0.2f);
    speciesMarker(plot, i16(3), f, Colour::buttonFace());
    thresholdLine(plot, 0.25, i16(50));
    thresholdLine(plot, 2.5, i16(3), Colour::buttonFace());
    plotSetup(plot, i16(32765));
    EXPECT_EQ(plot.calls,
              (std::vector<PlotCall>{
                  {K::Box, 0, 0, 0.2f, 0.2f, Colour::black()},
                  {K::Box, 1, 9.9f, 1.2f, static_cast<float>(9.8999996185302734 + 0.2), Colour::red()},
                  {K::Box, 3, f, 3.2f, static_cast<float>(0.483474773168563843), Colour::buttonFace()},
                  {K::Line, -1, 0.25f, 52, 0.25f, std::nullopt},
                  {K::Line, -1, 2.5f, 5, 2.5f, Colour::buttonFace()},
                  {K::SetScale, -1, 10, 32767, 0, std::nullopt},
                  {K::Persistent, 0, 1, 0, 0, std::nullopt},
              }));
    plot.calls.clear();  // a species count above 32765 overflows num + 2
    EXPECT_EQ(errorOf([&] { plotSetup(plot, i16(32766)); }), ErrorCode::Overflow);
    EXPECT_EQ(errorOf([&] { thresholdLine(plot, 1.0, i16(32766)); }), ErrorCode::Overflow);
    EXPECT_TRUE(plot.calls.empty());
}

TEST(BeginInit, DefaultCountBuildsFiftySpecies)
{
    RecordingForm form;
    ClockMixedRandom random(testing::frozenClock());
    Simulation sim(form, random);
    form[TB::txtOutput] = "typed";
    sim.xpos = i16(7);
    sim.lowval = 3;
    sim.numtorrels = std::int32_t{99};
    sim.beginInit();

    EXPECT_EQ(sim.num, i16(50));
    ASSERT_EQ(sim.a.size(), 51);
    EXPECT_TRUE(sim.a.isEmpty(i16(50)));
    EXPECT_EQ(sim.numtorrels, Tagged(std::int16_t{0}));
    EXPECT_EQ(sim.lowval, 0.0);
    EXPECT_EQ(sim.cursize, 1.0);
    EXPECT_EQ(sim.xpos, i16(7));  // never reset: the next step sees it as xposold
    EXPECT_EQ(form.writes, (Writes{{TB::txtOutput, ""}}));

    const auto& calls = form.plotSurface.calls;
    ASSERT_EQ(calls.size(), 53u);
    EXPECT_EQ(calls[0], (PlotCall{K::SetScale, -1, 10, 52, 0, std::nullopt}));
    EXPECT_EQ(calls[1], (PlotCall{K::Persistent, 0, 1, 0, 0, std::nullopt}));
    EXPECT_EQ(calls[2].kind, K::Clear);
    const auto m = marks(calls);
    float lo = 10, hi = 0;
    for (int i = 0; i < 50; ++i) {
        const float f = sim.a.value(i16(i));
        EXPECT_FALSE(sim.a.isEmpty(i16(i)));
        EXPECT_EQ(m[static_cast<std::size_t>(i)], (Mark{i, f, 'k'}));
        lo = std::min(lo, f);
        hi = std::max(hi, f);
    }
    EXPECT_GE(lo, 0.0f);
    EXPECT_LT(hi, 10.0f);
    EXPECT_LT(lo, hi);  // reseeding before every draw still gives different values
}

TEST(BeginInit, SpeciesCountText)
{
    const struct {
        const char* text;
        int num;  // species drawn
        std::optional<ErrorCode> error;
    } cases[] = {
        // clang-format off
        {"12.5", 12, std::nullopt}, {"13.5", 14, std::nullopt}, {"7abc", 7, std::nullopt}, {"1", 1, std::nullopt},
        {"abc", 0, std::nullopt}, {"-5", 0, ErrorCode::SubscriptOutOfRange}, {"32766", 0, ErrorCode::Overflow},
        {"40000", 0, ErrorCode::Overflow},
        // clang-format on
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        Harness h;
        h.sim.a.redim(i16(60));  // a previous, larger population
        for (int i = 0; i <= 60; ++i)
            h.sim.a.set(i16(i), 9.0f);
        h.form[TB::txtNumPts] = c.text;
        EXPECT_EQ(errorOf([&] { h.sim.beginInit(); }), c.error);
        // The plot is set up only for a count that fits; no marker before that.
        EXPECT_EQ(countOf(h.form.plotSurface.calls, K::SetScale), c.error ? 0 : 1);
        EXPECT_EQ(countOf(h.form.plotSurface.calls, K::Box), c.num);
        if (c.error)
            continue;
        std::string reseedThenDraw;
        for (int i = 0; i < c.num; ++i)
            reseedThenDraw += "RD";
        EXPECT_EQ(h.random.log, reseedThenDraw);
        ASSERT_EQ(h.sim.a.size(), c.num + 1);
        for (int i = 0; i < c.num; ++i)  // no value of the old population survives
            EXPECT_EQ(h.sim.a.value(i16(i)), 10 * kUniforms[i % 3]);
        EXPECT_TRUE(h.sim.a.isEmpty(i16(c.num)));
    }
}

TEST(Selection, LowestIndexWinsTies)
{
    const struct {
        std::vector<float> values;
        int num, spare, xpos;
    } cases[] = {
        // clang-format off
        {{3, 1, 1, 2}, 4, 0, 1}, {{1, 1, 1}, 3, 0, 0}, {{2, 3, 1}, 3, 0, 2}, {{4}, 1, 0, 0}, {{5, 2, 2, 2, 9}, 5, 0, 1},
        {{3, 2}, 2, 1, 1},  // the empty spare slot (reading 0) is not looked at
        // clang-format on
    };
    for (const auto& c : cases) {
        Harness h;
        h.load(c.values, c.num, c.spare != 0);
        h.sim.xpos = i16(42);
        h.form.setCheck(CheckBox::chkRule2, 1);
        h.step();
        EXPECT_EQ(h.sim.xpos, i16(c.xpos));
        EXPECT_EQ(h.sim.xposold, i16(42));
        EXPECT_EQ(h.sim.x, Tagged(c.values[static_cast<std::size_t>(c.xpos)]));
    }
}

TEST(Threshold, CrossingWritesExactlyTheseTexts)
{
    using S = std::int16_t;
    const struct {
        float minimum;
        double lowval, cursize;
        const char *largest, *total, *separator;
        Tagged torrels;
        Writes writes;  // expected, in order
        double cursizeAfter;
        Tagged torrelsAfter;
    } cases[] = {
        // clang-format off
        {0.25f, 0, 1, "0", "0", ".", Tagged(S{0}), {{TB::txtLowval, " .25"}, {TB::txtNumAv, " 1"}, {TB::txtSize, "1"},
            {TB::txtOutput, "typed0.25\t\t1\r\n"}, {TB::txtLargest, " 1"}, {TB::txtTotIter, " 1"}}, 1, Tagged(S{1})},
        // A torrel as large as the largest so far leaves txtLargest alone.
        {0.25f, 0.125, 12, " 12", " 41", ".", Tagged(S{3}), {{TB::txtLowval, " .25"}, {TB::txtNumAv, " 4"},
            {TB::txtSize, "12"}, {TB::txtOutput, "typed0.25\t\t12\r\n"}, {TB::txtTotIter, " 42"}}, 1, Tagged(S{4})},
        {0.25f, 0.125, 12, " 11", " 41", ".", Tagged(S{3}), {{TB::txtLowval, " .25"}, {TB::txtNumAv, " 4"},
            {TB::txtSize, "12"}, {TB::txtOutput, "typed0.25\t\t12\r\n"}, {TB::txtLargest, " 12"}, {TB::txtTotIter, " 42"}}, 1, Tagged(S{4})},
        {0.25f, 0.125, 12, " 13", "0", ".", Tagged(S{3}), {{TB::txtLowval, " .25"}, {TB::txtNumAv, " 4"},
            {TB::txtSize, "12"}, {TB::txtOutput, "typed0.25\t\t12\r\n"}, {TB::txtTotIter, " 1"}}, 1, Tagged(S{4})},
        {2.5f, 0.25, 3, "0", " 7", ",", Tagged(S{1}), {{TB::txtLowval, " 2.5"}, {TB::txtNumAv, " 2"}, {TB::txtSize, "3"},
            {TB::txtOutput, "typed2,5\t\t3\r\n"}, {TB::txtLargest, " 3"}, {TB::txtTotIter, " 8"}}, 1, Tagged(S{2})},
        {0.1f, 0, 1, " 5", " 9", ".", Tagged(S{0}), {{TB::txtLowval, " .100000001490116"}, {TB::txtNumAv, " 1"},
            {TB::txtSize, "1"}, {TB::txtOutput, "typed0.100000001490116\t\t1\r\n"}, {TB::txtTotIter, " 10"}}, 1, Tagged(S{1})},
        {0.5f, 0.25, 2, "0", " 99", ".", Tagged(S{32767}), {{TB::txtLowval, " .5"}, {TB::txtNumAv, " 32768"},
            {TB::txtSize, "2"}, {TB::txtOutput, "typed0.5\t\t2\r\n"}, {TB::txtLargest, " 2"}, {TB::txtTotIter, " 100"}}, 1,
            Tagged(std::int32_t{32768})},  // the count widens past 32767
        // A minimum equal to the threshold is no crossing; nor is a first minimum of exactly 0.
        {0.25f, 0.25, 5, "0", " 41", ".", Tagged(S{3}), {{TB::txtTotIter, " 42"}}, 6, Tagged(S{3})},
        {0.0f, 0, 1, "0", "0", ".", Tagged(S{0}), {{TB::txtTotIter, " 1"}}, 2, Tagged(S{0})},
        // clang-format on
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.minimum << " over " << c.lowval);
        Harness h;
        h.load({9.0f, c.minimum, 9.25f}, 3);
        h.sim.lowval = c.lowval;
        h.sim.cursize = c.cursize;
        h.sim.numtorrels = c.torrels;
        h.form[TB::txtLargest] = c.largest;
        h.form[TB::txtTotIter] = c.total;
        h.form[TB::txtOutput] = "typed";
        h.form.separator = c.separator;
        h.step();
        EXPECT_EQ(h.form.writes, c.writes);
        EXPECT_EQ(h.sim.cursize, c.cursizeAfter);
        const bool crossing = c.writes.size() > 1;
        EXPECT_EQ(h.sim.numtorrels, c.torrelsAfter);
        EXPECT_EQ(h.sim.lowval, crossing ? static_cast<double>(c.minimum) : c.lowval);
        const auto& calls = h.form.plotSurface.calls;
        ASSERT_EQ(countOf(calls, K::Line), crossing ? 1 : 0);
        const auto y = static_cast<float>(c.lowval);  // the old line is erased first, across the plot
        if (crossing) {
            EXPECT_EQ(calls.front(), (PlotCall{K::Line, -1, y, 5, y, Colour::buttonFace()}));
        }
    }
}

struct MutationCase {
    const char* name;
    int num, xposold, xpos, rule2;
    std::vector<int> black;  // restored black, in order
    std::vector<int> list;   // erased, given fresh values and drawn red, in order
    friend void PrintTo(const MutationCase& c, std::ostream* os) { *os << c.name; }
};

class Mutation : public ::testing::TestWithParam<std::tuple<MutationCase, bool>> {};

TEST_P(Mutation, RedrawsAndRenewsInOrder)
{
    const auto& [c, spare] = GetParam();
    Harness h;
    std::vector<float> values;
    for (int i = 0; i < c.num; ++i)
        values.push_back(Harness::oldValue(i, c.xpos));
    h.load(values, c.num, spare);
    h.sim.xpos = i16(c.xposold);
    h.form.setCheck(CheckBox::chkRule2, c.rule2);
    h.step();

    Marks expected;
    for (int i : c.black)
        expected.push_back({i, Harness::oldValue(i, c.xpos), 'k'});
    for (int i : c.list)
        expected.push_back({i, Harness::oldValue(i, c.xpos), 'e'});
    std::vector<float> after = values;
    std::size_t draw = 0;
    for (int i : c.list)  // a species named twice keeps its second value
        after[static_cast<std::size_t>(i)] = 10.0f * kUniforms[draw++];
    for (int i : c.list)
        expected.push_back({i, after[static_cast<std::size_t>(i)], 'r'});

    EXPECT_EQ(h.sim.xpos, i16(c.xpos));
    EXPECT_EQ(marks(h.form.plotSurface.calls), expected);
    EXPECT_EQ(h.form.plotSurface.calls.size(), expected.size());
    EXPECT_EQ(h.random.log, "R" + std::string(c.list.size(), 'D'));
    ASSERT_EQ(h.sim.a.size(), c.num);  // trimmed: the spare slot is gone
    for (int i = 0; i < c.num; ++i)
        EXPECT_EQ(h.sim.a.get(i16(i)), Tagged(after[static_cast<std::size_t>(i)])) << i;
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Generation, Mutation, ::testing::Combine(::testing::Values(
    MutationCase{"Interior", 50, 20, 10, 0, {20, 19, 21}, {10, 9, 11}},
    MutationCase{"FirstSpecies", 50, 10, 0, 0, {10, 9, 11}, {49, 0, 1}},
    MutationCase{"LastSpecies", 50, 0, 49, 0, {49, 0, 1}, {48, 49, 0}},
    MutationCase{"RestoreLast", 50, 49, 10, 0, {48, 49, 0}, {10, 9, 11}},
    MutationCase{"SameSpeciesTwice", 50, 10, 10, 0, {10, 9, 11}, {10, 9, 11}},
    MutationCase{"Overlapping", 50, 5, 6, 0, {5, 4, 6}, {6, 5, 7}},
    MutationCase{"OldKeyPastRing", 50, 60, 3, 0, {}, {3, 2, 4}},
    MutationCase{"OldKeyNegative", 50, -1, 3, 0, {}, {3, 2, 4}},
    MutationCase{"CheckValueTwo", 50, 20, 10, 2, {20, 19, 21}, {10, 9, 11}},
    MutationCase{"ThreeInterior", 3, 2, 1, 0, {1, 2, 0}, {1, 0, 2}},
    MutationCase{"ThreeFirst", 3, 1, 0, 0, {1, 0, 2}, {2, 0, 1}},
    MutationCase{"ThreeLast", 3, 0, 2, 0, {2, 0, 1}, {1, 2, 0}},
    MutationCase{"TwoFirst", 2, 1, 0, 0, {0, 1, 0}, {1, 0, 1}},
    MutationCase{"TwoLast", 2, 0, 1, 0, {1, 0, 1}, {0, 1, 0}},
    MutationCase{"OneSpecies", 1, 0, 0, 0, {0, 0, 0}, {0, 0, 0}},
    MutationCase{"OneSpeciesOldKeyLeftOver", 1, 7, 0, 0, {}, {0, 0, 0}},
    MutationCase{"SingleInterior", 50, 20, 10, 1, {20}, {10}},
    MutationCase{"SingleLast", 50, 0, 49, 1, {0}, {49}},
    MutationCase{"SingleFirst", 50, 49, 0, 1, {49}, {0}},
    MutationCase{"SingleSame", 50, 10, 10, 1, {10}, {10}},
    MutationCase{"SingleOldKeyIsCount", 50, 50, 3, 1, {}, {3}},  // left over from a run with more species
    MutationCase{"SingleOldKeyPastRing", 50, 60, 3, 1, {}, {3}},
    MutationCase{"SingleOneSpecies", 1, 0, 0, 1, {0}, {0}},
    MutationCase{"SingleTwoSpecies", 2, 1, 0, 1, {1}, {0}}), ::testing::Bool()),
    [](const auto& info) {
        return std::string(std::get<0>(info.param).name) + (std::get<1>(info.param) ? "WithSpare" : "");
    });
// clang-format on

TEST(Mutation, RuleChangeBetweenGenerations)
{
    Harness h;
    std::vector<float> values;
    for (int i = 0; i < 50; ++i)
        values.push_back(Harness::oldValue(i, 10));
    h.load(values, 50);
    h.sim.xpos = i16(20);
    h.step();  // three-site: 10, 9, 11 become 5, 2.5, 7.5
    EXPECT_EQ(marks(h.form.plotSurface.calls), (Marks{{20, 8.75f, 'k'},
                                                      {19, 8.625f, 'k'},
                                                      {21, 8, 'k'},
                                                      {10, 1, 'e'},
                                                      {9, 8.25f, 'e'},
                                                      {11, 8.5f, 'e'},
                                                      {10, 5, 'r'},
                                                      {9, 2.5f, 'r'},
                                                      {11, 7.5f, 'r'}}));
    h.form.setCheck(CheckBox::chkRule2, 1);
    h.step();  // single-site on 9: only the old key turns black, 11 stays red
    EXPECT_EQ(marks(h.form.plotSurface.calls), (Marks{{10, 5, 'k'}, {9, 2.5f, 'e'}, {9, 5, 'r'}}));
    h.form.setCheck(CheckBox::chkRule2, 0);
    h.step();  // 9 and 10 tie at 5: species 9 is chosen
    EXPECT_EQ(h.sim.xpos, i16(9));
    EXPECT_EQ(marks(h.form.plotSurface.calls), (Marks{{9, 5, 'k'},
                                                      {8, 8.125f, 'k'},
                                                      {10, 5, 'k'},
                                                      {9, 5, 'e'},
                                                      {8, 8.125f, 'e'},
                                                      {10, 5, 'e'},
                                                      {9, 2.5f, 'r'},
                                                      {8, 7.5f, 'r'},
                                                      {10, 5, 'r'}}));
    EXPECT_EQ(h.random.log, "RDDD");
}

TEST(Generation, ArrayWithoutTheSpeciesFailsWithSubscriptError)
{
    for (int slots : {0, 3}) {  // not allocated; shorter than the ring
        Harness h;
        h.sim.num = i16(5);
        if (slots)
            h.sim.a.redim(i16(slots - 1));
        EXPECT_EQ(errorOf([&] { h.step(); }), ErrorCode::SubscriptOutOfRange) << slots;
        EXPECT_TRUE(h.form.writes.empty());
        EXPECT_TRUE(h.form.plotSurface.calls.empty());
    }
    Harness h;  // no species: the three-site list of species 0 starts at index -1
    h.load({}, 0, true);
    EXPECT_EQ(errorOf([&] { h.step(); }), ErrorCode::SubscriptOutOfRange);
}

}  // namespace
}  // namespace quillmar
