// The scripted random source: it replays its numbers in order, cycling, a
// reseed neither consumes nor restarts them, and the log keeps the order of
// reseeds and draws.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "scripted_random.h"

namespace quillmar::testing {
namespace {

TEST(ScriptedRandom, ReplaysItsNumbersAndLogsReseedsAndDraws)
{
    const struct {
        std::vector<float> script;
        std::string calls;  // 'R' reseed, 'D' draw
        std::vector<float> drawn;
        int reseeds;
    } cases[] = {
        {{0.5f}, "DDD", {0.5f, 0.5f, 0.5f}, 0},
        {{0.1f, 0.2f, 0.3f}, "DRDDD", {0.1f, 0.2f, 0.3f, 0.1f}, 1},
        {{0.25f, 0.75f}, "RDRRD", {0.25f, 0.75f}, 3},
        {{0.25f, 0.75f}, "RR", {}, 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.calls);
        ScriptedRandom random(c.script);
        std::vector<float> drawn;
        for (char call : c.calls) {
            if (call == 'R')
                random.reseed();
            else
                drawn.push_back(random.nextUniform());
        }
        EXPECT_EQ(drawn, c.drawn);
        EXPECT_EQ(random.log, c.calls);
        EXPECT_EQ(random.reseeds, c.reseeds);
    }
}

}  // namespace
}  // namespace quillmar::testing
