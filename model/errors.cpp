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

std::string errorMessage(ErrorCode code, const std::string& detail)
{
    std::string text = "Run-time error '" + std::to_string(static_cast<int>(code)) + "': " + errorName(code);
    if (!detail.empty())
        text += " (" + detail + ")";
    return text;
}

RuntimeError::RuntimeError(ErrorCode code, const std::string& detail)
    : std::runtime_error(errorMessage(code, detail)), code_(code)
{
}

void raise(ErrorCode code, const std::string& detail)
{
    throw RuntimeError(code, detail);
}

}  // namespace quillmar
