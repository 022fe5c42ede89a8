#pragma once

// A window with no toolkit behind it: it stores texts, check boxes and the
// caption, records every write and keeps a recording plot, so tests and
// benchmarks can run the simulation and the run controller headlessly.

#include <algorithm>
#include <array>
#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "form_view.h"
#include "recording_plot.h"

namespace quillmar::testing {

class RecordingForm final : public FormView {
public:
    // The window's texts when it opens.
    RecordingForm() { std::ranges::copy(kStartTexts, texts.begin()); }

    std::array<std::string, kTextBoxCount> texts;
    std::array<int, 2> checks{0, 0};
    bool stepEnabled = false;
    std::string captionText = "&Begin";
    std::string separator = ".";
    std::vector<std::string> messages;
    // Every text write, in order: (box, new text). Off for benchmarks.
    bool recordWrites = true;
    std::vector<std::pair<TextBox, std::string>> writes;
    std::vector<std::string> captions;  // every caption set, in order
    RecordingPlot plotSurface;
    std::function<void()> onMessage;  // runs inside showMessage, like a modal loop

    std::string& operator[](TextBox b) { return texts[indexOf(b)]; }

    std::string text(TextBox box) const override { return texts[indexOf(box)]; }
    void setText(TextBox box, std::string_view text) override
    {
        texts[indexOf(box)] = text;
        if (recordWrites)
            writes.emplace_back(box, std::string(text));
    }
    void appendText(TextBox box, std::string_view tail) override
    {
        texts[indexOf(box)] += tail;
        if (recordWrites)
            writes.emplace_back(box, texts[indexOf(box)]);
    }
    int value(CheckBox box) const override { return checks[static_cast<std::size_t>(box)]; }
    void setEnabled(CheckBox box, bool enabled) override
    {
        if (box == CheckBox::chkStep)
            stepEnabled = enabled;
    }
    std::string caption() const override { return captionText; }
    void setCaption(std::string_view caption) override
    {
        captionText = caption;
        captions.emplace_back(caption);
    }
    void showMessage(std::string_view message) override
    {
        messages.emplace_back(message);
        if (onMessage)
            onMessage();
    }
    std::string decimalSeparator() const override { return separator; }
    PlotSurface& plot() override { return plotSurface; }

    void setCheck(CheckBox box, int v) { checks[static_cast<std::size_t>(box)] = v; }
};

}  // namespace quillmar::testing
