#include "batch_command.h"

#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "batch_options.h"
#include "batch_run.h"
#include "output_file.h"
#include "progress_line.h"
#include "random_source.h"

namespace quillmar::batch {

namespace {

constexpr std::string_view kProgram = "quillmar-batch";

volatile std::sig_atomic_t stopSignal = 0;

extern "C" void onStopSignal(int signal)
{
    stopSignal = signal;
}

void message(const std::string& text)
{
    const std::string line = std::string(kProgram) + ": " + text + "\n";
    // Best effort: there is nowhere else to report a failing standard error.
    [[maybe_unused]] const ssize_t n = ::write(STDERR_FILENO, line.data(), line.size());
}

// Ends the process the way coreutils' tools end on a closed pipe: by SIGPIPE,
// silently, so the shell sees the same status as for them.
[[noreturn]] void endByClosedPipe()
{
    std::signal(SIGPIPE, SIG_DFL);
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGPIPE);
    sigprocmask(SIG_UNBLOCK, &set, nullptr);
    std::raise(SIGPIPE);
    std::_Exit(128 + SIGPIPE);
}

// Help and version go to standard output like any data: a failed write is an error.
int printText(const std::string& text)
{
    OutputFile out = OutputFile::standardOutput();
    out.write(text);
    if (out.flush())
        return 0;
    if (out.closedPipe())
        endByClosedPipe();
    message("write error on standard output: " + out.errorText());
    return 1;
}

// A seed from one reading of the clock, mixed with the process id so that
// runs started together differ, within the range a JSON reader keeps exact.
std::uint64_t seedFromClock()
{
    auto z = static_cast<std::uint64_t>(std::chrono::system_clock::now().time_since_epoch().count());
    z ^= static_cast<std::uint64_t>(::getpid()) << 40;
    return splitmix64(z) & kMaxSeed;
}

// Two outputs in one file, under one name or two ("a.csv", "./a.csv"), would
// interleave their rows in it. A device such as /dev/null may take several.
bool sameFile(const std::string& a, const std::string& b)
{
    struct stat sa {};
    struct stat sb {};
    const bool existsA = ::stat(a.c_str(), &sa) == 0, existsB = ::stat(b.c_str(), &sb) == 0;
    if (existsA || existsB)
        return existsA && existsB && S_ISREG(sa.st_mode) && sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
    // Files still to be created: the same path once "." and ".." are resolved.
    std::error_code ea, eb;
    const auto ca = std::filesystem::weakly_canonical(std::filesystem::absolute(a, ea), ea);
    const auto cb = std::filesystem::weakly_canonical(std::filesystem::absolute(b, eb), eb);
    return ea || eb ? a == b : ca == cb;
}

std::optional<std::string> sharedFile(const BatchOptions& o)
{
    for (int a = 0; a < kOutputCount; ++a)
        for (int b = a + 1; b < kOutputCount; ++b) {
            const auto& fa = o.outputs[static_cast<std::size_t>(a)];
            const auto& fb = o.outputs[static_cast<std::size_t>(b)];
            if (fa && fb && *fa != "-" && *fb != "-" && sameFile(*fa, *fb))
                return std::string(optionOf(static_cast<Output>(a))) + " and " +
                       std::string(optionOf(static_cast<Output>(b))) + " both name the file '" + *fb +
                       "'; each output needs a file of its own";
        }
    return std::nullopt;
}

void installSignalHandlers()
{
    struct sigaction stop {};
    stop.sa_handler = onStopSignal;
    sigemptyset(&stop.sa_mask);
    // A second signal takes its default action: a run stuck on a blocked
    // output can still be ended.
    stop.sa_flags = SA_RESTART | SA_RESETHAND;
    sigaction(SIGINT, &stop, nullptr);
    sigaction(SIGTERM, &stop, nullptr);
    // Writes to a closed pipe fail with EPIPE instead, so the summary can
    // still be written before the process ends.
    std::signal(SIGPIPE, SIG_IGN);
}

int run(const BatchOptions& options)
{
    if (const auto shared = sharedFile(options)) {
        message(*shared);
        return 2;
    }
    std::array<std::optional<OutputFile>, kOutputCount> files;
    BatchRun::Outputs outputs{};
    for (int k = 0; k < kOutputCount; ++k) {
        const auto i = static_cast<std::size_t>(k);
        const auto& name = options.outputs[i];
        if (!name)
            continue;
        OutputFile& f =
            files[i].emplace(*name == "-" ? OutputFile::standardOutput() : OutputFile::create(*name));
        if (f.failed()) {
            message("cannot open '" + *name + "' for " + std::string(optionOf(static_cast<Output>(k))) +
                    ": " + f.errorText());
            return 1;
        }
        outputs[i] = &f;
    }

    const std::uint64_t seed = options.seed ? *options.seed : seedFromClock();
    installSignalHandlers();
    if (!options.quiet && !options.seed)
        message("seed " + std::to_string(seed));
    std::optional<ProgressLine> progress;
    if (!options.quiet && ::isatty(STDERR_FILENO))
        progress.emplace(STDERR_FILENO);

    const auto clock = [] {
        return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
    };
    BatchRun batch(options, seed, outputs, clock, progress ? &*progress : nullptr, &stopSignal);
    const BatchRun::Result r = batch.run();

    switch (r.end) {
        case BatchRun::End::WriteError:
            message(
                "write error on " +
                (r.failed->name() == "standard output" ? r.failed->name() : "'" + r.failed->name() + "'") +
                ": " + r.failed->errorText());
            return 1;
        case BatchRun::End::ClosedPipe:
            endByClosedPipe();
        case BatchRun::End::Signal:
            return 128 + r.signal;
        case BatchRun::End::Completed:
            break;
    }
    return 0;
}

}  // namespace

int runBatchCommand(int argc, char** argv)
{
    const std::vector<std::string_view> args(argv + (argc > 0 ? 1 : 0), argv + argc);
    const CommandLine c = parseCommandLine(args);
    switch (c.action) {
        case CommandLine::Action::BadUsage:
            message(c.error);
            return 2;
        case CommandLine::Action::Help:
            return printText(helpText());
        case CommandLine::Action::Version:
            return printText(std::string(kProgram) + " " QUILLMAR_VERSION "\n");
        case CommandLine::Action::Run:
            break;
    }
    try {
        return run(c.options);
    } catch (const std::exception& e) {
        // An engine error (an overflow, a failed allocation) ends the run.
        message(e.what());
        return 1;
    }
}

}  // namespace quillmar::batch
