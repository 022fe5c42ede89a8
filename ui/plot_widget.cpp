#include "plot_widget.h"

#include <QEvent>
#include <QPaintEvent>
#include <QPainter>

#include "error_boundary.h"

namespace quillmar {

PlotWidget::PlotWidget(QWidget* parent, ErrorBoundary& boundary) : QFrame(parent), boundary_(boundary)
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
    fitCanvas();
}

void PlotWidget::refreshColours()
{
    buttonFace_ = palette().color(QPalette::Button).rgb();
    buttonText_ = palette().color(QPalette::ButtonText).rgb();
}

void PlotWidget::fitCanvas()
{
    const qreal dpr = devicePixelRatioF();
    canvas_.resize((QSizeF(contentsRect().size()) * dpr).toSize(), dpr, buttonFace_);
}

void PlotWidget::setScale(float left, float top, float right, float bottom)
{
    fitCanvas();
    canvas_.setScale(left, top, right, bottom);
}

void PlotWidget::setPersistentDrawing(bool, bool)
{
    // The backing picture keeps what is drawn whatever the switches say; a
    // repaint after the window was covered shows it again.
}

void PlotWidget::clear()
{
    fitCanvas();
    canvas_.fill(buttonFace_);
}

void PlotWidget::flushDirty()
{
    const QRect dirty = canvas_.takeDirty();
    if (dirty.isEmpty())
        return;
    const qreal dpr = canvas_.image().devicePixelRatio();
    const QRect logical = QRectF(dirty.x() / dpr, dirty.y() / dpr, dirty.width() / dpr, dirty.height() / dpr)
                              .toAlignedRect()
                              .adjusted(-1, -1, 1, 1)
                              .translated(contentsRect().topLeft());
    update(logical.intersected(contentsRect()));
}

void PlotWidget::paintEvent(QPaintEvent* event)
{
    boundary_.run(Entry::PlotPaint, [&] {
        fitCanvas();
        QPainter p(this);
        p.setClipRect(event->rect());
        // The frame first: at fractional device positions a style may draw it a
        // device pixel into the contents, and the picture must stay whole.
        drawFrame(&p);
        p.drawImage(contentsRect().topLeft(), canvas_.image());
    });
}

void PlotWidget::resizeEvent(QResizeEvent* event)
{
    boundary_.run(Entry::PlotResize, [&] {
        QFrame::resizeEvent(event);
        fitCanvas();
    });
}

void PlotWidget::changeEvent(QEvent* event)
{
    boundary_.run(Entry::PlotChange, [&] {
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
            fitCanvas();
    });
}

}  // namespace quillmar
