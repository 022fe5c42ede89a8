#pragma once

// A random source that replays a fixed list of uniform numbers (cycling) and
// counts reseeds.

#include <cstddef>
#include <utility>
#include <vector>

#include "random_source.h"

namespace quillmar::testing {

class ScriptedRandom final : public RandomSource {
public:
    explicit ScriptedRandom(std::vector<float> values) : values_(std::move(values)) {}
    void reseed() override { ++reseeds; }
    float nextUniform() override
    {
        const float v = values_[next_ % values_.size()];
        ++next_;
        return v;
    }
    int reseeds = 0;
    std::size_t draws() const { return next_; }

private:
    std::vector<float> values_;
    std::size_t next_ = 0;
};

}  // namespace quillmar::testing
