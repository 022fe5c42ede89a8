#pragma once

#include <QString>
#include <cstddef>
#include <exception>
#include <functional>
#include <memory>
#include <optional>

class QObject;

namespace quillmar {

// The places where Qt calls into the window's code, where a fault may be
// injected.
enum class Entry {
    Click,      // a click handler
    Present,    // the screen update after the outermost handler
    PlotPaint,  // the plot's paint, resize and change events
    PlotResize,
    PlotChange,
    TextChanged,  // a user-editable box's text changed
    LogInput,     // the log's event filter, before the user's input
};

// The window's one error boundary. All work that Qt calls into runs inside
// it; the first error that work throws is kept, makes every running loop
// unwind at its next yield, and is reported once; then the program ends. A
// further error while one is reported is ignored.
class ErrorBoundary {
public:
    // Memory set aside while the window lives and freed when the first error
    // is kept: when memory runs out, Qt itself crashes in the log's text
    // document and in building the message box, which the report needs.
    static constexpr std::size_t kReserveBytes = std::size_t{4} << 20;

    // Called at the start of all work, with its place; it may throw.
    using InjectFault = std::function<void(Entry)>;
    // Reports the kept error once, with its message; it ends the program.
    using Report = std::function<void(const QString&)>;

    // `context` is the window: a report that must wait for the event loop is
    // queued on it.
    ErrorBoundary(QObject& context, InjectFault injectFault, Report report);

    // Runs `work`. An error it throws is kept; outside every handler it is
    // reported as soon as the event loop has control again, since Qt's own
    // frames, perhaps a paint, lie between here and the event loop.
    void run(Entry entry, const std::function<void()>& work);
    // Runs a click handler, unless the program is ending. After the outermost
    // handler, `settle` runs (inside the boundary) when nothing failed, and a
    // kept error is reported.
    void runHandler(const std::function<void()>& handler, const std::function<void()>& settle);
    // At every yield of a running loop: unwinds it when an error was kept or
    // the window is closing.
    void unwindIfEnding() const;
    // The window closes: running loops unwind, and no handler runs any more.
    void close() { closing_ = true; }

    bool closing() const { return closing_; }
    const std::optional<QString>& failure() const { return failure_; }

    // The message that reports an error caught as `e`.
    static QString errorText(std::exception_ptr e);

private:
    void report();

    QObject& context_;
    InjectFault injectFault_;
    Report report_;
    int handlerDepth_ = 0;
    bool closing_ = false;
    std::optional<QString> failure_;
    bool reported_ = false;
    std::unique_ptr<char[]> reserve_ = std::make_unique_for_overwrite<char[]>(kReserveBytes);
};

}  // namespace quillmar
