#pragma once

#include <QFrame>
#include <QImage>

#include "pixel_canvas.h"
#include "plot.h"

namespace quillmar {

class ErrorBoundary;

// Picture1, the fitness plot. Drawing happens between paints, so it goes into
// a backing picture at the screen's device pixel ratio (PixelCanvas), on the
// window thread and in the order given; paintEvent only copies the picture,
// which also brings it back after the window was covered.
class PlotWidget final : public QFrame, public PlotSurface {
    Q_OBJECT

public:
    // Its paint, resize and change events run inside `boundary`.
    PlotWidget(QWidget* parent, ErrorBoundary& boundary);

    void setScale(float left, float top, float right, float bottom) override;
    void setPersistentDrawing(bool plot, bool window) override;
    void clear() override;
    void line(float x1, float y1, float x2, float y2, std::optional<Colour> colour) override
    {
        canvas_.line(x1, y1, x2, y2, toRgb(colour.value_or(Colour::buttonText())));
    }
    void box(float x1, float y1, float x2, float y2, Colour colour) override
    {
        canvas_.box(x1, y1, x2, y2, toRgb(colour));
    }

    // Schedules a repaint of what was drawn since the last call.
    void flushDirty();

    // The backing picture. Drawing writes into it in place: copy() it to keep
    // a picture that later drawing must not change.
    const QImage& image() const { return canvas_.image(); }
    QRgb toRgb(Colour colour) const
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
    // The device pixel that a point in user coordinates falls on.
    QPoint devicePoint(double x, double y) const { return canvas_.devicePoint(x, y); }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    // Fits the picture to the widget's inner area and pixel ratio.
    void fitCanvas();
    void refreshColours();

    ErrorBoundary& boundary_;
    PixelCanvas canvas_;
    // The palette's button colours as last resolved; QWidget::palette() is too
    // slow to call for every marker.
    QRgb buttonFace_ = 0;
    QRgb buttonText_ = 0;
};

}  // namespace quillmar
