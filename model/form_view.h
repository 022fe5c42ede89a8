#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

#include "plot.h"

namespace quillmar {

// The window's text boxes that the program reads or writes.
enum class TextBox {
    txtOutput,
    txtNumPts,
    txtNumAv,
    txtGenerations,
    txtSize,
    txtLowval,
    txtLargest,
    txtIterate,
    txtTotIter,
};
inline constexpr int kTextBoxCount = 9;

// Where a text box stands in an array kept by box.
constexpr std::size_t indexOf(TextBox box)
{
    return static_cast<std::size_t>(box);
}

// The text of every box when the window opens, by indexOf(box).
inline constexpr std::array<std::string_view, kTextBoxCount> kStartTexts{
    "",    // txtOutput
    "50",  // txtNumPts
    "0",   // txtNumAv
    "1",   // txtGenerations
    "0",   // txtSize
    "0",   // txtLowval
    "0",   // txtLargest
    "0",   // txtIterate
    "0",   // txtTotIter
};

constexpr std::string_view startText(TextBox box)
{
    return kStartTexts[indexOf(box)];
}

// The window's check boxes.
enum class CheckBox { chkStep, chkRule2 };

// What the simulation and the run controller see of the window `Form1`.
// Texts are UTF-8; line breaks in the log are carriage return + line feed.
class FormView {
public:
    virtual ~FormView() = default;
    // The current text of a text box.
    virtual std::string text(TextBox box) const = 0;
    // Replaces the text of a text box.
    virtual void setText(TextBox box, std::string_view text) = 0;
    // Appends to the text of a text box; same result as setText(box, text(box) + tail).
    virtual void appendText(TextBox box, std::string_view tail) = 0;
    // The state of a check box: 0 unticked, 1 ticked.
    virtual int value(CheckBox box) const = 0;
    // Enables or disables a check box.
    virtual void setEnabled(CheckBox box, bool enabled) = 0;
    // The caption of the button `Command1`, access-key "&" included.
    virtual std::string caption() const = 0;
    // Replaces the caption of `Command1`.
    virtual void setCaption(std::string_view caption) = 0;
    // Shows a modal, non-fatal message and returns when the user dismisses it.
    virtual void showMessage(std::string_view message) = 0;
    // The decimal separator of the user's locale, for the plain number form.
    virtual std::string decimalSeparator() const = 0;
    // The fitness plot `Picture1`.
    virtual PlotSurface& plot() = 0;
};

}  // namespace quillmar
