#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <string_view>

#include "form_view.h"

namespace quillmar {

// The handler that a control's press or change runs.
enum class Handler { None, Command1_Click, cmdReset_Click, chkStep_Click };

// The window's buttons.
enum class Button { Command1, cmdReset };

// One of the window's controls as designed, in twips (15 twips are one
// logical pixel), and what it is to the program.
struct ControlSpec {
    enum class Kind { TextBox, MultiLineTextBox, Label, WrappingLabel, CheckBox, Button, Picture };

    const char* name;
    Kind kind;
    const char* text;  // the caption; nullptr for a text box, which starts with startText(box)
    int left, top, width, height;
    int tabIndex;
    bool enabled;
    const char* buddy;  // the text box a label names, or nullptr
    // The text box or check box the program reads and writes it as, or the button it is.
    std::optional<TextBox> box;
    std::optional<CheckBox> check;
    std::optional<Button> button;
    // A text box the program writes on every generation; the screen shows it
    // at a paced rate.
    bool counter;
    Handler handler;
};

inline constexpr int kTwipsPerPixel = 15;
inline constexpr int kClientWidthTwips = 8655;
inline constexpr int kClientHeightTwips = 9210;

// clang-format off
inline constexpr std::array<ControlSpec, 22> kControls{{
    {"txtOutput", ControlSpec::Kind::MultiLineTextBox, nullptr, 5160, 0, 3375, 1455, 11, true, nullptr, TextBox::txtOutput, {}, {}, false, Handler::None},
    {"txtNumPts", ControlSpec::Kind::TextBox, nullptr, 1080, 90, 495, 285, 2, true, nullptr, TextBox::txtNumPts, {}, {}, false, Handler::None},
    {"Label5", ControlSpec::Kind::Label, "No. Species:", 120, 120, 915, 195, 10, true, "txtNumPts", {}, {}, {}, false, Handler::None},
    {"Label2", ControlSpec::Kind::Label, "Number of Torrels", 2160, 120, 1620, 195, 6, true, "txtNumAv", {}, {}, {}, false, Handler::None},
    {"txtNumAv", ControlSpec::Kind::TextBox, nullptr, 3840, 120, 855, 285, 12, false, nullptr, TextBox::txtNumAv, {}, {}, true, Handler::None},
    {"Label4", ControlSpec::Kind::Label, "Generations:", 240, 480, 900, 195, 9, true, "txtGenerations", {}, {}, {}, false, Handler::None},
    {"txtGenerations", ControlSpec::Kind::TextBox, nullptr, 1320, 480, 855, 285, 15, true, nullptr, TextBox::txtGenerations, {}, {}, false, Handler::None},
    {"Label3", ControlSpec::Kind::Label, "Last Torel:", 2640, 480, 1065, 195, 7, true, "txtSize", {}, {}, {}, false, Handler::None},
    {"txtSize", ControlSpec::Kind::TextBox, nullptr, 3840, 480, 855, 285, 8, false, nullptr, TextBox::txtSize, {}, {}, true, Handler::None},
    {"chkStep", ControlSpec::Kind::CheckBox, "Step Through", 360, 840, 1335, 255, 16, false, nullptr, {}, CheckBox::chkStep, {}, false, Handler::chkStep_Click},
    {"Label1", ControlSpec::Kind::Label, "Threshold Fitness:", 2400, 840, 1290, 195, 5, true, "txtLowval", {}, {}, {}, false, Handler::None},
    {"txtLowval", ControlSpec::Kind::TextBox, nullptr, 3840, 840, 855, 285, 4, false, nullptr, TextBox::txtLowval, {}, {}, true, Handler::None},
    {"chkRule2", ControlSpec::Kind::CheckBox, "Remove Rule 2", 360, 1200, 1575, 255, 21, true, nullptr, {}, CheckBox::chkRule2, {}, false, Handler::None},
    {"Label6", ControlSpec::Kind::Label, "Largest Torrel", 2400, 1200, 1335, 195, 13, true, "txtLargest", {}, {}, {}, false, Handler::None},
    {"txtLargest", ControlSpec::Kind::TextBox, nullptr, 3840, 1200, 855, 285, 14, false, nullptr, TextBox::txtLargest, {}, {}, true, Handler::None},
    {"Command1", ControlSpec::Kind::Button, "&Begin", 120, 1560, 1095, 375, 0, true, nullptr, {}, {}, Button::Command1, false, Handler::Command1_Click},
    {"cmdReset", ControlSpec::Kind::Button, "&Reset", 1440, 1560, 1095, 375, 17, true, nullptr, {}, {}, Button::cmdReset, false, Handler::cmdReset_Click},
    {"Si", ControlSpec::Kind::WrappingLabel, "Size of Current Torel", 2760, 1560, 1335, 375, 19, true, "txtIterate", {}, {}, {}, false, Handler::None},
    {"txtIterate", ControlSpec::Kind::TextBox, nullptr, 4200, 1680, 1095, 285, 3, false, nullptr, TextBox::txtIterate, {}, {}, true, Handler::None},
    {"Label7", ControlSpec::Kind::Label, "Total Generations So Far:", 5520, 1680, 1815, 195, 20, true, "txtTotIter", {}, {}, {}, false, Handler::None},
    {"txtTotIter", ControlSpec::Kind::TextBox, nullptr, 7440, 1680, 1095, 285, 18, false, nullptr, TextBox::txtTotIter, {}, {}, true, Handler::None},
    {"Picture1", ControlSpec::Kind::Picture, "", 0, 2040, 8535, 7095, 1, true, nullptr, {}, {}, {}, false, Handler::None},
}};
// clang-format on

// The text a control shows when the window opens.
constexpr std::string_view initialText(const ControlSpec& c)
{
    return c.box ? startText(*c.box) : c.text;
}

// Every text box and check box of the window interface, each button, each
// handler and the picture stand in the table exactly once; only labels name
// a buddy.
static_assert([] {
    const auto once = [](auto is) {
        int n = 0;
        for (const ControlSpec& c : kControls)
            n += is(c) ? 1 : 0;
        return n == 1;
    };
    for (Handler h : {Handler::Command1_Click, Handler::cmdReset_Click, Handler::chkStep_Click})
        if (!once([h](const ControlSpec& c) { return c.handler == h; }))
            return false;
    if (!once([](const ControlSpec& c) { return c.kind == ControlSpec::Kind::Picture; }))
        return false;
    for (std::size_t b = 0; b < kTextBoxCount; ++b)
        if (!once([b](const ControlSpec& c) { return c.box && indexOf(*c.box) == b; }))
            return false;
    for (CheckBox k : {CheckBox::chkStep, CheckBox::chkRule2})
        if (!once([k](const ControlSpec& c) { return c.check == k; }))
            return false;
    for (Button k : {Button::Command1, Button::cmdReset})
        if (!once([k](const ControlSpec& c) { return c.button == k; }))
            return false;
    for (const ControlSpec& c : kControls)
        if (c.buddy && c.kind != ControlSpec::Kind::Label && c.kind != ControlSpec::Kind::WrappingLabel)
            return false;
    return true;
}());

// The start-up texts are written once, in kStartTexts: a text box has no text
// of its own in the table, every other control its caption; the counters,
// which the program counts on from the start, start at 0.
static_assert([] {
    for (const ControlSpec& c : kControls) {
        if (c.box.has_value() == (c.text != nullptr))
            return false;
        if (c.counter && (!c.box || startText(*c.box) != "0"))
            return false;
    }
    return true;
}());

}  // namespace quillmar
