#pragma once

#include <optional>
#include <string_view>

#include "fitness_array.h"
#include "form_view.h"
#include "int16.h"
#include "random_source.h"
#include "tagged.h"

namespace quillmar {

// The species counts a run accepts.
inline constexpr int kMinSpecies = 1;
inline constexpr int kMaxSpecies = 32765;
inline constexpr std::string_view kSpeciesCountMessage = "No. Species must be a number from 1 to 32765.";

// The species count that a text asks for (its leading number rounded to the
// nearest integer, halves to even), or nothing when it lies outside 1..32765.
std::optional<Int16> validSpeciesCount(std::string_view text);

// The simulation state of the window and the operations on it: the Begin
// initialisation and the generation step `try_`. It reaches the window only
// through FormView and draws random numbers only from the RandomSource.
class Simulation {
public:
    Simulation(FormView& view, RandomSource& random) : view_(view), random_(random) {}

    // Form-level state, with its start-up values.
    Int16 num{0};
    FitnessArray a;
    Tagged x;
    Int16 xpos{0};
    Int16 xposold{0};
    double lowval = 0.0;
    double cursize = 0.0;
    Tagged numtorrels;
    Tagged running;

    // A fresh fitness value in [0, 10) from the next uniform number (no reseed).
    float freshFitness();

    // The start of every run: reads the species count, allocates `a` with the
    // spare slot at index num, sets up and clears the plot and draws a new
    // population of black markers.
    void beginInit();

    // One generation: selects the least-fit species, keeps the threshold and
    // torrel bookkeeping in the text boxes, then applies the mutation rule that
    // chkRule2 selects and trims `a` to num slots.
    void try_(Tagged& x, Int16& xpos, Int16& xposold, FitnessArray& a, Int16& num);

private:
    void selectAndCount(Tagged& x, Int16& xpos, Int16& xposold, const FitnessArray& a, Int16 num);
    void mutate(Int16 xpos, Int16 xposold, FitnessArray& a, Int16 num);
    void addOneToTotal();

    FormView& view_;
    RandomSource& random_;
};

}  // namespace quillmar
