#pragma once

#include "draw/chartmapping.h"

#include <QImage>
#include <QPointF>
#include <QWidget>

// A picture box: a drawing surface with a retained image that the window repaints from, and a
// user coordinate system (left, top, right, bottom) in which mouse positions are reported.
// The image has the surface's logical size times the device pixel ratio, so lines stay sharp on
// high-density screens; it is drawn on in logical coordinates all the same.
class DrawingSurface : public QWidget
{
    Q_OBJECT

public:
    using Scale = UserScale;

    // logicalSize is the surface's size on screen at 96 dpi, in device-independent pixels.
    DrawingSurface(QSize logicalSize, QWidget *parent = nullptr);

    QImage &image() { return m_image; }
    const QImage &image() const { return m_image; }
    QSize logicalSize() const { return m_logicalSize; }
    const Scale &scale() const { return m_scale; }
    void setScale(const Scale &scale) { m_scale = scale; }
    // User units to logical pixels of the retained image.
    ChartMapping mapping() const { return ChartMapping(m_scale, QSizeF(m_logicalSize)); }
    QColor backColor() const { return m_backColor; }
    // Setting the background clears the surface to it.
    void setBackColor(const QColor &color);

    // Re-creates the retained image for another device pixel ratio, cleared to the background;
    // the owner redraws it. The constructor uses the ratio of the screen the surface starts on.
    void setImagePixelRatio(qreal ratio);

    // Mapping between user units and widget (logical pixel) positions.
    QPointF toUser(QPointF widgetPos) const;
    QPointF toWidget(QPointF userPos) const;

    // Call after drawing into image() so the window shows it.
    void imageChanged() { update(); }

    QSize sizeHint() const override { return m_logicalSize; }

signals:
    // button: 1 left, 2 right, 4 middle; shift: 1 Shift, 2 Ctrl, 4 Alt; x, y in user units.
    void mouseDown(int button, int shift, double x, double y);
    void mouseUp(int button, int shift, double x, double y);
    void mouseMove(int button, int shift, double x, double y);

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;

private:
    QSize m_logicalSize;
    QImage m_image;
    Scale m_scale;
    QColor m_backColor = Qt::white;
};
