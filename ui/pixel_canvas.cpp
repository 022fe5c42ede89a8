#include "pixel_canvas.h"

#include <QPainter>
#include <cstdlib>
#include <utility>

namespace quillmar {

void PixelCanvas::resize(QSize size, qreal dpr, QRgb fill)
{
    size = size.expandedTo(QSize(1, 1));
    if (!image_.isNull() && image_.size() == size && image_.devicePixelRatio() == dpr)
        return;
    QImage next(size, QImage::Format_RGB32);
    next.fill(fill);
    if (!image_.isNull()) {
        QPainter p(&next);
        p.drawImage(QRect(QPoint(0, 0), next.size()), image_, QRect(QPoint(0, 0), image_.size()));
    }
    next.setDevicePixelRatio(dpr);
    image_ = std::move(next);
    lastLine_.y = -1;
    bindImage();
    updateTransform();
    dirty_ = image_.rect();
}

void PixelCanvas::bindImage()
{
    bits_ = image_.bits();  // detaches: the canvas owns its pixels alone
    stride_ = image_.bytesPerLine();
    width_ = image_.width();
    height_ = image_.height();
}

void PixelCanvas::updateTransform()
{
    sx_ = width_ / static_cast<double>(right_ - left_);
    sy_ = height_ / static_cast<double>(bottom_ - top_);
}

void PixelCanvas::setScale(float left, float top, float right, float bottom)
{
    left_ = left;
    top_ = top;
    right_ = right;
    bottom_ = bottom;
    updateTransform();
}

void PixelCanvas::fill(QRgb c)
{
    lastLine_.y = -1;
    image_.fill(c);
    bindImage();
    dirty_ = image_.rect();
}

void PixelCanvas::hline(int x1, int x2, int y, QRgb c)
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

void PixelCanvas::vline(int x, int y1, int y2, QRgb c)
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

void PixelCanvas::plotPixel(int x, int y, QRgb c)
{
    if (x >= 0 && y >= 0 && x < width_ && y < height_)
        row(y)[x] = c;
}

void PixelCanvas::line(float x1, float y1, float x2, float y2, QRgb c)
{
    int px1 = toPixelX(x1), py1 = toPixelY(y1);
    const int px2 = toPixelX(x2), py2 = toPixelY(y2);
    if (py1 == py2) {
        const int cx1 = std::max(std::min(px1, px2), 0), cx2 = std::min(std::max(px1, px2), width_ - 1);
        if (lastLine_.y == py1 && lastLine_.x1 == cx1 && lastLine_.x2 == cx2 && lastLine_.c == c)
            return;  // its pixels are there already
        touch(std::min(px1, px2), py1, std::max(px1, px2), py1);
        hline(px1, px2, py1, c);
        if (py1 >= 0 && py1 < height_)
            lastLine_ = {py1, cx1, cx2, c};
        return;
    }
    touch(std::min(px1, px2), std::min(py1, py2), std::max(px1, px2), std::max(py1, py2));
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

void PixelCanvas::box(float x1, float y1, float x2, float y2, QRgb c)
{
    int l = toPixelX(x1), t = toPixelY(y1);
    int r = toPixelX(x2), b = toPixelY(y2);
    if (l > r)
        std::swap(l, r);
    if (t > b)
        std::swap(t, b);
    touch(l, t, r, b);
    // The same pixels as two hline and two vline calls; the usual case, a box
    // wholly inside the picture, takes one pass down the rows. The buffer and
    // stride are held locally: a pixel store could otherwise alias the
    // canvas's own integers and force them to be read again.
    if (l >= 0 && t >= 0 && r < width_ && b < height_) {
        uchar* line = bits_ + t * stride_;
        const qsizetype stride = stride_;
        std::fill_n(reinterpret_cast<QRgb*>(line) + l, r - l + 1, c);
        for (int y = t + 1; y < b; ++y) {
            line += stride;
            QRgb* p = reinterpret_cast<QRgb*>(line);
            p[l] = c;
            p[r] = c;
        }
        if (b > t)
            std::fill_n(reinterpret_cast<QRgb*>(line + stride) + l, r - l + 1, c);
        return;
    }
    // A box cut by an edge: the clipping line primitives draw what is inside.
    hline(l, r, t, c);
    hline(l, r, b, c);
    vline(l, t, b, c);
    vline(r, t, b, c);
}

}  // namespace quillmar
