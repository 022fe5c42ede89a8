#pragma once

namespace quillmar::batch {

// The whole of quillmar-batch: parses the command line, opens the outputs,
// runs and returns the exit status: 0 done, 1 an output failed, 2 bad usage,
// 128 + the signal's number after SIGINT or SIGTERM. A closed pipe ends the
// process by SIGPIPE once everything else is written.
int runBatchCommand(int argc, char** argv);

}  // namespace quillmar::batch
