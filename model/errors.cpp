#include "errors.h"

namespace quillmar {

std::string errorName(ErrorCode code)
{
    switch (code) {
        case ErrorCode::Overflow:
            return "Overflow";
        case ErrorCode::OutOfMemory:
            return "Out of memory";
        case ErrorCode::SubscriptOutOfRange:
            return "Subscript out of range";
    }
    return "Unknown error";
}

std::string errorMessage(ErrorCode code)
{
    return "Run-time error '" + std::to_string(static_cast<int>(code)) + "': " + errorName(code);
}

RuntimeError::RuntimeError(ErrorCode code) : std::runtime_error(errorMessage(code)), code_(code) {}

void raise(ErrorCode code)
{
    throw RuntimeError(code);
}

}  // namespace quillmar
