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

void FitnessArray::resize(Int16 upper)
{
    if (!allocated_ || upper.value() < 0)
        raise(ErrorCode::SubscriptOutOfRange);
    const auto n = static_cast<std::size_t>(upper.value()) + 1;
    values_.resize(n, 0.0f);
    filled_.resize(n, 0);
}

}  // namespace quillmar
