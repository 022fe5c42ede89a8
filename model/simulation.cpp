#include "simulation.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <string>

#include "numtext.h"
#include "species_list.h"

namespace quillmar {

namespace {

double checkedIncrement(double d)
{
    const double r = d + 1.0;
    if (!std::isfinite(r))
        raise(ErrorCode::Overflow);
    return r;
}

// x := a(i), a copy of the cell. Assigning the float itself, rather than a
// whole tagged value, keeps this off the memory round trip of a variant copy.
void copyCell(Tagged& x, const FitnessArray& a, Int16 i)
{
    if (a.isEmpty(i))
        x = Tagged();
    else
        x = a.value(i);
}

}  // namespace

std::optional<Int16> validSpeciesCount(std::string_view text)
{
    const double d = leadingNumber(text);
    if (!std::isfinite(d))
        return std::nullopt;
    const double r = std::nearbyint(d);
    if (r < kMinSpecies || r > kMaxSpecies)
        return std::nullopt;
    return Int16(static_cast<std::int16_t>(r));
}

float Simulation::freshFitness()
{
    return quillmar::freshFitness(random_);
}

void Simulation::beginInit()
{
    numtorrels = std::int16_t{0};
    num = Int16::roundedFrom(leadingNumber(view_.text(TextBox::txtNumPts)));
    view_.setText(TextBox::txtOutput, "");
    a.redim(num);
    PlotSurface& plot = view_.plot();
    plotSetup(plot, num);
    lowval = 0.0;
    cursize = 1.0;
    plot.clear();
    const Int16 last = num - Int16(1);
    for (Int16 i(0); i <= last; i = i + Int16(1)) {
        random_.reseed();
        a.set(i, freshFitness());
        speciesMarker(plot, i, a.value(i), Colour::black());
        if (i == last)
            break;  // i + 1 must not be computed past the last index
    }
}

void Simulation::try_(Tagged& x, Int16& xpos, Int16& xposold, FitnessArray& a, Int16& num)
{
    selectAndCount(x, xpos, xposold, a, num);
    mutate(xpos, xposold, a, num);
}

void Simulation::addOneToTotal()
{
    std::string total = view_.text(TextBox::txtTotIter);
    // The usual total, a whole number the program wrote itself, is counted
    // on in its digits; any other text goes through the number.
    if (incrementSpacedWhole(total))
        view_.setText(TextBox::txtTotIter, total);
    else
        view_.setText(TextBox::txtTotIter, spacedForm(checkedIncrement(leadingNumber(total))));
}

void Simulation::selectAndCount(Tagged& x, Int16& xpos, Int16& xposold, const FitnessArray& a, Int16 num)
{
    copyCell(x, a, Int16(0));
    xposold = xpos;
    xpos = Int16(0);
    const Int16 last = num - Int16(1);

    // A full scan of every species; the lowest index wins a tie. Empty cells
    // hold 0 in data(), and no cell beyond the last species takes part.
    const int n = last.toInt();
    if (n >= 1) {
        const int limit = std::min(n, a.size() - 1);
        const int bestIndex = a.firstMinimum(limit + 1);
        if (bestIndex != 0) {
            xpos = Int16(static_cast<std::int16_t>(bestIndex));
            copyCell(x, a, xpos);
        }
        if (limit < n)
            raise(ErrorCode::SubscriptOutOfRange);
    }

    const double minimum = a.value(xpos);  // what x holds: an empty cell reads as 0
    if (minimum > lowval) {
        PlotSurface& plot = view_.plot();
        thresholdLine(plot, lowval, num, Colour::buttonFace());
        lowval = minimum;
        view_.setText(TextBox::txtLowval, spacedForm(lowval));
        numtorrels.increment();
        view_.setText(TextBox::txtNumAv, spacedForm(numtorrels.toDouble()));
        const std::string sep = view_.decimalSeparator();
        view_.setText(TextBox::txtSize, plainForm(cursize, sep));
        view_.appendText(TextBox::txtOutput, logLine(lowval, cursize, sep));
        const double largest = leadingNumber(view_.text(TextBox::txtLargest));
        const double completed = leadingNumber(view_.text(TextBox::txtSize));
        if (largest < completed)
            view_.setText(TextBox::txtLargest, spacedForm(completed));
        cursize = 1.0;
        addOneToTotal();
    } else {
        addOneToTotal();
        cursize = checkedIncrement(cursize);
    }
}

void Simulation::mutate(Int16 xpos, Int16 xposold, FitnessArray& a, Int16 num)
{
    PlotSurface& plot = view_.plot();
    random_.reseed();

    if (view_.value(CheckBox::chkRule2) == 1) {
        // Single-site rule. The previous generation's marker is restored only
        // when it names a species of this run: after a Reset to fewer species
        // it may point past the ring.
        if (xposold >= Int16(0) && xposold < num)
            speciesMarker(plot, xposold, a.value(xposold), Colour::black());
        speciesMarker(plot, xpos, a.value(xpos), Colour::buttonFace());
        a.set(xpos, freshFitness());
        speciesMarker(plot, xpos, a.value(xpos), Colour::red());
    } else {
        // A list has three species or none; the passes run over all three.
        const SpeciesList<Int16> restore = threeSiteList(xposold, num);
        if (restore.count != 0)
            for (Int16 i : restore.items)
                speciesMarker(plot, i, a.value(i), Colour::black());

        const SpeciesList<Int16> list = threeSiteList(xpos, num);
        if (list.count != 0) {
            for (Int16 i : list.items)
                speciesMarker(plot, i, a.value(i), Colour::buttonFace());
            for (Int16 i : list.items)
                a.set(i, freshFitness());
            for (Int16 i : list.items)
                speciesMarker(plot, i, a.value(i), Colour::red());
        }
    }

    a.redimPreserve(num - Int16(1));
}

}  // namespace quillmar
