#include "batch_run.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <string>
#include <utility>

#include "json_writer.h"
#include "numtext.h"
#include "progress_line.h"

namespace quillmar::batch {

namespace {

// The clock is read once per this many generations, so the loop stays as
// cheap as the engine; even at 32765 species that is a few milliseconds.
constexpr std::uint64_t kCheckEvery = 1024;
// Progress and the flushing of the outputs happen at most ten times a second.
constexpr double kTickSeconds = 0.1;

// The statistics that the outputs given ask for; the avalanches' totals go
// to the summary even without their sizes.
Statistics::Wanted wanted(const BatchOptions& o, const BatchRun::Outputs& outputs)
{
    const auto given = [&](Output k) { return outputs[static_cast<std::size_t>(k)] != nullptr; };
    return {o.avalanches, given(Output::Minima), given(Output::Jumps), given(Output::Fitness)};
}

std::string compilerName()
{
#if defined(__clang__)
    return "clang " __clang_version__;
#elif defined(__GNUC__)
    return "GCC " __VERSION__;
#else
    return "unknown";
#endif
}

std::string endName(const BatchRun::Result& r)
{
    switch (r.end) {
        case BatchRun::End::Completed:
            return "completed";
        case BatchRun::End::ClosedPipe:
            return "closed pipe";
        case BatchRun::End::WriteError:
            return "write error";
        case BatchRun::End::Signal:
            break;
    }
    if (r.signal == SIGINT)
        return "SIGINT";
    if (r.signal == SIGTERM)
        return "SIGTERM";
    if (r.signal == SIGHUP)
        return "SIGHUP";
    return "signal " + std::to_string(r.signal);
}

}  // namespace

BatchRun::BatchRun(const BatchOptions& options, std::uint64_t seed, Outputs outputs, Clock clock,
                   ProgressLine* progress, const volatile std::sig_atomic_t* stop)
    : options_(options),
      seed_(seed),
      outputs_(outputs),
      clock_(std::move(clock)),
      progress_(progress),
      stop_(stop),
      random_(seed),
      ring_(options.species, options.rule, random_, *this),
      stats_(wanted(options, outputs), options.species),
      header_(CheckpointHeader::of(options, seed))
{
}

bool BatchRun::resumeFrom(const CheckpointHeader& header, CheckpointReader& state, std::string at)
{
    header_.resumes = header.resumes;
    header_.resumes.push_back({header.generation, std::move(at)});
    resumed_ = true;
    return restore(header.generation, state);
}

BatchRun::Result BatchRun::run()
{
    start_ = lastTick_ = lastCheckpoint_ = clock_();
    firstGeneration_ = ring_.state().generation;
    if (!resumed_) {
        writeHeaders();
        ring_.begin();
    }

    // The loop runs the engine alone between events: a threshold sample, a
    // fitness snapshot, the end of the burn-in, a reading of the clock, the
    // end. Per generation it tests for a stop, and after the burn-in counts
    // what the statistics ask for.
    constexpr std::uint64_t never = std::numeric_limits<std::uint64_t>::max();
    const std::uint64_t total = options_.generations, burnIn = options_.burnIn;
    // The next multiple of `step` after `from` past `start`.
    const auto after = [](std::uint64_t from, std::uint64_t start, std::uint64_t step) {
        return from < start ? start + step : start + ((from - start) / step + 1) * step;
    };
    const RingState& s = ring_.state();
    std::uint64_t nextSample = out(Output::Threshold) ? after(s.generation, 0, options_.every) : never;
    const std::uint64_t snapshotEvery =
        options_.fitnessEvery != 0 ? options_.fitnessEvery : static_cast<std::uint64_t>(options_.species);
    std::uint64_t nextSnapshot = out(Output::Fitness) ? after(s.generation, burnIn, snapshotEvery) : never;
    std::uint64_t nextCheck = after(s.generation, 0, kCheckEvery);
    while (s.generation < total && *stop_ == 0 && !writeFailed_) {
        const std::uint64_t until =
            std::min({total, nextSample, nextSnapshot, nextCheck, s.generation < burnIn ? burnIn : never});
        if (s.generation >= burnIn && stats_.perGeneration())
            runUntil<true>(until);
        else
            runUntil<false>(until);
        if (s.generation == nextSample) {
            writeThresholdRow();
            nextSample += options_.every;
        }
        if (s.generation == nextSnapshot) {
            stats_.snapshot(ring_.cells().values());
            nextSnapshot += snapshotEvery;
        }
        if (s.generation == nextCheck) {
            nextCheck += kCheckEvery;
            tick(clock_());
        }
    }
    const double seconds = clock_() - start_;
    if (progress_)
        progress_->clear();

    // The last checkpoint, before the outputs written whole at the end: they
    // are written again, whole, by a run that goes on from it.
    if (options_.checkpoint && !writeFailed_ && firstFailure() == nullptr)
        writeCheckpoint(checkpointError_);

    Result r;
    r.generations = s.generation;
    if (OutputFile* d = out(Output::Distribution))
        sizes_.write(*d);
    if (OutputFile* a = out(Output::AvalancheSizes))
        stats_.avalanches().write(*a);
    if (OutputFile* m = out(Output::Minima))
        stats_.minima()->write(*m);
    if (OutputFile* f = out(Output::Fitness))
        stats_.fitness()->write(*f);
    if (OutputFile* j = out(Output::Jumps))
        stats_.jumps()->write(*j);
    flushData();
    if (const OutputFile* f = firstFailure()) {
        r.end = f->closedPipe() ? End::ClosedPipe : End::WriteError;
        r.failed = f;
    } else if (!checkpointError_.empty()) {
        r.end = End::WriteError;
        r.checkpointError = checkpointError_;
    } else if (*stop_ != 0) {
        r.end = End::Signal;
        r.signal = *stop_;
    }
    if (OutputFile* s = out(Output::Summary); s && !s->failed()) {
        writeSummary(r, seconds);
        if (!s->flush() && !r.failed) {
            r.end = s->closedPipe() ? End::ClosedPipe : End::WriteError;
            r.failed = s;
        }
    }
    return r;
}

template <bool Counted>
void BatchRun::runUntil(std::uint64_t until)
{
    const RingState& s = ring_.state();
    while (s.generation < until) {
        ring_.step();
        if constexpr (Counted)
            stats_.observe(s);
        if (*stop_ != 0 || writeFailed_)
            break;
    }
}

void BatchRun::torrel(const Torrel& t)
{
    sizes_.add(t.size);
    if (OutputFile* f = out(Output::Torrels)) {
        f->row().add(t.generation).add15(t.threshold).add(t.size).end();
        writeFailed_ = writeFailed_ || f->failed();
    }
    if (OutputFile* l = out(Output::Log)) {
        l->write(logLine(t.threshold, static_cast<double>(t.size)));
        writeFailed_ = writeFailed_ || l->failed();
    }
}

void BatchRun::writeHeaders()
{
    if (OutputFile* t = out(Output::Torrels))
        t->write("generation,threshold,size\n");
    if (OutputFile* t = out(Output::Threshold))
        t->write("generation,threshold\n");
}

void BatchRun::writeThresholdRow()
{
    OutputFile& t = *out(Output::Threshold);
    t.row().add(ring_.state().generation).add15(ring_.state().lowval).end();
    writeFailed_ = writeFailed_ || t.failed();
}

void BatchRun::tick(double now)
{
    if (now - lastTick_ < kTickSeconds)
        return;
    lastTick_ = now;
    // Flushing here lets a reader follow the files, and finds a closed pipe
    // even when torrels have become rare. Records on the same terminal go
    // below the progress line, not after it.
    if (progress_)
        progress_->clear();
    if (!flushData())
        writeFailed_ = true;
    // A reader that has gone is found even with nothing to write.
    for (OutputFile* f : outputs_)
        if (f && !f->checkReader())
            writeFailed_ = true;
    if (options_.checkpoint && !writeFailed_ &&
        now - lastCheckpoint_ >= static_cast<double>(options_.checkpointEvery)) {
        lastCheckpoint_ = now;
        if (!writeCheckpoint(checkpointError_))
            writeFailed_ = true;
    }
    if (progress_)
        progress_->update(firstGeneration_, ring_.state().generation, options_.generations, now - start_);
}

bool BatchRun::writeCheckpoint(std::string& error)
{
    // The records written so far reach the disk first, so that the lengths
    // the checkpoint gives are there after a power cut. The outputs written
    // whole at the end hold nothing yet.
    for (int k = 0; k < kOutputCount; ++k) {
        const auto i = static_cast<std::size_t>(k);
        OutputFile* f = outputs_[i];
        const bool streamed = k == static_cast<int>(Output::Torrels) || k == static_cast<int>(Output::Log) ||
                              k == static_cast<int>(Output::Threshold);
        if (f && streamed && !f->sync()) {
            error = "write error on '" + f->name() + "': " + f->errorText();
            return false;
        }
        header_.lengths[i] = !f ? CheckpointHeader::kNoOutput : streamed ? f->length() : 0;
    }
    const RingState& s = ring_.state();
    header_.generation = s.generation;
    CheckpointWriter w;
    header_.write(w);
    w.u64(random_.state());
    w.u64(random_.reseeds());
    w.u64(static_cast<std::uint64_t>(s.xpos));
    w.u64(static_cast<std::uint64_t>(s.xposold));
    w.f64(s.minimum);
    w.f64(s.lowval);
    w.u64(s.cursize);
    w.u64(s.torrels);
    w.floats(ring_.cells().values());
    sizes_.save(w);
    stats_.save(w);
    std::string why;
    if (!writeAtomically(*options_.checkpoint, w.finish(), why)) {
        error = "cannot write checkpoint '" + *options_.checkpoint + "': " + why;
        return false;
    }
    return true;
}

bool BatchRun::restore(std::uint64_t generation, CheckpointReader& r)
{
    RingState s;
    s.generation = generation;
    const std::uint64_t state = r.u64(), reseeds = r.u64();
    random_ = CountedRandom(state, reseeds);
    const std::uint64_t xpos = r.u64(), xposold = r.u64();
    s.minimum = static_cast<float>(r.f64());
    s.lowval = r.f64();
    s.cursize = r.u64();
    s.torrels = r.u64();
    // Only a state this program can have made goes on.
    const auto species = static_cast<std::uint64_t>(options_.species);
    if (xpos >= species || xposold >= species || s.cursize == 0)
        r.fail();
    s.xpos = static_cast<int>(xpos % species);
    s.xposold = static_cast<int>(xposold % species);
    ring_.restore(s, [&r] {
        float f = 0;
        r.floats({&f, 1});
        if (!(f >= 0.0f && f < 10.0f)) {
            r.fail();
            f = 0;
        }
        return f;
    });
    sizes_.load(r);
    stats_.load(r);
    return r.atEnd();
}

bool BatchRun::flushData()
{
    // The summary is written whole at the end, after the data it sums up.
    bool ok = true;
    for (int k = 0; k < kOutputCount; ++k)
        if (OutputFile* f = outputs_[static_cast<std::size_t>(k)];
            f && k != static_cast<int>(Output::Summary))
            ok = f->flush() && ok;
    return ok;
}

const OutputFile* BatchRun::firstFailure() const
{
    for (const OutputFile* f : outputs_)
        if (f && f->failed())
            return f;
    return nullptr;
}

void BatchRun::writeSummary(const Result& r, double seconds)
{
    JsonWriter j;
    j.member("program", "quillmar-batch")
        .member("version", QUILLMAR_VERSION)
        .member("species", options_.species)
        .member("rule", ruleName(options_.rule))
        .member("generations", r.generations)
        .member("generations_requested", options_.generations)
        .member("seed", seed_)
        .number15("threshold", ring_.state().lowval)
        .member("torrels", sizes_.total())
        .member("largest_torrel", sizes_.largest());
    char buf[64];
    j.literal("seconds",
              std::string_view(
                  buf, std::to_chars(buf, buf + sizeof buf, seconds, std::chars_format::fixed, 3).ptr));
    if (seconds > 0)
        j.member("generations_per_second",
                 static_cast<std::uint64_t>(
                     std::llround(static_cast<double>(r.generations - firstGeneration_) / seconds)));
    else
        j.null("generations_per_second");
    j.member("interrupted", r.end != End::Completed).member("ended_by", endName(r));

    // Where the run came from: how it was asked for, what built it, what of
    // it is not in the records, and where it was resumed.
    j.beginArray("command_line");
    for (const std::string& arg : commandLine_)
        j.member({}, arg);
    j.end();
    j.beginObject("build")
        .member("version", QUILLMAR_VERSION)
        .member("compiler", compilerName())
        .member("selection", "tree of minima, 16 children a node")
        .member("kernel", MinimumTree::kernel())
        .end();
    // The torrel in progress at the end: censored, in no record.
    j.member("open_torrel", ring_.state().cursize);
    j.beginArray("resumes");
    for (const CheckpointHeader::Resume& resume : header_.resumes)
        j.beginObject().member("from_generation", resume.generation).member("at", resume.at).end();
    j.end();

    // What the statistics counted, after the burn-in.
    j.member("burn_in", options_.burnIn).member("counted_generations", stats_.counted());
    if (!stats_.avalanches().empty()) {
        j.beginArray("avalanches");
        for (const AvalancheCounter::Totals& a : stats_.avalanches().totals())
            j.beginObject()
                .number("f0", a.f0)
                .member("completed", a.completed)
                .number("mean_size", a.meanSize)
                .number("mean_squared_size", a.meanSquaredSize)
                .member("largest_size", a.largest)
                .member("open_size", a.open)
                .end();
        j.end();
    }
    if (stats_.fitness()) {
        const double mean = stats_.meanFitness();
        j.beginObject("fitness")
            .member("snapshots", stats_.snapshots())
            .number("mean", mean)
            .number("critical_estimate", 2 * mean - 10)
            .end();
    }
    out(Output::Summary)->write(j.finish());
}

}  // namespace quillmar::batch
