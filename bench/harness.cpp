#include "harness.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>

namespace quillmar::bench {

namespace {

struct Verdict {
    std::string name;
    std::string figure;
    bool pass;
};

std::vector<Verdict>& verdicts()
{
    static std::vector<Verdict> v;
    return v;
}

std::vector<std::string>& figures()
{
    static std::vector<std::string> f;
    return f;
}

std::map<std::string, std::map<std::string, double>>& counters()
{
    static std::map<std::string, std::map<std::string, double>> c;
    return c;
}

// Passes every report on to Google Benchmark's own console reporter (which
// follows its command-line options) and keeps the time of each run.
class TimingReporter final : public benchmark::BenchmarkReporter {
public:
    explicit TimingReporter(benchmark::BenchmarkReporter& display) : display_(display) {}

    bool ReportContext(const Context& context) override { return display_.ReportContext(context); }
    void ReportRuns(const std::vector<Run>& runs) override
    {
        for (const Run& run : runs) {
            if (run.error_occurred || run.iterations <= 0)
                continue;
            // With repetitions, every repetition counts, or only their median
            // where the repetitions themselves are not reported.
            const bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
            if (run.run_type == Run::RT_Iteration || median) {
                seconds[nameOf(run)].push_back(run.real_accumulated_time /
                                               static_cast<double>(run.iterations));
                for (const auto& [name, counter] : run.counters)
                    if (median || counters()[nameOf(run)].count(name) == 0)
                        counters()[nameOf(run)][name] = counter.value;
            }
        }
        display_.ReportRuns(runs);
    }
    void Finalize() override { display_.Finalize(); }

    std::map<std::string, std::vector<double>> seconds;

private:
    // The benchmark's name and arguments, without "/repeats:N".
    static std::string nameOf(const Run& run)
    {
        std::string name = run.run_name.function_name;
        if (!run.run_name.args.empty())
            name += "/" + run.run_name.args;
        return name;
    }

    benchmark::BenchmarkReporter& display_;
};

}  // namespace

double percentile(std::vector<double> v, double p)
{
    if (v.empty())
        return NAN;
    std::sort(v.begin(), v.end());
    const auto k = static_cast<std::size_t>(std::ceil(p * static_cast<double>(v.size()))) - 1;
    return v[std::min(k, v.size() - 1)];
}

double median(std::vector<double> v)
{
    return percentile(std::move(v), 0.5);
}

void target(const std::string& name, double value, const std::string& unit, Bound bound, double limit)
{
    const bool pass = bound == Bound::Below    ? value < limit
                      : bound == Bound::AtMost ? value <= limit
                                               : value >= limit;
    const char* relation = bound == Bound::Below ? "<" : bound == Bound::AtMost ? "<=" : ">=";
    const std::string space = unit.empty() ? "" : " ";
    char buf[256];
    std::snprintf(buf, sizeof buf, "%.4g%s%s (target %s %.4g%s%s)", value, space.c_str(), unit.c_str(),
                  relation, limit, space.c_str(), unit.c_str());
    verdicts().push_back({name, buf, pass});
}

void condition(const std::string& name, bool met, const std::string& detail)
{
    verdicts().push_back({name, detail, met});
}

void figure(const std::string& name, double value, const std::string& unit)
{
    char buf[256];
    std::snprintf(buf, sizeof buf, "%s: %.4g%s%s", name.c_str(), value, unit.empty() ? "" : " ",
                  unit.c_str());
    figures().emplace_back(buf);
}

double reportedCounter(const std::string& run, const std::string& counter)
{
    const auto r = counters().find(run);
    if (r == counters().end())
        return NAN;
    const auto c = r->second.find(counter);
    return c == r->second.end() ? NAN : c->second;
}

int reportTargets()
{
    if (!figures().empty()) {
        std::printf("\nFigures:\n");
        for (const std::string& f : figures())
            std::printf("  %s\n", f.c_str());
    }
    int failed = 0;
    std::printf("\nTargets:\n");
    for (const Verdict& v : verdicts()) {
        std::printf("%s  %s: %s\n", v.pass ? "PASS" : "FAIL", v.name.c_str(), v.figure.c_str());
        failed += v.pass ? 0 : 1;
    }
    std::printf("%s: %d of %zu targets met\n", failed == 0 ? "ALL PASS" : "SOME FAIL",
                static_cast<int>(verdicts().size()) - failed, verdicts().size());
    std::fflush(stdout);
    return failed == 0 ? kAllTargetsMet : kTargetMissed;
}

std::optional<RunTimes> runBenchmarks(int& argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return std::nullopt;
    TimingReporter reporter(*benchmark::CreateDefaultDisplayReporter());
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    RunTimes times;
    for (auto& [name, seconds] : reporter.seconds)
        times[name] = median(seconds);
    return times;
}

long processStatusKb(const std::string& field)
{
    std::ifstream in("/proc/self/status");
    for (std::string line; std::getline(in, line);)
        if (line.starts_with(field + ":"))
            return std::strtol(line.c_str() + field.size() + 1, nullptr, 10);
    return -1;
}

bool useXDisplay(const std::string& usage)
{
    setenv("QT_QPA_PLATFORM", "xcb", 1);
    const char* display = std::getenv("DISPLAY");
    if (display && *display)
        return true;
    std::fprintf(stderr, "no X display; run under Xvfb:\n  xvfb-run -a -s \"-screen 0 1280x1024x24\" %s\n",
                 usage.c_str());
    return false;
}

}  // namespace quillmar::bench
