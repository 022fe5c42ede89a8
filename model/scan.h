#pragma once

#include <span>
#include <string_view>

namespace quillmar {

// Finds the least-fit species: the lowest index among 0..n-1 (n >= 1) whose
// value is the smallest of d[0..n-1]. The values hold no NaN.
using FirstMinimumFunction = int (*)(const float* d, int n);

// One implementation of that scan, for one width of the processor's vector unit.
struct ScanKernel {
    std::string_view name;  // "scalar", "sse2", "avx2" or "avx512"
    FirstMinimumFunction firstMinimum;
};

// The kernels this processor runs: the plain loop first, the widest last.
std::span<const ScanKernel> availableScanKernels();

// The widest kernel this processor runs, chosen once.
const ScanKernel& bestScanKernel();

}  // namespace quillmar
