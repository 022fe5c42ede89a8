#pragma once

#include <csignal>

namespace quillmar::batch {

// What quillmar-batch sets up in its process before anything else, and how the
// process ends by a signal.

// Opens /dev/null on whichever of standard input, output and error is closed,
// so that no output file takes their number and no message lands in one.
void openClosedStandardDescriptors();

// A failed allocation writes "quillmar-batch: out of memory" and exits with
// status 1, wherever it happens.
void exitOnOutOfMemory();

// SIGINT, SIGTERM and SIGHUP set the returned flag to their number, except one
// that was ignored when the program started; a second one takes its default
// action. Writes to a closed pipe fail with EPIPE instead of raising SIGPIPE.
const volatile std::sig_atomic_t* catchStopSignals();

// Ends the process by `signal` with its default action, so that a shell sees
// it (and a loop in a script stops on Ctrl+C).
[[noreturn]] void endBySignal(int signal);

}  // namespace quillmar::batch
