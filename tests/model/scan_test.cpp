// The vectorised scan that selects the least-fit species chooses exactly what
// the plain loop chooses, on every kernel this processor runs.

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <stdexcept>
#include <string>
#include <tuple>
#include <vector>

#include "recording_form.h"
#include "scan.h"
#include "scripted_random.h"
#include "silent_form.h"
#include "simulation.h"

namespace quillmar {
namespace {

int plainFirstMinimum(const float* d, int n)
{
    int at = 0;
    for (int i = 1; i < n; ++i)
        if (d[i] < d[at])
            at = i;
    return at;
}

std::vector<std::string> kernelNames()
{
    std::vector<std::string> names;
    for (const ScanKernel& k : availableScanKernels())
        names.emplace_back(k.name);
    return names;
}

const ScanKernel& kernelNamed(const std::string& name)
{
    for (const ScanKernel& k : availableScanKernels())
        if (k.name == name)
            return k;
    throw std::invalid_argument(name);
}

// Fitness values on a coarse grid of eight steps, so that many species share
// the minimum; none is 0, so a scan that read the empty spare slot of the
// first generation would choose it.
std::vector<float> coarseUniforms(unsigned seed)
{
    std::mt19937 gen(seed);
    std::vector<float> v(8191);
    for (float& f : v)
        f = static_cast<float>(1 + gen() % 7) / 8.0f;
    return v;
}

using Case = std::tuple<std::string, int, int>;  // kernel, species, chkRule2

class ScanLockStep : public ::testing::TestWithParam<Case> {};

TEST_P(ScanLockStep, ChoosesWhatThePlainLoopChooses)
{
    const auto& [kernel, num, rule2] = GetParam();
    const int generations = num > 1000 ? 1500 : 20000;
    testing::RecordingForm form;
    testing::makeSilent(form, num);
    form.setCheck(CheckBox::chkRule2, rule2);
    testing::ScriptedRandom random(coarseUniforms(static_cast<unsigned>(num * 2 + rule2)));
    Simulation sim(form, random);
    sim.a.useScanKernel(kernelNamed(kernel));
    sim.beginInit();
    int ties = 0;
    for (int g = 0; g < generations; ++g) {
        const float* d = sim.a.data();
        const int expected = plainFirstMinimum(d, num);
        ties += std::count(d, d + num, d[expected]) > 1;
        sim.try_(sim.x, sim.xpos, sim.xposold, sim.a, sim.num);
        ASSERT_EQ(sim.xpos.toInt(), expected) << "generation " << g;
    }
    if (num > 1) {
        EXPECT_GT(ties, generations / 10) << "the source should make ties frequent";
    }
}

INSTANTIATE_TEST_SUITE_P(EveryKernel, ScanLockStep,
                         ::testing::Combine(::testing::ValuesIn(kernelNames()),
                                            ::testing::Values(1, 2, 3, 7, 8, 9, 15, 16, 17, 63, 64, 65, 1000,
                                                              32765),
                                            ::testing::Values(0, 1)),
                         [](const auto& info) {
                             return std::get<0>(info.param) + "_" + std::to_string(std::get<1>(info.param)) +
                                    (std::get<2>(info.param) ? "_SingleSite" : "_ThreeSite");
                         });

// Values beyond the n given never take part, though they are smaller (the
// array's spare slot, or whatever lies past its end), and a tie at the last
// index never displaces the first minimum.
class ScanBounds : public ::testing::TestWithParam<std::string> {};

TEST_P(ScanBounds, ReadsNothingBeyondTheLastSpecies)
{
    const ScanKernel& kernel = kernelNamed(GetParam());
    for (int n = 1; n <= 200; ++n) {
        for (int at : {0, n / 2, n - 1}) {
            std::vector<float> d(static_cast<std::size_t>(n) + 64, -1.0f);
            for (int i = 0; i < n; ++i)
                d[static_cast<std::size_t>(i)] = 5.0f;
            d[static_cast<std::size_t>(at)] = 2.0f;
            d[static_cast<std::size_t>(n - 1)] = 2.0f;
            ASSERT_EQ(kernel.firstMinimum(d.data(), n), at) << "n " << n;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(EveryKernel, ScanBounds, ::testing::ValuesIn(kernelNames()),
                         [](const auto& info) { return info.param; });

TEST(ScanKernels, TheBestIsTheWidestThisProcessorRuns)
{
    const auto kernels = availableScanKernels();
    ASSERT_FALSE(kernels.empty());
    EXPECT_EQ(kernels.front().name, "scalar");
    EXPECT_EQ(bestScanKernel().name, kernels.back().name);
}

}  // namespace
}  // namespace quillmar
