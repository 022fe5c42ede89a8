#include "plot_widget.h"

#include <QEvent>
#include <QPaintEvent>
#if defined(__linux__)
#include <pthread.h>
#endif
#include <QPainter>
#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace quillmar {

PlotWidget::PlotWidget(QWidget* parent) : QFrame(parent)
{
    setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    setLineWidth(1);
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, pal.color(QPalette::Button));
    setPalette(pal);
    setAutoFillBackground(true);
    refreshColours();
}

PlotWidget::~PlotWidget()
{
    if (drawer_.joinable()) {
        {
            std::lock_guard lock(mutex_);
            stop_ = true;
        }
        wake_.notify_one();
        drawer_.join();
    }
}

void PlotWidget::handOver()
{
    if (queued_.empty())
        return;
    if (!drawer_.joinable())
        drawer_ = std::thread([this] { drawLoop(); });
    {
        std::unique_lock lock(mutex_);
        // A drawing thread that falls behind holds the run back rather than
        // letting the queue, and the memory it takes, grow without bound.
        done_.wait(lock, [this] { return work_.size() < kMaxWaiting; });
        if (work_.empty())
            work_.swap(queued_);
        else
            work_.insert(work_.end(), queued_.begin(), queued_.end());
    }
    queued_.clear();
    wake_.notify_one();
}

void PlotWidget::sync()
{
    handOver();
    if (!drawer_.joinable())
        return;
    std::unique_lock lock(mutex_);
    done_.wait(lock, [this] { return work_.empty() && !drawing_; });
}

void PlotWidget::drawLoop()
{
#if defined(__linux__)
    pthread_setname_np(pthread_self(), "plot-drawing");  // names it in profilers and debuggers
#endif
    std::vector<Command> batch;
    std::unique_lock lock(mutex_);
    for (;;) {
        wake_.wait(lock, [this] { return stop_ || !work_.empty(); });
        if (work_.empty())
            return;  // stopping, and nothing left to draw
        batch.swap(work_);
        drawing_ = true;
        lock.unlock();
        done_.notify_all();  // the queue has room again
        for (const Command& c : batch)
            c.isBox ? drawBox(c) : drawLine(c);
        batch.clear();
        lock.lock();
        drawing_ = false;
        if (work_.empty())
            done_.notify_all();
    }
}

void PlotWidget::refreshColours()
{
    buttonFace_ = palette().color(QPalette::Button).rgb();
    buttonText_ = palette().color(QPalette::ButtonText).rgb();
}

QRgb PlotWidget::toRgb(Colour colour) const
{
    switch (colour.kind) {
        case Colour::Kind::ButtonFace:
            return buttonFace_;
        case Colour::Kind::ButtonText:
            return buttonText_;
        case Colour::Kind::Rgb:
            break;
    }
    const auto v = colour.value;
    return qRgb(static_cast<int>(v & 0xffu), static_cast<int>((v >> 8) & 0xffu),
                static_cast<int>((v >> 16) & 0xffu));
}

void PlotWidget::ensureImage()
{
    sync();
    const qreal dpr = devicePixelRatioF();
    const QSize want = (QSizeF(contentsRect().size()) * dpr).toSize();
    if (!image_.isNull() && image_.size() == want && image_.devicePixelRatio() == dpr)
        return;
    QImage next(want.expandedTo(QSize(1, 1)), QImage::Format_RGB32);
    next.fill(toRgb(Colour::buttonFace()));
    if (!image_.isNull()) {
        // Keep the picture across a change of size or pixel ratio.
        QPainter p(&next);
        p.drawImage(QRect(QPoint(0, 0), next.size()), image_, QRect(QPoint(0, 0), image_.size()));
    }
    next.setDevicePixelRatio(dpr);
    image_ = std::move(next);
    bindImage();
    lastRow_.valid = false;
    updateTransform();
    dirty_ = image_.rect();
}

void PlotWidget::bindImage()
{
    bits_ = image_.bits();  // detaches: the widget owns its pixels alone
    stride_ = image_.bytesPerLine();
    width_ = image_.width();
    height_ = image_.height();
}

void PlotWidget::updateTransform()
{
    sx_ = image_.width() / static_cast<double>(right_ - left_);
    sy_ = image_.height() / static_cast<double>(bottom_ - top_);
}

void PlotWidget::setScale(float left, float top, float right, float bottom)
{
    sync();
    left_ = left;
    top_ = top;
    right_ = right;
    bottom_ = bottom;
    ensureImage();
    updateTransform();
}

void PlotWidget::setPersistentDrawing(bool, bool)
{
    // The backing image keeps the picture whatever the switches say; a repaint
    // after the window was covered shows it again.
}

void PlotWidget::clear()
{
    ensureImage();  // waits for the queue
    image_.fill(toRgb(Colour::buttonFace()));
    bindImage();
    dirty_ = image_.rect();
    lastRow_.valid = false;
}

void PlotWidget::hline(int x1, int x2, int y, QRgb c)
{
    if (y < 0 || y >= height_)
        return;
    if (x1 > x2)
        std::swap(x1, x2);
    x1 = std::max(x1, 0);
    x2 = std::min(x2, width_ - 1);
    if (x1 > x2)
        return;
    std::fill(row(y) + x1, row(y) + x2 + 1, c);
}

