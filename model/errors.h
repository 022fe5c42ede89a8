#pragma once

#include <stdexcept>
#include <string>

namespace quillmar {

// Run-time error numbers, as the message box reports them.
enum class ErrorCode : int {
    Overflow = 6,
    OutOfMemory = 7,  // an allocation failed (std::bad_alloc)
    SubscriptOutOfRange = 9,
};

// The name shown to the user for an error number ("Overflow", ...).
std::string errorName(ErrorCode code);

// The message that reports an error: "Run-time error '6': Overflow".
std::string errorMessage(ErrorCode code);

// An error that no handler catches: it ends every running handler and loop,
// is shown in a modal message, and then ends the program.
class RuntimeError : public std::runtime_error {
public:
    explicit RuntimeError(ErrorCode code);
    ErrorCode code() const { return code_; }

private:
    ErrorCode code_;
};

[[noreturn]] void raise(ErrorCode code);

}  // namespace quillmar
