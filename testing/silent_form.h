#pragma once

// The window stand-in of the benchmarks: it keeps its texts, so the engine
// reads and writes them as it does on screen, but records no writes and draws
// nothing, so a long run costs no memory.

#include <cstdint>
#include <string>

#include "recording_form.h"

namespace quillmar::testing {

// Silences `form` and sets its species count for the next Begin.
inline void makeSilent(RecordingForm& form, std::int64_t species)
{
    form.recordWrites = false;
    form.plotSurface.recording = false;
    form[TextBox::txtNumPts] = std::to_string(species);
}

}  // namespace quillmar::testing
