#include "size_histogram.h"

#include <bit>
#include <charconv>

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

void SizeHistogram::write(OutputFile& out) const
{
    out.write("size_min,size_max,count,density\n");
    const int bins = std::bit_width(largest_);
    for (int k = 0; k < bins; ++k) {
        const std::uint64_t low = std::uint64_t{1} << k;
        const std::uint64_t count = counts_[static_cast<std::size_t>(k)];
        char* p = out.reserve(OutputFile::kReserveMax);
        char* const end = p + OutputFile::kReserveMax;
        p = std::to_chars(p, end, low).ptr;
        *p++ = ',';
        p = std::to_chars(p, end, 2 * low - 1).ptr;
        *p++ = ',';
        p = std::to_chars(p, end, count).ptr;
        *p++ = ',';
        p = std::to_chars(
                p, end, static_cast<double>(count) / (static_cast<double>(low) * static_cast<double>(total_)))
                .ptr;
        *p++ = '\n';
        out.commit(p);
    }
}

}  // namespace quillmar::batch
