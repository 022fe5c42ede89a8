#pragma once

#include <array>
#include <cstdint>

#include "checkpoint.h"
#include "output_file.h"

namespace quillmar::batch {

// Torrel sizes counted in log bins [2^k, 2^(k+1) - 1], k = 0, 1, 2, ...:
// constant memory however many torrels a run has.
class SizeHistogram {
public:
    void add(std::uint64_t size);

    std::uint64_t total() const { return total_; }
    std::uint64_t largest() const { return largest_; }

    // CSV "size_min,size_max,count,density", a row for every bin up to the
    // largest size's, empty ones included; density is count / (bin width x
    // total), an estimate of the probability of one size in the bin.
    void write(OutputFile& out) const;

    void save(CheckpointWriter& w) const;
    void load(CheckpointReader& r);

private:
    std::array<std::uint64_t, 64> counts_{};
    std::uint64_t total_ = 0;
    std::uint64_t largest_ = 0;
};

}  // namespace quillmar::batch
