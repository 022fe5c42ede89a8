#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <new>
#include <span>
#include <vector>

namespace quillmar {

// The fitness of every species on a ring, with a tree of minima over it, so
// that the least-fit species is known without looking at every one: the
// lowest index holding the smallest value, as the window's scan finds it.
// Every write goes through the tree, so it never goes stale.
//
// Each node holds the smallest value below it and the lowest index holding
// it, over 16 children; a group of 16 values is one cache line. A write
// refreshes one path to the root, so it costs the depth, log16 of the species
// count, and the query reads the root.
class MinimumTree {
public:
    static constexpr int kFan = 16;

    // `species` (at least 1) cells, every one 0.
    explicit MinimumTree(int species);

    int size() const { return species_; }
    float value(int i) const { return values_[static_cast<std::size_t>(i)]; }
    std::span<const float> values() const { return {values_.get(), static_cast<std::size_t>(species_)}; }

    // Writes `count` cells in order (a later write to the same cell wins),
    // then refreshes the path above each group they lie in.
    void set(const int* at, const float* values, int count);
    void set(int i, float v) { set(&i, &v, 1); }
    // Sets cell i to next() for every i in order, then builds the tree.
    template <class Next>
    void fill(Next&& next)
    {
        for (std::size_t i = 0; i < static_cast<std::size_t>(species_); ++i)
            values_[i] = next();
        rebuild();
    }

    // The lowest index whose value is the smallest.
    int firstMinimum() const { return rootIndex_; }

    // The instructions a group of 16 is handled with: "sse2" or "scalar".
    static const char* kernel();

private:
    static constexpr std::align_val_t kLine{64};
    template <class T>
    struct Aligned {
        void operator()(T* p) const { ::operator delete[](p, kLine); }
    };
    template <class T>
    using Buffer = std::unique_ptr<T[], Aligned<T>>;
    template <class T>
    static Buffer<T> allocate(std::size_t n);

    void rebuild();
    // Node `node` of level `level` (1 and up) now holds (m, at): refreshes
    // every node above it.
    void propagate(std::size_t level, std::size_t node, float m, std::int32_t at);

    int species_;
    // Level 0 is the cells; level k + 1 has a node per group of 16 of level
    // k, padded to whole groups with +infinity. The top level is one group.
    std::vector<std::size_t> offsets_;  // where each level starts in values_
    Buffer<float> values_;
    Buffer<std::int32_t> indices_;  // each node's lowest index, at offsets_[k] - offsets_[1]
    std::int32_t rootIndex_ = 0;
};

}  // namespace quillmar
