#pragma once

// The model written from its rules alone, for statistical checks of the
// engine: a generator of its own and an ordered set of (fitness, species)
// that yields the least fit. Slow, simple and independent.

#include <random>
#include <set>
#include <utility>
#include <vector>

namespace quillmar::testing {

class PlainModel {
public:
    PlainModel(int species, bool singleSite, unsigned seed)
        : n_(species), singleSite_(singleSite), gen_(seed), f_(static_cast<std::size_t>(species))
    {
        for (int i = 0; i < n_; ++i)
            byFitness_.emplace(f_[static_cast<std::size_t>(i)] = fresh(), i);
    }

    // One generation; returns its minimum, the fitness of the species renewed.
    float step()
    {
        const auto [minimum, i] = *byFitness_.begin();
        renew(i);
        if (!singleSite_) {
            renew((i + 1) % n_);
            renew((i + n_ - 1) % n_);
        }
        return minimum;
    }

private:
    float fresh() { return static_cast<float>(gen_() >> 40) * (10.0f / 16777216.0f); }
    void renew(int i)
    {
        float& v = f_[static_cast<std::size_t>(i)];
        byFitness_.erase({v, i});
        byFitness_.emplace(v = fresh(), i);
    }

    int n_;
    bool singleSite_;
    std::mt19937_64 gen_;
    std::vector<float> f_;
    std::set<std::pair<float, int>> byFitness_;
};

}  // namespace quillmar::testing
