#pragma once

namespace quillmar::batch {

// The whole of quillmar-batch: parses the command line, opens the outputs,
// runs and returns the exit status: 0 done, 1 an output failed, 2 bad usage.
// SIGINT, SIGTERM or SIGHUP, and else a closed pipe (SIGPIPE), end the process
// by that signal once everything is written.
int runBatchCommand(int argc, char** argv);

}  // namespace quillmar::batch
