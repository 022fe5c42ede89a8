#include "batch_run.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <string>
#include <utility>

#include "numtext.h"
#include "progress_line.h"

namespace quillmar::batch {

namespace {

// The clock is read once per this many generations, so the loop stays as
// cheap as the engine; even at 32765 species that is a few milliseconds.
constexpr std::uint64_t kCheckEvery = 1024;
// Progress and the flushing of the outputs happen at most ten times a second.
constexpr double kTickSeconds = 0.1;

// 15 significant digits, a point, trailing zeros dropped (printf's %.15g).
char* putThreshold(char* p, char* end, double t)
{
    return std::to_chars(p, end, t, std::chars_format::general, 15).ptr;
}

template <class T>
void append(std::string& s, T value)
{
    char buf[64];
    s.append(buf, std::to_chars(buf, buf + sizeof buf, value).ptr);
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
      ring_(options.species, options.rule, random_, *this)
{
}

BatchRun::Result BatchRun::run()
{
    start_ = lastTick_ = clock_();
    writeHeaders();
    ring_.begin();

    // The loop runs the engine alone between events: a threshold sample, a
    // reading of the clock, the end. Per generation it only tests for a stop.
    const std::uint64_t total = options_.generations;
    std::uint64_t nextSample =
        out(Output::Threshold) ? options_.every : std::numeric_limits<std::uint64_t>::max();
    std::uint64_t nextCheck = kCheckEvery;
    const RingState& s = ring_.state();
    while (s.generation < total && *stop_ == 0 && !writeFailed_) {
        const std::uint64_t until = std::min({total, nextSample, nextCheck});
        while (s.generation < until) {
            ring_.step();
            if (*stop_ != 0 || writeFailed_)
                break;
        }
        if (s.generation == nextSample) {
            writeThresholdRow();
            nextSample += options_.every;
        }
        if (s.generation == nextCheck) {
            nextCheck += kCheckEvery;
            tick(clock_());
        }
    }
    const double seconds = clock_() - start_;
    if (progress_)
        progress_->clear();

    Result r;
    r.generations = s.generation;
    if (OutputFile* d = out(Output::Distribution))
        sizes_.write(*d);
    flushData();
    if (const OutputFile* f = firstFailure()) {
        r.end = f->closedPipe() ? End::ClosedPipe : End::WriteError;
        r.failed = f;
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
    if (progress_)
        progress_->update(ring_.state().generation, options_.generations, now - start_);
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
    std::string s =
        "{\n  \"program\": \"quillmar-batch\",\n  \"version\": \"" QUILLMAR_VERSION "\",\n  \"species\": ";
    append(s, options_.species);
    s += ",\n  \"rule\": \"";
    s += ruleName(options_.rule);
    s += "\",\n  \"generations\": ";
    append(s, r.generations);
    s += ",\n  \"generations_requested\": ";
    append(s, options_.generations);
    s += ",\n  \"seed\": ";
    append(s, seed_);
    s += ",\n  \"threshold\": ";
    char buf[64];
    s.append(buf, putThreshold(buf, buf + sizeof buf, ring_.state().lowval));
    s += ",\n  \"torrels\": ";
    append(s, sizes_.total());
    s += ",\n  \"largest_torrel\": ";
    append(s, sizes_.largest());
    s += ",\n  \"seconds\": ";
    s.append(buf, std::to_chars(buf, buf + sizeof buf, seconds, std::chars_format::fixed, 3).ptr);
    s += ",\n  \"generations_per_second\": ";
    if (seconds > 0)
        append(s, std::llround(static_cast<double>(r.generations) / seconds));
    else
        s += "null";
    s += ",\n  \"interrupted\": ";
    s += r.end != End::Completed ? "true" : "false";
    s += ",\n  \"ended_by\": \"" + endName(r) + "\"\n}\n";
    out(Output::Summary)->write(s);
}

}  // namespace quillmar::batch
