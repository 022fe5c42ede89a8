#include "batch_command.h"

#include <unistd.h>

#include <array>
#include <chrono>
#include <csignal>
#include <exception>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "batch_options.h"
#include "batch_run.h"
#include "output_file.h"
#include "process_setup.h"
#include "progress_line.h"
#include "random_source.h"

namespace quillmar::batch {

namespace {

constexpr std::string_view kProgram = "quillmar-batch";

void message(const std::string& text)
{
    const std::string line = std::string(kProgram) + ": " + text + "\n";
    // Best effort: there is nowhere else to report a failing standard error.
    [[maybe_unused]] const ssize_t n = ::write(STDERR_FILENO, line.data(), line.size());
}

std::string writeError(const OutputFile& f)
{
    return "write error on " + (f.name() == "standard output" ? f.name() : "'" + f.name() + "'") + ": " +
           f.errorText();
}

// Help and version go to standard output like any data: a failed write is an error.
int printText(const std::string& text)
{
    OutputFile out = OutputFile::standardOutput();
    out.write(text);
    if (out.close())
        return 0;
    if (out.closedPipe())
        endBySignal(SIGPIPE);
    message(writeError(out));
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

using Files = std::array<std::optional<OutputFile>, kOutputCount>;

std::string described(const BatchOptions& o, int k)
{
    const std::string& name = *o.outputs[static_cast<std::size_t>(k)];
    return std::string(optionOf(static_cast<Output>(k))) +
           (name == "-" ? " (standard output)" : " ('" + name + "')");
}

// Two outputs in one file, under two names ("a.csv", "./a.csv", a link, or
// standard output's file) would interleave their rows in it.
std::optional<std::string> sharedFile(const BatchOptions& o, const Files& files)
{
    for (int a = 0; a < kOutputCount; ++a)
        for (int b = a + 1; b < kOutputCount; ++b) {
            const auto& fa = files[static_cast<std::size_t>(a)];
            const auto& fb = files[static_cast<std::size_t>(b)];
            if (fa && fb && fa->sameFileAs(*fb))
                return described(o, a) + " and " + described(o, b) +
                       " are one file; each output needs a file of its own";
        }
    return std::nullopt;
}

// Opens every output, then empties them: a command that cannot run leaves
// every file as it was (exit status 1 or 2, or 0 when all opened).
int openOutputs(const BatchOptions& options, Files& files)
{
    const auto discardAll = [&files] {
        for (auto& f : files)
            if (f)
                f->discard();
    };
    for (int k = 0; k < kOutputCount; ++k) {
        const auto i = static_cast<std::size_t>(k);
        const auto& name = options.outputs[i];
        if (!name)
            continue;
        const OutputFile& f =
            files[i].emplace(*name == "-" ? OutputFile::standardOutput() : OutputFile::open(*name));
        if (f.failed()) {
            message("cannot open '" + *name + "' for " + std::string(optionOf(static_cast<Output>(k))) +
                    ": " + f.errorText());
            discardAll();
            return 1;
        }
    }
    if (const auto shared = sharedFile(options, files)) {
        message(*shared);
        discardAll();
        return 2;
    }
    for (int k = 0; k < kOutputCount; ++k)
        if (auto& f = files[static_cast<std::size_t>(k)]; f && !f->truncate()) {
            message("cannot empty '" + f->name() + "' for " + std::string(optionOf(static_cast<Output>(k))) +
                    ": " + f->errorText());
            return 1;
        }
    return 0;
}

int run(const BatchOptions& options)
{
    Files files;
    if (const int status = openOutputs(options, files); status != 0)
        return status;
    BatchRun::Outputs outputs{};
    for (std::size_t i = 0; i < files.size(); ++i)
        outputs[i] = files[i] ? &*files[i] : nullptr;

    const std::uint64_t seed = options.seed ? *options.seed : seedFromClock();
    const volatile std::sig_atomic_t* const stop = catchStopSignals();
    if (!options.quiet && !options.seed)
        message("seed " + std::to_string(seed));
    std::optional<ProgressLine> progress;
    if (!options.quiet && ::isatty(STDERR_FILENO))
        progress.emplace(STDERR_FILENO);

    const auto clock = [] {
        return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
    };
    BatchRun batch(options, seed, outputs, clock, progress ? &*progress : nullptr, stop);
    batch.run();

    // Everything is written; closing may still fail, and counts as a failed write.
    const OutputFile* failed = nullptr;
    bool closedPipe = false;
    for (auto& f : files) {
        if (!f || f->close())
            continue;
        if (f->closedPipe())
            closedPipe = true;
        else if (!failed)
            failed = &*f;
    }
    if (failed)
        message(writeError(*failed));
    // A stop signal, even one after the last generation, ends the process by
    // itself, so that a shell loop stops too.
    if (const int signal = *stop; signal != 0)
        endBySignal(signal);
    if (failed)
        return 1;
    if (closedPipe)
        endBySignal(SIGPIPE);
    return 0;
}

}  // namespace

int runBatchCommand(int argc, char** argv)
{
    openClosedStandardDescriptors();
    exitOnOutOfMemory();
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
        // An engine error (an overflow) ends the run.
        message(e.what());
        return 1;
    }
}

}  // namespace quillmar::batch