void PlotWidget::vline(int x, int y1, int y2, QRgb c)
{
    if (x < 0 || x >= width_)
        return;
    if (y1 > y2)
        std::swap(y1, y2);
    y1 = std::max(y1, 0);
    y2 = std::min(y2, height_ - 1);
    for (int y = y1; y <= y2; ++y)
        row(y)[x] = c;
}

void PlotWidget::plotPixel(int x, int y, QRgb c)
{
    if (x >= 0 && y >= 0 && x < width_ && y < height_)
        row(y)[x] = c;
}

void PlotWidget::line(float x1, float y1, float x2, float y2, std::optional<Colour> colour)
{
    if (!bits_)
        ensureImage();
    enqueue({x1, y1, x2, y2, toRgb(colour.value_or(Colour::buttonText())), false});
}

void PlotWidget::drawLine(const Command& cmd)
{
    const QRgb c = cmd.colour;
    int px1 = toPixelX(cmd.x1), py1 = toPixelY(cmd.y1);
    const int px2 = toPixelX(cmd.x2), py2 = toPixelY(cmd.y2);
    if (py1 == py2) {
        // The threshold line is drawn again on every generation; when nothing
        // has been drawn across its row since, its pixels are already there.
        const int cx1 = std::max(std::min(px1, px2), 0);
        const int cx2 = std::min(std::max(px1, px2), width_ - 1);
        if (lastRow_.valid && lastRow_.y == py1 && lastRow_.x1 == cx1 && lastRow_.x2 == cx2 &&
            lastRow_.c == c)
            return;
        touch(px1, py1, px2, py2);
        hline(px1, px2, py1, c);
        lastRow_ = {py1, cx1, cx2, c, true};
        return;
    }
    touch(px1, py1, px2, py2);
    if (px1 == px2) {
        vline(px1, py1, py2, c);
        return;
    }
    // Bresenham for the general case; clipping happens per pixel.
    const int dx = std::abs(px2 - px1), sx = px1 < px2 ? 1 : -1;
    const int dy = -std::abs(py2 - py1), sy = py1 < py2 ? 1 : -1;
    int err = dx + dy;
    for (;;) {
        plotPixel(px1, py1, c);
        if (px1 == px2 && py1 == py2)
            break;
        const int e2 = 2 * err;
        if (e2 >= dy) {
            err += dy;
            px1 += sx;
        }
        if (e2 <= dx) {
            err += dx;
            py1 += sy;
        }
    }
}

void PlotWidget::box(float x1, float y1, float x2, float y2, Colour colour)
{
    if (!bits_)
        ensureImage();
    enqueue({x1, y1, x2, y2, toRgb(colour), true});
}

void PlotWidget::drawBox(const Command& cmd)
{
    const QRgb c = cmd.colour;
    int l = toPixelX(cmd.x1), t = toPixelY(cmd.y1);
    int r = toPixelX(cmd.x2), b = toPixelY(cmd.y2);
    if (l > r)
        std::swap(l, r);
    if (t > b)
        std::swap(t, b);
    touch(l, t, r, b);
    // The same pixels as two hline and two vline calls. A marker is drawn
    // nine times per generation, so the usual case, a box wholly inside the
    // picture, takes one pass down the rows.
    const int w = width_, h = height_;
    if (l >= 0 && t >= 0 && r < w && b < h) {
        QRgb* p = row(t);
        for (int x = l; x <= r; ++x)
            p[x] = c;
        for (int y = t + 1; y < b; ++y) {
            p = row(y);
            p[l] = c;
            p[r] = c;
        }
        p = row(b);
        for (int x = l; x <= r; ++x)
            p[x] = c;
        return;
    }
    // A box cut by an edge: the clipping line primitives draw what is inside.
    hline(l, r, t, c);
    hline(l, r, b, c);
    vline(l, t, b, c);
    vline(r, t, b, c);
}

void PlotWidget::flushDirty()
{
    sync();
    if (dirty_.isEmpty())
        return;
    const qreal dpr = image_.devicePixelRatio();
    const QRect logical =
        QRectF(dirty_.x() / dpr, dirty_.y() / dpr, dirty_.width() / dpr, dirty_.height() / dpr)
            .toAlignedRect()
            .adjusted(-1, -1, 1, 1)
            .translated(contentsRect().topLeft());
    dirty_ = QRect();
    update(logical.intersected(contentsRect()));
}

void PlotWidget::paintEvent(QPaintEvent* event)
{
    guard(Entry::PlotPaint, [&] {
        ensureImage();
        QPainter p(this);
        p.setClipRect(event->rect());
        // The frame first: at fractional device positions a style may draw it a
        // device pixel into the contents, and the picture must stay whole.
        drawFrame(&p);
        p.drawImage(contentsRect().topLeft(), image_);
    });
}

void PlotWidget::resizeEvent(QResizeEvent* event)
{
    guard(Entry::PlotResize, [&] {
        QFrame::resizeEvent(event);
        ensureImage();
    });
}

void PlotWidget::changeEvent(QEvent* event)
{
    guard(Entry::PlotChange, [&] {
        sync();  // the colours and the image change below
        QFrame::changeEvent(event);
        switch (event->type()) {
            case QEvent::PaletteChange:
            case QEvent::StyleChange:
            case QEvent::ActivationChange:
            case QEvent::EnabledChange:
                refreshColours();
                break;
            default:
                break;
        }
        if (event->type() == QEvent::PaletteChange || event->type() == QEvent::StyleChange)
            ensureImage();
    });
}

}  // namespace quillmar
