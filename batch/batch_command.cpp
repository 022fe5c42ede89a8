#include "batch_command.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <ctime>
#include <exception>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "batch_options.h"
#include "batch_run.h"
#include "checkpoint.h"
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

void discardAll(Files& files)
{
    for (auto& f : files)
        if (f)
            f->discard();
}

// Opens every output without touching what it holds: the status and line of
// a command that cannot run, after which every file is as it was.
int openOutputs(const BatchOptions& options, Files& files)
{
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
            discardAll(files);
            return 1;
        }
    }
    if (const auto shared = sharedFile(options, files)) {
        message(*shared);
        discardAll(files);
        return 2;
    }
    return 0;
}

// A run that can be resumed writes every output to a file that can be cut
// back, and its checkpoint to none of them.
std::optional<std::string> notResumable(const BatchOptions& options, const Files& files)
{
    const std::string& checkpoint = options.checkpoint ? *options.checkpoint : *options.resume;
    struct stat st {};
    const bool exists = ::stat(checkpoint.c_str(), &st) == 0;
    for (int k = 0; k < kOutputCount; ++k) {
        const auto& f = files[static_cast<std::size_t>(k)];
        if (!f)
            continue;
        if (!f->canCutBack())
            return described(options, k) + " cannot be cut back to a checkpoint's length; give it a file";
        if (exists && f->sameFileAs(st))
            return described(options, k) + " is the checkpoint's file; each needs a file of its own";
    }
    return std::nullopt;
}

// The whole of a file, or nothing with the reason in `error`.
std::optional<std::string> fileContents(const std::string& path, std::string& error)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        error = std::strerror(errno);
        return std::nullopt;
    }
    std::string bytes;
    char buffer[1 << 16];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n > 0) {
            bytes.append(buffer, static_cast<std::size_t>(n));
        } else if (n == 0) {
            break;
        } else if (errno != EINTR) {
            error = std::strerror(errno);
            ::close(fd);
            return std::nullopt;
        }
    }
    ::close(fd);
    return bytes;
}

// Now in UTC, as ISO 8601 writes it: "2026-12-09T18:29:02Z".
std::string utcNow()
{
    const std::time_t t = std::time(nullptr);
    std::tm u{};
    ::gmtime_r(&t, &u);
    char buf[32];
    return std::string(buf, std::strftime(buf, sizeof buf, "%Y-%m-%dT%H:%M:%SZ", &u));
}

int run(const BatchOptions& options, const std::vector<std::string>& commandLine)
{
    // A resumed run reads its checkpoint first and goes no further when the
    // command line asks for another run.
    std::string checkpointBytes;
    std::optional<CheckpointReader> reader;
    CheckpointHeader resumed;
    if (options.resume) {
        const std::string& path = *options.resume;
        std::string error;
        const auto bytes = fileContents(path, error);
        if (!bytes) {
            message("cannot read checkpoint '" + path + "': " + error);
            return 2;
        }
        checkpointBytes = *bytes;
        reader = CheckpointReader::open(checkpointBytes);
        if (reader)
            resumed = CheckpointHeader::read(*reader);
        if (!reader || !reader->ok()) {
            message("checkpoint '" + path + "' is damaged: torn, cut short or altered");
            return 2;
        }
        if (const auto refusal = resumeRefusal(resumed, options, path)) {
            message(*refusal);
            return 2;
        }
    }
    const bool resumable = options.checkpoint || options.resume;
    if (resumable)
        for (int k = 0; k < kOutputCount; ++k)
            if (const auto& name = options.outputs[static_cast<std::size_t>(k)]; name && *name == "-") {
                message(std::string(optionOf(static_cast<Output>(k))) +
                        " is standard output, which a resumed run cannot cut back; give it a file");
                return 2;
            }

    Files files;
    if (const int status = openOutputs(options, files); status != 0)
        return status;
    if (resumable)
        if (const auto why = notResumable(options, files)) {
            message(*why);
            discardAll(files);
            return 2;
        }
    BatchRun::Outputs outputs{};
    for (std::size_t i = 0; i < files.size(); ++i)
        outputs[i] = files[i] ? &*files[i] : nullptr;

    const std::uint64_t seed = options.seed ? *options.seed : options.resume ? resumed.seed : seedFromClock();
    const auto clock = [] {
        return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
    };
    std::optional<ProgressLine> progress;
    if (!options.quiet && ::isatty(STDERR_FILENO))
        progress.emplace(STDERR_FILENO);
    const volatile std::sig_atomic_t* const stop = catchStopSignals();
    BatchRun batch(options, seed, outputs, clock, progress ? &*progress : nullptr, stop);
    batch.setCommandLine(commandLine);

    // Every check passes before any output is cut back or emptied.
    if (options.resume) {
        if (!batch.resumeFrom(resumed, *reader, utcNow())) {
            message("checkpoint '" + *options.resume + "' is damaged: torn, cut short or altered");
            discardAll(files);
            return 2;
        }
        for (int k = 0; k < kOutputCount; ++k) {
            const auto i = static_cast<std::size_t>(k);
            if (const auto& f = files[i]; f && f->regularFile() && f->sizeOnDisk() < resumed.lengths[i]) {
                message(described(options, k) + " holds " + std::to_string(f->sizeOnDisk()) +
                        " bytes, fewer than the " + std::to_string(resumed.lengths[i]) + " checkpoint '" +
                        *options.resume + "' recorded");
                discardAll(files);
                return 2;
            }
        }
    }
    for (int k = 0; k < kOutputCount; ++k) {
        const auto i = static_cast<std::size_t>(k);
        auto& f = files[i];
        if (f && !(options.resume ? f->cutBackTo(resumed.lengths[i]) : f->truncate())) {
            message("cannot " + std::string(options.resume ? "cut back" : "empty") + " '" + f->name() +
                    "' for " + std::string(optionOf(static_cast<Output>(k))) + ": " + f->errorText());
            return 1;
        }
    }

    if (!options.quiet && !options.seed && !options.resume)
        message("seed " + std::to_string(seed));
    const BatchRun::Result result = batch.run();

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
    else if (!result.checkpointError.empty())
        message(result.checkpointError);
    // A stop signal, even one after the last generation, ends the process by
    // itself, so that a shell loop stops too.
    if (const int signal = *stop; signal != 0)
        endBySignal(signal);
    if (failed || !result.checkpointError.empty())
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
        return run(c.options, std::vector<std::string>(argv, argv + argc));
    } catch (const std::exception& e) {
        // An engine error (an overflow) ends the run.
        message(e.what());
        return 1;
    }
}

}  // namespace quillmar::batch
