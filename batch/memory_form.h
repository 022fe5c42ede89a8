#pragma once

#include <array>
#include <string>
#include <string_view>

#include "form_view.h"
#include "plot.h"

namespace quillmar::batch {

// The window without a screen: the engine reads and writes its texts as it
// does on screen, with a point as decimal separator, while the plot draws
// nothing and the log is handed line by line to a sink instead of being kept,
// so a run of any length needs the same memory.
class MemoryForm final : public FormView {
public:
    // Receives every text the engine appends to the log, as appended.
    class LogSink {
    public:
        virtual ~LogSink() = default;
        virtual void logLine(std::string_view line) = 0;
    };

    // A form whose species count and rule box are set for the next Begin,
    // every other text as the window starts.
    MemoryForm(int species, bool singleSite, LogSink& sink);

    // The log reads as empty: its lines have gone to the sink. The engine only
    // clears the log and appends to it.
    std::string text(TextBox box) const override;
    void setText(TextBox box, std::string_view text) override;
    void appendText(TextBox box, std::string_view tail) override;
    int value(CheckBox box) const override;
    void setEnabled(CheckBox, bool) override {}
    std::string caption() const override { return caption_; }
    void setCaption(std::string_view caption) override { caption_ = caption; }
    // There is no one to show a message to; the latest is kept for the caller.
    void showMessage(std::string_view message) override { message_ = message; }
    std::string decimalSeparator() const override { return "."; }
    PlotSurface& plot() override { return plot_; }

    const std::string& lastMessage() const { return message_; }

private:
    class NullPlot final : public PlotSurface {
    public:
        void setScale(float, float, float, float) override {}
        void setPersistentDrawing(bool, bool) override {}
        void clear() override {}
        void line(float, float, float, float, std::optional<Colour>) override {}
        void box(float, float, float, float, Colour) override {}
    };

    std::array<std::string, kTextBoxCount> texts_;
    bool singleSite_;
    LogSink& sink_;
    std::string caption_ = "&Begin";
    std::string message_;
    NullPlot plot_;
};

}  // namespace quillmar::batch
