#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "int16.h"
#include "scan.h"
#include "tagged.h"

namespace quillmar {

// The fitness array `a`: one dimension, lower bound 0, cells that are empty
// or hold a single-precision fitness. Every access is bounds-checked and
// raises the subscript-out-of-range error when the array does not exist or
// does not hold the index.
class FitnessArray {
public:
    // Discards everything and makes a new array with indices 0..upper, all
    // empty. An upper bound below 0 is a subscript error.
    void redim(Int16 upper);
    // Keeps the values at 0..upper and drops every slot above (or adds empty
    // ones). An upper bound below 0 is a subscript error.
    void redimPreserve(Int16 upper)
    {
        // Every generation trims to the size the array already has but once.
        if (allocated_ && upper.value() >= 0 && upper.value() + 1 == size())
            return;
        resize(upper);
    }

    bool allocated() const { return allocated_; }
    // Number of slots (upper bound + 1); 0 when not allocated.
    int size() const { return static_cast<int>(values_.size()); }

    Tagged get(Int16 i) const
    {
        const auto k = check(i);
        return filled_[k] ? Tagged(values_[k]) : Tagged();
    }
    // The cell as a number: an empty cell reads as 0.
    float value(Int16 i) const { return values_[check(i)]; }
    bool isEmpty(Int16 i) const { return !filled_[check(i)]; }
    void set(Int16 i, float f)
    {
        const auto k = check(i);
        values_[k] = f;
        filled_[k] = 1;
    }

    // Raw cells for fast scans: empty cells hold 0, so comparisons read them as 0.
    const float* data() const { return values_.data(); }

    // The least-fit of the first n cells (n >= 1, at most size()): the lowest
    // index holding the smallest value, found by a full scan.
    int firstMinimum(int n) const { return firstMinimum_(values_.data(), n); }
    // The scan that firstMinimum runs (tests force each kernel).
    void useScanKernel(const ScanKernel& kernel) { firstMinimum_ = kernel.firstMinimum; }

private:
    void resize(Int16 upper);
    std::size_t check(Int16 i) const
    {
        if (!allocated_ || i.value() < 0 || i.value() >= size())
            raise(ErrorCode::SubscriptOutOfRange);
        return static_cast<std::size_t>(i.value());
    }

    bool allocated_ = false;
    std::vector<float> values_;
    std::vector<std::uint8_t> filled_;
    FirstMinimumFunction firstMinimum_ = bestScanKernel().firstMinimum;
};

}  // namespace quillmar
