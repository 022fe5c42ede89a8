#include "run_checkpoint.h"

#include <charconv>

#include "statistics.h"

namespace quillmar::batch {

namespace {

std::string listed(const std::vector<double>& v)
{
    std::string s;
    for (const double d : v) {
        char buf[32];
        if (!s.empty())
            s += ',';
        s.append(buf, std::to_chars(buf, buf + sizeof buf, d).ptr);
    }
    return s.empty() ? "none" : s;
}

}  // namespace

void CheckpointHeader::write(CheckpointWriter& w) const
{
    w.text(version);
    w.u64(static_cast<std::uint64_t>(species));
    w.u64(rule == Rule::SingleSite ? 1 : 0);
    w.u64(seed);
    w.u64(every);
    w.u64(burnIn);
    w.u64(avalanches.size());
    for (const double f0 : avalanches)
        w.f64(f0);
    w.u64(fitnessEvery);
    w.u64(generation);
    w.counts(lengths);
    w.u64(resumes.size());
    for (const Resume& r : resumes) {
        w.u64(r.generation);
        w.text(r.at);
    }
}

CheckpointHeader CheckpointHeader::read(CheckpointReader& r)
{
    CheckpointHeader h;
    h.version = r.text();
    h.species = static_cast<int>(r.u64());
    h.rule = r.u64() == 1 ? Rule::SingleSite : Rule::ThreeSite;
    h.seed = r.u64();
    h.every = r.u64();
    h.burnIn = r.u64();
    for (std::uint64_t n = r.u64(); n > 0 && r.ok(); --n) {
        if (h.avalanches.size() == kMaxAvalancheThresholds)
            r.fail();
        h.avalanches.push_back(r.f64());
    }
    h.fitnessEvery = r.u64();
    h.generation = r.u64();
    r.counts(h.lengths);
    for (std::uint64_t n = r.u64(); n > 0 && r.ok(); --n) {
        Resume resume;
        resume.generation = r.u64();
        resume.at = r.text();
        h.resumes.push_back(resume);
    }
    if (h.species < 1 || h.species > kMaxBatchSpecies)
        r.fail();
    return h;
}

CheckpointHeader CheckpointHeader::of(const BatchOptions& options, std::uint64_t seed)
{
    CheckpointHeader h;
    h.version = QUILLMAR_VERSION;
    h.species = options.species;
    h.rule = options.rule;
    h.seed = seed;
    h.every = options.output(Output::Threshold) ? options.every : 0;
    h.burnIn = options.burnIn;
    h.avalanches = options.avalanches;
    h.fitnessEvery = !options.output(Output::Fitness) ? 0
                     : options.fitnessEvery != 0      ? options.fitnessEvery
                                                      : static_cast<std::uint64_t>(options.species);
    for (int k = 0; k < kOutputCount; ++k)
        h.lengths[static_cast<std::size_t>(k)] = options.output(static_cast<Output>(k)) ? 0 : kNoOutput;
    return h;
}

std::optional<std::string> resumeRefusal(const CheckpointHeader& c, const BatchOptions& options,
                                         const std::string& name)
{
    const std::string of = " in checkpoint '" + name + "'";
    if (c.version != QUILLMAR_VERSION)
        return "checkpoint '" + name + "' is from quillmar-batch " + c.version + ", not " QUILLMAR_VERSION;
    // The seed of the run goes on unless another is given.
    BatchOptions seeded = options;
    if (!seeded.seed)
        seeded.seed = c.seed;
    const CheckpointHeader here = CheckpointHeader::of(seeded, *seeded.seed);
    const auto differs = [&](const std::string& what, const std::string& mine, const std::string& theirs) {
        return what + " is " + mine + " here but " + theirs + of;
    };
    if (here.species != c.species)
        return differs("--species", std::to_string(here.species), std::to_string(c.species));
    if (here.rule != c.rule)
        return differs("--rule", std::string(ruleName(here.rule)), std::string(ruleName(c.rule)));
    if (here.seed != c.seed)
        return differs("--seed", std::to_string(here.seed), std::to_string(c.seed));
    if (here.burnIn != c.burnIn)
        return differs("--burn-in", std::to_string(here.burnIn), std::to_string(c.burnIn));
    if (here.avalanches != c.avalanches)
        return differs("--avalanches", listed(here.avalanches), listed(c.avalanches));
    for (int k = 0; k < kOutputCount; ++k) {
        const auto i = static_cast<std::size_t>(k);
        const bool mine = here.lengths[i] != CheckpointHeader::kNoOutput,
                   theirs = c.lengths[i] != CheckpointHeader::kNoOutput;
        if (mine != theirs)
            return std::string(optionOf(static_cast<Output>(k))) +
                   (mine ? " is given here but not" : " is not given here but is") + of;
    }
    if (here.every != c.every)
        return differs("--every", std::to_string(here.every), std::to_string(c.every));
    if (here.fitnessEvery != c.fitnessEvery)
        return differs("--fitness-every", std::to_string(here.fitnessEvery), std::to_string(c.fitnessEvery));
    if (options.generations < c.generation)
        return "--generations is " + std::to_string(options.generations) + ", fewer than the " +
               std::to_string(c.generation) + " generations already run" + of;
    return std::nullopt;
}

}  // namespace quillmar::batch
