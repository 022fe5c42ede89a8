#pragma once

// What the benchmark programs share: targets with one PASS/FAIL verdict each,
// printed together at the end, the order statistics they are judged on, and
// one convention for the exit status.

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace quillmar::bench {

// The exit status of every benchmark program.
inline constexpr int kAllTargetsMet = 0;
inline constexpr int kTargetMissed = 1;
inline constexpr int kCannotRun = 2;  // a bad command line, or no X display

// The smallest value with at least the share `p` (0 < p <= 1) of `v` at or
// below it: percentile(v, 1.0) is the largest. NaN for no values.
double percentile(std::vector<double> v, double p);
double median(std::vector<double> v);

enum class Bound { Below, AtMost, AtLeast };

// Records a target on a figure, printed as "value unit (target < limit unit)".
void target(const std::string& name, double value, const std::string& unit, Bound bound, double limit);
// Records a condition without a figure; `detail` says what was seen.
void condition(const std::string& name, bool met, const std::string& detail);
// Records a figure that is reported beside the targets but judged by none.
void figure(const std::string& name, double value, const std::string& unit);

// Prints every verdict recorded so far under "Targets:", then a summary line,
// and returns the exit status they give.
int reportTargets();

// Seconds per iteration of each benchmark run, by the name it is reported
// under ("BM_Generation/50"); the median where the run was repeated.
using RunTimes = std::map<std::string, double>;

// Runs the benchmarks the command line selects, reported on the console as
// Google Benchmark reports them; nothing when the command line has an option
// that neither Google Benchmark nor the program knows.
std::optional<RunTimes> runBenchmarks(int& argc, char** argv);
// A user counter of a benchmark run that runBenchmarks reported ("BM_BatchRun/50",
// "csv_bytes"): the median where the run was repeated, NaN when there is none.
double reportedCounter(const std::string& run, const std::string& counter);

// A field of /proc/self/status in kB ("VmRSS", "VmHWM"); -1 when unreadable.
long processStatusKb(const std::string& field);

// For the window's benchmarks, whose figures are about a real display
// connection: sets Qt's platform to X11 and, without an X display, prints how
// to run under Xvfb (`usage` names the program and its arguments) and returns false.
bool useXDisplay(const std::string& usage);

}  // namespace quillmar::bench
