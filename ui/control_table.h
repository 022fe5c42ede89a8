#pragma once

#include <array>

namespace quillmar {

// The window's controls as designed, in twips (15 twips are one logical pixel).
struct ControlSpec {
    enum class Kind { TextBox, MultiLineTextBox, Label, WrappingLabel, CheckBox, Button, Picture };

    const char* name;
    Kind kind;
    const char* text;  // caption or initial text
    int left, top, width, height;
    int tabIndex;
    bool enabled;
    const char* buddy;  // the text box a label names, or nullptr
};

inline constexpr int kTwipsPerPixel = 15;
inline constexpr int kClientWidthTwips = 8655;
inline constexpr int kClientHeightTwips = 9210;

// clang-format off
inline constexpr std::array<ControlSpec, 22> kControls{{
    {"txtOutput", ControlSpec::Kind::MultiLineTextBox, "", 5160, 0, 3375, 1455, 11, true, nullptr},
    {"txtNumPts", ControlSpec::Kind::TextBox, "50", 1080, 90, 495, 285, 2, true, nullptr},
    {"Label5", ControlSpec::Kind::Label, "No. Species:", 120, 120, 915, 195, 10, true, "txtNumPts"},
    {"Label2", ControlSpec::Kind::Label, "Number of Torrels", 2160, 120, 1620, 195, 6, true, "txtNumAv"},
    {"txtNumAv", ControlSpec::Kind::TextBox, "0", 3840, 120, 855, 285, 12, false, nullptr},
    {"Label4", ControlSpec::Kind::Label, "Generations:", 240, 480, 900, 195, 9, true, "txtGenerations"},
    {"txtGenerations", ControlSpec::Kind::TextBox, "1", 1320, 480, 855, 285, 15, true, nullptr},
    {"Label3", ControlSpec::Kind::Label, "Last Torel:", 2640, 480, 1065, 195, 7, true, "txtSize"},
    {"txtSize", ControlSpec::Kind::TextBox, "0", 3840, 480, 855, 285, 8, false, nullptr},
    {"chkStep", ControlSpec::Kind::CheckBox, "Step Through", 360, 840, 1335, 255, 16, false, nullptr},
    {"Label1", ControlSpec::Kind::Label, "Threshold Fitness:", 2400, 840, 1290, 195, 5, true, "txtLowval"},
    {"txtLowval", ControlSpec::Kind::TextBox, "0", 3840, 840, 855, 285, 4, false, nullptr},
    {"chkRule2", ControlSpec::Kind::CheckBox, "Remove Rule 2", 360, 1200, 1575, 255, 21, true, nullptr},
    {"Label6", ControlSpec::Kind::Label, "Largest Torrel", 2400, 1200, 1335, 195, 13, true, "txtLargest"},
    {"txtLargest", ControlSpec::Kind::TextBox, "0", 3840, 1200, 855, 285, 14, false, nullptr},
    {"Command1", ControlSpec::Kind::Button, "&Begin", 120, 1560, 1095, 375, 0, true, nullptr},
    {"cmdReset", ControlSpec::Kind::Button, "&Reset", 1440, 1560, 1095, 375, 17, true, nullptr},
    {"Si", ControlSpec::Kind::WrappingLabel, "Size of Current Torel", 2760, 1560, 1335, 375, 19, true, "txtIterate"},
    {"txtIterate", ControlSpec::Kind::TextBox, "0", 4200, 1680, 1095, 285, 3, false, nullptr},
    {"Label7", ControlSpec::Kind::Label, "Total Generations So Far:", 5520, 1680, 1815, 195, 20, true, "txtTotIter"},
    {"txtTotIter", ControlSpec::Kind::TextBox, "0", 7440, 1680, 1095, 285, 18, false, nullptr},
    {"Picture1", ControlSpec::Kind::Picture, "", 0, 2040, 8535, 7095, 1, true, nullptr},
}};
// clang-format on

}  // namespace quillmar
