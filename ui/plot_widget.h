#pragma once

#include <QFrame>
#include <QImage>
#include <QRect>
#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

#include "error_boundary.h"
#include "plot.h"

namespace quillmar {

// Picture1, the fitness plot. Drawing happens between paints, so it goes into a
// backing image at the screen's device pixel ratio; paintEvent only copies the
// image, which also brings the picture back after the window was covered.
// Lines are one device pixel wide and never antialiased, so drawing a shape
// again in the background colour erases it exactly.
//
// Lines and boxes are queued and drawn, in the order given, by a drawing
// thread, so a run's generations do not wait for their pixels. Everything that
// reads or changes the picture or its scale first waits until the queue is
// drawn; the drawing thread touches nothing but the image's pixels.
class PlotWidget final : public QFrame, public PlotSurface {
    Q_OBJECT

public:
    explicit PlotWidget(QWidget* parent = nullptr);
    ~PlotWidget() override;

    void setScale(float left, float top, float right, float bottom) override;
    void setPersistentDrawing(bool plot, bool window) override;
    void clear() override;
    void line(float x1, float y1, float x2, float y2, std::optional<Colour> colour) override;
    void box(float x1, float y1, float x2, float y2, Colour colour) override;

    // Schedules a repaint of what was drawn since the last call.
    void flushDirty();

    // The backing image, with everything queued drawn. Drawing writes into it
    // in place: copy() it to keep a picture that later drawing must not change.
    const QImage& image() const
    {
        const_cast<PlotWidget*>(this)->sync();
        return image_;
    }
    QRgb toRgb(Colour colour) const;
    // The device pixel that a point in user coordinates falls on.
    QPoint devicePoint(double x, double y) const { return {toPixelX(x), toPixelY(y)}; }

    // Where the event handlers run their work: the window's error boundary.
    Boundary boundary;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void guard(Entry entry, const std::function<void()>& work) { boundary ? boundary(entry, work) : work(); }

    struct Command {
        float x1, y1, x2, y2;
        QRgb colour;
        bool isBox;
    };
    // Hands queued commands to the drawing thread (starting it if need be).
    void handOver();
    // Returns when every command queued so far is drawn.
    void sync();
    void drawLoop();
    void drawLine(const Command& c);
    void drawBox(const Command& c);
    void enqueue(const Command& c)
    {
        queued_.push_back(c);
        if (queued_.size() >= kBatch)
            handOver();
    }

    void ensureImage();
    void updateTransform();
    int toPixelX(double x) const { return toPixel((x - left_) * sx_); }
    int toPixelY(double y) const { return toPixel((y - top_) * sy_); }
    // The device pixel a coordinate falls in (rounded down), kept within a
    // range where clipping still works and no conversion overflows.
    static int toPixel(double v)
    {
        if (!(v > -1e6))
            return -1000000;
        if (v > 1e6)
            return 1000000;
        const int i = static_cast<int>(v);
        return i - (v < i ? 1 : 0);
    }
    void hline(int x1, int x2, int y, QRgb c);
    void vline(int x, int y1, int y2, QRgb c);
    void plotPixel(int x, int y, QRgb c);
    // Grows the dirty area; forgets the remembered line when its row is drawn on.
    void touch(int x1, int y1, int x2, int y2)
    {
        if (lastRow_.valid && std::min(y1, y2) <= lastRow_.y && lastRow_.y <= std::max(y1, y2))
            lastRow_.valid = false;
        const int l = std::min(x1, x2), t = std::min(y1, y2), r = std::max(x1, x2), b = std::max(y1, y2);
        if (dirty_.isEmpty())
            dirty_.setCoords(l, t, r, b);
        else
            dirty_.setCoords(std::min(dirty_.left(), l), std::min(dirty_.top(), t),
                             std::max(dirty_.right(), r), std::max(dirty_.bottom(), b));
    }

    void refreshColours();
    // Takes the image's pixel buffer and geometry after every change of image_.
    void bindImage();
    QRgb* row(int y) const { return reinterpret_cast<QRgb*>(bits_ + y * stride_); }

    // The members are grouped by the thread that writes them while a run
    // draws, each group on its own cache lines: a line written by one thread
    // and read by the other would pass between the processors on every
    // command and slow both.

    // Set by the window thread while the queue is drawn; read by both.
    QImage image_;
    // image_'s pixels and geometry, kept at hand: markers are drawn several
    // times per generation, and each QImage accessor is a library call.
    uchar* bits_ = nullptr;
    qsizetype stride_ = 0;
    int width_ = 0, height_ = 0;
    float left_ = 0, top_ = 0, right_ = 1, bottom_ = 1;
    double sx_ = 1, sy_ = 1;

    // Written by the drawing thread.
    alignas(64) QRect dirty_;  // in device pixels
    // The last horizontal line drawn (device pixels, clipped), valid while no
    // drawing has touched its row since: drawing it again changes nothing.
    struct Row {
        int y = 0, x1 = 0, x2 = -1;
        QRgb c = 0;
        bool valid = false;
    } lastRow_;  // in device pixels

    // Written by the window thread on every command.
    // The palette's button colours as last resolved; QWidget::palette() is too
    // slow to call for every marker.
    alignas(64) QRgb buttonFace_ = 0;
    QRgb buttonText_ = 0;

    // Commands go to the drawing thread in batches, which keeps the hand-over
    // cost per generation small.
    static constexpr std::size_t kBatch = 4096;
    static constexpr std::size_t kMaxWaiting = 4 * kBatch;
    std::vector<Command> queued_;   // window thread only
    alignas(64) std::mutex mutex_;  // guards what follows
    std::condition_variable wake_, done_;
    std::vector<Command> work_;
    bool drawing_ = false;
    bool stop_ = false;
    std::thread drawer_;
};

}  // namespace quillmar
