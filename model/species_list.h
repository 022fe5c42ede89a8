#pragma once

#include <array>

namespace quillmar {

// The species a three-site generation keyed on k works on, in the order
// used: interior k gives k, k-1, k+1; the two ends wrap round the ring; a
// key outside the ring gives no species. `I` is the index type: the window's
// checked 16-bit integer, or a plain int in the batch.
template <class I>
struct SpeciesList {
    std::array<I, 3> items{};
    int count = 0;
};

template <class I>
[[gnu::always_inline]] inline SpeciesList<I> threeSiteList(I k, I num)
{
    const I zero(0), one(1);
    const I last = num - one;
    if (k < last && k > zero)
        return {{k, k - one, k + one}, 3};
    if (k == zero) {
        // With one species both neighbours of species 0 are species 0.
        if (num == one)
            return {{zero, zero, zero}, 3};
        return {{last, zero, one}, 3};
    }
    if (k == last)
        return {{num - I(2), last, zero}, 3};
    return {};
}

}  // namespace quillmar
