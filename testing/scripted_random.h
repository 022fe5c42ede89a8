#pragma once

// A random source that replays a fixed list of uniform numbers (cycling) and
// logs 'R' per reseed and 'D' per draw, so tests see the order of the two.

#include <cstddef>
#include <string>
#include <utility>
#include <vector>

#include "random_source.h"

namespace quillmar::testing {

class ScriptedRandom final : public RandomSource {
public:
    explicit ScriptedRandom(std::vector<float> values) : values_(std::move(values)) {}

    void reseed() override
    {
        ++reseeds;
        log += 'R';
    }
    float nextUniform() override
    {
        log += 'D';
        return values_[next_++ % values_.size()];
    }

    int reseeds = 0;
    std::string log;

private:
    std::vector<float> values_;
    std::size_t next_ = 0;
};

}  // namespace quillmar::testing
