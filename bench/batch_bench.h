#pragma once

#include <cstdint>

namespace quillmar::bench {

// The generations of one iteration of BM_BatchRun and BM_BatchFloor at a
// species count.
std::uint64_t batchRunGenerations(std::int64_t species);
// The generations of one run of BM_BatchLong and BM_BatchLongCheckpointed.
std::uint64_t batchLongGenerations();

}  // namespace quillmar::bench
