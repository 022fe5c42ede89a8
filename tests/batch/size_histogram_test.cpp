// The log-binned distribution of torrel sizes, on cases small enough to work
// out by hand.

#include "size_histogram.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "temp_file.h"

namespace quillmar::batch {
namespace {

TEST(SizeHistogram, BinsCountsAndDensities)
{
    const struct {
        std::vector<std::uint64_t> sizes;
        std::string csv;
    } rows[] = {
        {{}, "size_min,size_max,count,density\n"},
        // Six torrels: density = count / (bin width x 6).
        {{1, 1, 2, 3, 5, 8},
         "size_min,size_max,count,density\n"
         "1,1,2,0.3333333333333333\n"
         "2,3,2,0.16666666666666666\n"
         "4,7,1,0.041666666666666664\n"
         "8,15,1,0.020833333333333332\n"},
        // Empty bins below the largest are written; none above it.
        {{100, 1},
         "size_min,size_max,count,density\n"
         "1,1,1,0.5\n2,3,0,0\n4,7,0,0\n8,15,0,0\n16,31,0,0\n32,63,0,0\n64,127,1,0.0078125\n"},
        {{7, 4}, "size_min,size_max,count,density\n1,1,0,0\n2,3,0,0\n4,7,2,0.25\n"},
        {{1000000000000000},
         "size_min,size_max,count,density\n" +
             [] {
                 std::string s;
                 for (int k = 0; k < 49; ++k)
                     s += std::to_string(1ULL << k) + "," + std::to_string((2ULL << k) - 1) + ",0,0\n";
                 return s;
             }() +
             "562949953421312,1125899906842623,1,1.7763568394002505e-15\n"},
    };
    for (const auto& row : rows) {
        SizeHistogram h;
        for (std::uint64_t s : row.sizes)
            h.add(s);
        EXPECT_EQ(h.total(), row.sizes.size());
        test::TempFile file;
        OutputFile out = OutputFile::create(file.path());
        h.write(out);
        ASSERT_TRUE(out.flush());
        EXPECT_EQ(file.read(), row.csv);
    }
}

}  // namespace
}  // namespace quillmar::batch
