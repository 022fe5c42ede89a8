#pragma once

// A window with no toolkit behind it: it stores texts, check boxes and the
// caption, and records every plot call, so tests and benchmarks can run the
// simulation and the run controller headlessly.

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "colour.h"
#include "form_view.h"
#include "plot.h"
#include "random_source.h"

namespace quillmar::testing {

struct PlotCall {
    enum class Kind { SetScale, Persistent, Clear, Line, Box };
    Kind kind;
    float x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    std::optional<Colour> colour;  // no colour: the foreground colour
    bool operator==(const PlotCall&) const = default;
};

class RecordingPlot final : public PlotSurface {
public:
    bool recording = true;  // false: draw nothing, keep nothing (benchmarks)
    std::vector<PlotCall> calls;

    void setScale(float left, float top, float right, float bottom) override
    {
        add({PlotCall::Kind::SetScale, left, top, right, bottom, std::nullopt});
    }
    void setPersistentDrawing(bool plot, bool window) override
    {
        add({PlotCall::Kind::Persistent, plot ? 1.f : 0.f, window ? 1.f : 0.f, 0, 0, std::nullopt});
    }
    void clear() override { add({PlotCall::Kind::Clear, 0, 0, 0, 0, std::nullopt}); }
    void line(float x1, float y1, float x2, float y2, std::optional<Colour> colour) override
    {
        add({PlotCall::Kind::Line, x1, y1, x2, y2, colour});
    }
    void box(float x1, float y1, float x2, float y2, Colour colour) override
    {
        add({PlotCall::Kind::Box, x1, y1, x2, y2, colour});
    }

private:
    void add(const PlotCall& c)
    {
        if (recording)
            calls.push_back(c);
    }
};

class RecordingForm final : public FormView {
public:
    RecordingForm()
    {
        texts[idx(TextBox::txtNumPts)] = std::string("50");
        texts[idx(TextBox::txtGenerations)] = std::string("1");
        for (TextBox b : {TextBox::txtNumAv, TextBox::txtSize, TextBox::txtLowval, TextBox::txtLargest,
                          TextBox::txtIterate, TextBox::txtTotIter})
            texts[idx(b)] = std::string("0");
    }

    static std::size_t idx(TextBox b) { return static_cast<std::size_t>(b); }

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

    std::string& operator[](TextBox b) { return texts[idx(b)]; }

    std::string text(TextBox box) const override { return texts[idx(box)]; }
    void setText(TextBox box, std::string_view text) override
    {
        texts[idx(box)] = text;
        if (recordWrites)
            writes.emplace_back(box, std::string(text));
    }
    void appendText(TextBox box, std::string_view tail) override
    {
        texts[idx(box)] += tail;
        if (recordWrites)
            writes.emplace_back(box, texts[idx(box)]);
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

// A random source that replays a fixed list of uniform numbers (cycling) and
// counts reseeds.
class ScriptedRandom final : public RandomSource {
public:
    explicit ScriptedRandom(std::vector<float> values) : values_(std::move(values)) {}
    void reseed() override { ++reseeds; }
    float nextUniform() override
    {
        const float v = values_[next_ % values_.size()];
        ++next_;
        return v;
    }
    int reseeds = 0;
    std::size_t draws() const { return next_; }

private:
    std::vector<float> values_;
    std::size_t next_ = 0;
};

// A clock that never moves, for deterministic generators.
inline std::function<std::uint64_t()> frozenClock(std::uint64_t t = 42)
{
    return [t] { return t; };
}

}  // namespace quillmar::testing
