#pragma once

#include <QImage>
#include <QRect>
#include <algorithm>

namespace quillmar {

// The fitness plot's picture: device pixels drawn on in user coordinates with
// one-pixel solid lines and box outlines that overwrite what is below, never
// antialiased, so drawing a shape again in the background colour erases it.
// The loops are written out by hand: a generation draws nine boxes and a line,
// and QPainter costs many times more for shapes this small.
class PixelCanvas {
public:
    // Makes the picture `size` device pixels at the pixel ratio `dpr`, keeping
    // what is drawn (scaled to the new size); a new picture is filled with `fill`.
    void resize(QSize size, qreal dpr, QRgb fill);
    // Maps user coordinates linearly onto the whole picture: (left, top) is the
    // upper-left corner, (right, bottom) the lower-right one.
    void setScale(float left, float top, float right, float bottom);
    void fill(QRgb c);
    void line(float x1, float y1, float x2, float y2, QRgb c);
    // The outline of the box with the two given opposite corners.
    void box(float x1, float y1, float x2, float y2, QRgb c);

    const QImage& image() const { return image_; }
    // The device pixel that a point in user coordinates falls on.
    QPoint devicePoint(double x, double y) const { return {toPixelX(x), toPixelY(y)}; }
    // The device pixels drawn on since the last call; forgets them.
    QRect takeDirty()
    {
        const QRect r = dirty_;
        dirty_ = QRect();
        return r;
    }

private:
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
    // Grows the dirty area over rows t..b; forgets the remembered line when
    // one of them is its row.
    void touch(int l, int t, int r, int b)
    {
        if (t <= lastLine_.y && lastLine_.y <= b)
            lastLine_.y = -1;
        if (dirty_.isEmpty())
            dirty_.setCoords(l, t, r, b);
        else
            dirty_.setCoords(std::min(dirty_.left(), l), std::min(dirty_.top(), t),
                             std::max(dirty_.right(), r), std::max(dirty_.bottom(), b));
    }
    void hline(int x1, int x2, int y, QRgb c);
    void vline(int x, int y1, int y2, QRgb c);
    void plotPixel(int x, int y, QRgb c);
    QRgb* row(int y) const { return reinterpret_cast<QRgb*>(bits_ + y * stride_); }
    // Takes the image's pixel buffer and geometry after every change of image_.
    void bindImage();
    void updateTransform();

    QImage image_;
    // image_'s pixels and geometry, kept at hand: each QImage accessor is a
    // library call, and a marker is drawn several times per generation.
    uchar* bits_ = nullptr;
    qsizetype stride_ = 0;
    int width_ = 0, height_ = 0;
    float left_ = 0, top_ = 0, right_ = 1, bottom_ = 1;
    double sx_ = 1, sy_ = 1;
    QRect dirty_;  // in device pixels
    // The last horizontal line drawn, in device pixels and clipped, while no
    // drawing has touched its row since (y -1: none). The threshold line is
    // drawn on every generation, and mostly its pixels are still there.
    struct {
        int y = -1, x1 = 0, x2 = 0;
        QRgb c = 0;
    } lastLine_;
};

}  // namespace quillmar
