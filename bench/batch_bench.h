#pragma once

#include <cstdint>

namespace quillmar::bench {

// The generations of one iteration of BM_BatchRun and BM_BatchFloor at a
// species count.
std::uint64_t batchRunGenerations(std::int64_t species);

}  // namespace quillmar::bench
