#include "minimum_tree.h"

#include <array>
#include <limits>
#include <new>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace quillmar {

namespace {

constexpr std::size_t kFan = MinimumTree::kFan;
constexpr float kPadding = std::numeric_limits<float>::infinity();

std::size_t roundUp(std::size_t n)
{
    return (n + kFan - 1) / kFan * kFan;
}

// A group of 16 values held in registers. Groups are read and written whole,
// so a read never waits on a narrower write to the same line.
#if defined(__SSE2__)
struct Group {
    __m128 q[4];
};

// All ones in lane l of row l.
alignas(64) constexpr auto kLaneMasks = [] {
    std::array<std::array<std::int32_t, kFan>, kFan> m{};
    for (std::size_t l = 0; l < kFan; ++l)
        m[l][l] = -1;
    return m;
}();

inline Group load(const float* p)
{
    return {{_mm_load_ps(p), _mm_load_ps(p + 4), _mm_load_ps(p + 8), _mm_load_ps(p + 12)}};
}
inline void store(float* p, const Group& g)
{
    for (int i = 0; i < 4; ++i)
        _mm_store_ps(p + 4 * i, g.q[i]);
}
inline void insert(Group& g, std::size_t lane, float x)
{
    const __m128 v = _mm_set1_ps(x);
    const auto* mask = reinterpret_cast<const __m128*>(kLaneMasks[lane].data());
    for (int i = 0; i < 4; ++i)
        g.q[i] = _mm_or_ps(_mm_and_ps(mask[i], v), _mm_andnot_ps(mask[i], g.q[i]));
}
inline float minimum(const Group& g)
{
    __m128 m = _mm_min_ps(_mm_min_ps(g.q[0], g.q[1]), _mm_min_ps(g.q[2], g.q[3]));
    m = _mm_min_ps(m, _mm_movehl_ps(m, m));
    m = _mm_min_ss(m, _mm_shuffle_ps(m, m, 1));
    return _mm_cvtss_f32(m);
}
// The first lane that holds m; one of them does.
inline std::size_t firstEqual(const Group& g, float m)
{
    const __m128 k = _mm_set1_ps(m);
    unsigned bits = 0;
    for (int i = 0; i < 4; ++i)
        bits |= static_cast<unsigned>(_mm_movemask_ps(_mm_cmpeq_ps(g.q[i], k))) << (4 * i);
    return static_cast<std::size_t>(__builtin_ctz(bits));
}
#else
struct Group {
    std::array<float, kFan> v;
};
inline Group load(const float* p)
{
    Group g;
    for (std::size_t i = 0; i < kFan; ++i)
        g.v[i] = p[i];
    return g;
}
inline void store(float* p, const Group& g)
{
    for (std::size_t i = 0; i < kFan; ++i)
        p[i] = g.v[i];
}
inline void insert(Group& g, std::size_t lane, float x)
{
    g.v[lane] = x;
}
inline float minimum(const Group& g)
{
    float m = g.v[0];
    for (std::size_t i = 1; i < kFan; ++i)
        m = g.v[i] < m ? g.v[i] : m;
    return m;
}
inline std::size_t firstEqual(const Group& g, float m)
{
    std::size_t i = 0;
    while (g.v[i] != m)
        ++i;
    return i;
}
#endif

}  // namespace

template <class T>
MinimumTree::Buffer<T> MinimumTree::allocate(std::size_t n)
{
    return Buffer<T>(static_cast<T*>(::operator new[](n * sizeof(T), kLine)));
}

MinimumTree::MinimumTree(int species) : species_(species)
{
    std::size_t capacity = 0;
    for (std::size_t n = roundUp(static_cast<std::size_t>(species));; n = roundUp(n / kFan)) {
        offsets_.push_back(capacity);
        capacity += n;
        if (n == kFan)
            break;
    }
    offsets_.push_back(capacity);  // the end of the top level
    values_ = allocate<float>(capacity);
    indices_ = allocate<std::int32_t>(capacity - offsets_[1] + 1);
    for (std::size_t i = 0; i < capacity; ++i)
        values_[i] = i < static_cast<std::size_t>(species) ? 0.0f : kPadding;
    rebuild();
}

const char* MinimumTree::kernel()
{
#if defined(__SSE2__)
    return "sse2";
#else
    return "scalar";
#endif
}

void MinimumTree::rebuild()
{
    const std::size_t levels = offsets_.size() - 1;
    for (std::size_t k = 0; k < levels; ++k) {
        const std::size_t groups = (offsets_[k + 1] - offsets_[k]) / kFan;
        for (std::size_t g = 0; g < groups; ++g) {
            const Group group = load(&values_[offsets_[k] + g * kFan]);
            const float m = minimum(group);
            const std::size_t lane = firstEqual(group, m);
            const auto at = static_cast<std::int32_t>(
                k == 0 ? g * kFan + lane : indices_[offsets_[k] - offsets_[1] + g * kFan + lane]);
            if (k + 1 == levels) {
                rootIndex_ = at;
            } else {
                values_[offsets_[k + 1] + g] = m;
                indices_[offsets_[k + 1] - offsets_[1] + g] = at;
            }
        }
    }
}

void MinimumTree::set(const int* at, const float* v, int count)
{
    for (int i = 0; i < count; ++i) {
        const auto g = static_cast<std::size_t>(at[i]) / kFan;
        bool seen = false;
        for (int j = 0; j < i; ++j)
            seen = seen || static_cast<std::size_t>(at[j]) / kFan == g;
        if (seen)
            continue;
        // Every write to this group, in order, in registers; then the group
        // goes back whole and its minimum up the tree.
        float* p = &values_[g * kFan];
        Group group = load(p);
        for (int j = i; j < count; ++j)
            if (static_cast<std::size_t>(at[j]) / kFan == g)
                insert(group, static_cast<std::size_t>(at[j]) % kFan, v[j]);
        store(p, group);
        const float m = minimum(group);
        propagate(1, g, m, static_cast<std::int32_t>(g * kFan + firstEqual(group, m)));
    }
}

void MinimumTree::propagate(std::size_t level, std::size_t node, float m, std::int32_t at)
{
    const std::size_t levels = offsets_.size() - 1;
    for (; level < levels; ++level) {
        const std::size_t g = node / kFan;
        float* p = &values_[offsets_[level] + g * kFan];
        std::int32_t* index = &indices_[offsets_[level] - offsets_[1] + g * kFan];
        Group group = load(p);
        insert(group, node % kFan, m);
        store(p, group);
        index[node % kFan] = at;
        m = minimum(group);
        at = index[firstEqual(group, m)];
        node = g;
    }
    rootIndex_ = at;
}

}  // namespace quillmar
