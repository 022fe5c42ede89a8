#include "fitness_array.h"

namespace quillmar {

void FitnessArray::redim(Int16 upper)
{
    if (upper.value() < 0)
        raise(ErrorCode::SubscriptOutOfRange);
    const auto n = static_cast<std::size_t>(upper.value()) + 1;
    values_.assign(n, 0.0f);
    filled_.assign(n, 0);
    allocated_ = true;
}

void FitnessArray::redimPreserve(Int16 upper)
{
    if (!allocated_ || upper.value() < 0)
        raise(ErrorCode::SubscriptOutOfRange);
    const auto n = static_cast<std::size_t>(upper.value()) + 1;
    values_.resize(n, 0.0f);
    filled_.resize(n, 0);
}

void FitnessArray::set(Int16 i, float f)
{
    const auto k = check(i);
    values_[k] = f;
    filled_[k] = 1;
}

}  // namespace quillmar
