#include "size_histogram.h"

#include <bit>

namespace quillmar::batch {

void SizeHistogram::add(std::uint64_t size)
{
    if (size == 0)
        return;  // no torrel has size 0
    ++counts_[static_cast<std::size_t>(std::bit_width(size) - 1)];
    ++total_;
    if (size > largest_)
        largest_ = size;
}

void SizeHistogram::save(CheckpointWriter& w) const
{
    w.counts(counts_);
    w.u64(total_);
    w.u64(largest_);
}

void SizeHistogram::load(CheckpointReader& r)
{
    r.counts(counts_);
    total_ = r.u64();
    largest_ = r.u64();
}

void SizeHistogram::write(OutputFile& out) const
{
    out.write("size_min,size_max,count,density\n");
    const int bins = std::bit_width(largest_);
    for (int k = 0; k < bins; ++k) {
        const std::uint64_t low = std::uint64_t{1} << k;
        const std::uint64_t count = counts_[static_cast<std::size_t>(k)];
        out.row()
            .add(low)
            .add(2 * low - 1)
            .add(count)
            .add(static_cast<double>(count) / (static_cast<double>(low) * static_cast<double>(total_)))
            .end();
    }
}

}  // namespace quillmar::batch
