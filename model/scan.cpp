#include "scan.h"

#include <array>
#include <cstdint>
#include <cstring>

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define QUILLMAR_SCAN_X86 1
#include <immintrin.h>
#endif

namespace quillmar {

namespace {

// The plain loop: a later value equal to the minimum never displaces an
// earlier one.
int scalarFirstMinimum(const float* d, int n)
{
    float best = d[0];
    int at = 0;
    for (int i = 1; i < n; ++i) {
        if (d[i] < best) {
            best = d[i];
            at = i;
        }
    }
    return at;
}

}  // namespace

#if QUILLMAR_SCAN_X86

// SSE2 is part of every x86-64 processor; the wider kernels are compiled for
// their own instruction sets and run only where the processor has them.
namespace sse2 {
constexpr int kLanes = 4;
using Vf = float __attribute__((vector_size(16)));
inline int narrower(const float* d, int n)
{
    return scalarFirstMinimum(d, n);
}
[[gnu::always_inline]] inline unsigned laneBits(Vf mask)
{
    return static_cast<unsigned>(_mm_movemask_ps(mask));
}
#define QUILLMAR_SCAN_TARGET
#include "scan_kernel.inc"
#undef QUILLMAR_SCAN_TARGET
}  // namespace sse2

namespace avx2 {
constexpr int kLanes = 8;
using Vf = float __attribute__((vector_size(32)));
inline int narrower(const float* d, int n)
{
    return sse2::firstMinimum(d, n);
}
[[gnu::always_inline, gnu::target("avx2")]] inline unsigned laneBits(Vf mask)
{
    return static_cast<unsigned>(_mm256_movemask_ps(mask));
}
#define QUILLMAR_SCAN_TARGET [[gnu::target("avx2")]]
#include "scan_kernel.inc"
#undef QUILLMAR_SCAN_TARGET
}  // namespace avx2

namespace avx512 {
constexpr int kLanes = 16;
using Vf = float __attribute__((vector_size(64)));
inline int narrower(const float* d, int n)
{
    return avx2::firstMinimum(d, n);
}
[[gnu::always_inline, gnu::target("avx512f")]] inline unsigned laneBits(Vf mask)
{
    return _mm512_test_epi32_mask(__m512i(mask), __m512i(mask));
}
#define QUILLMAR_SCAN_TARGET [[gnu::target("avx512f")]]
#include "scan_kernel.inc"
#undef QUILLMAR_SCAN_TARGET
}  // namespace avx512

std::span<const ScanKernel> availableScanKernels()
{
    static const std::array<ScanKernel, 4> all{{{"scalar", scalarFirstMinimum},
                                                {"sse2", sse2::firstMinimum},
                                                {"avx2", avx2::firstMinimum},
                                                {"avx512", avx512::firstMinimum}}};
    static const std::size_t count = [] {
        __builtin_cpu_init();
        if (!__builtin_cpu_supports("avx2"))
            return std::size_t{2};
        if (!__builtin_cpu_supports("avx512f"))
            return std::size_t{3};
        return std::size_t{4};
    }();
    return {all.data(), count};
}

#else

std::span<const ScanKernel> availableScanKernels()
{
    static const std::array<ScanKernel, 1> all{{{"scalar", scalarFirstMinimum}}};
    return all;
}

#endif

const ScanKernel& bestScanKernel()
{
    static const ScanKernel& best = availableScanKernels().back();
    return best;
}

}  // namespace quillmar
