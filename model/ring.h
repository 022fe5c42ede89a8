#pragma once

#include <cstdint>

#include "minimum_tree.h"
#include "random_source.h"
#include "species_list.h"

namespace quillmar {

// The mutation rule: the least-fit species and its two ring neighbours, or
// the least-fit species alone (the window's "Remove Rule 2").
enum class Rule { ThreeSite, SingleSite };

// A completed torrel: the generation (from 1) whose crossing ended it, the
// threshold that crossing set, and the torrel's size in generations.
struct Torrel {
    std::uint64_t generation = 0;
    double threshold = 0;
    std::uint64_t size = 0;
};

// Told of every torrel as it completes.
class TorrelSink {
public:
    virtual ~TorrelSink() = default;
    // Called once per crossing, before the next generation starts.
    virtual void torrel(const Torrel& t) = 0;
};

// What a ring's state is between generations.
struct RingState {
    std::uint64_t generation = 0;  // generations run
    int xpos = 0;                  // the least-fit species of the latest generation
    int xposold = 0;               // the least-fit species of the one before
    float minimum = 0;             // the latest generation's minimum: xpos's fitness then
    double lowval = 0;             // the threshold
    std::uint64_t cursize = 1;     // the size of the torrel in progress
    std::uint64_t torrels = 0;     // torrels completed
};

// The window's generation step without the window, on a ring of any size:
// the same draws in the same order, the same selection (the lowest index
// holding the minimum), the same crossings and torrels, kept in plain
// counters, with the least-fit species found by a tree of minima instead of
// a full scan. The window's engine, `Simulation`, keeps its scan and its
// texts; the tests run both in lock-step.
//
// `Random` gives reseed() and nextUniform() (CountedRandom in the batch);
// `Cells` keeps the fitness values and finds the least-fit (MinimumTree).
template <class Random, class Cells = MinimumTree>
class Ring {
public:
    Ring(int species, Rule rule, Random& random, TorrelSink& sink)
        : species_(species), rule_(rule), random_(random), sink_(sink), cells_(species)
    {
    }

    int species() const { return species_; }
    Rule rule() const { return rule_; }
    const RingState& state() const { return state_; }
    const Cells& cells() const { return cells_; }

    // The population of a Begin: a reseed and a fresh value for every
    // species in turn.
    void begin()
    {
        cells_.fill([this] {
            random_.reseed();
            return freshFitness(random_);
        });
    }

    // Goes on from a state a ring had, with its fitness values given by
    // next() in species order (a checkpoint's); the generator must be where
    // it stood then.
    template <class Next>
    void restore(const RingState& state, Next&& next)
    {
        state_ = state;
        cells_.fill(next);
    }

    // One generation: select, count, then mutate.
    void step()
    {
        RingState& s = state_;
        s.xposold = s.xpos;
        s.xpos = cells_.firstMinimum();
        s.minimum = cells_.value(s.xpos);
        ++s.generation;
        if (static_cast<double>(s.minimum) > s.lowval) {
            s.lowval = s.minimum;
            ++s.torrels;
            sink_.torrel({s.generation, s.lowval, s.cursize});
            s.cursize = 1;
        } else {
            ++s.cursize;
        }

        random_.reseed();
        if (rule_ == Rule::SingleSite) {
            cells_.set(s.xpos, freshFitness(random_));
        } else {
            // xpos lies on the ring, so the list has its three species.
            const SpeciesList<int> list = threeSiteList(s.xpos, species_);
            const float fresh[3] = {freshFitness(random_), freshFitness(random_), freshFitness(random_)};
            cells_.set(list.items.data(), fresh, 3);
        }
    }

private:
    int species_;
    Rule rule_;
    Random& random_;
    TorrelSink& sink_;
    Cells cells_;
    RingState state_;
};

}  // namespace quillmar
