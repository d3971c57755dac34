#pragma once

#include <QImage>
#include <QPointF>
#include <QWidget>

// A picture box: a drawing surface with a retained image that the window repaints from, and a
// user coordinate system (left, top, right, bottom) in which mouse positions are reported.
class DrawingSurface : public QWidget
{
    Q_OBJECT

public:
    struct Scale {
        double left = 0;
        double top = 0;
        double right = 1;
        double bottom = 1;
    };

    // logicalSize is the surface's size on screen at 96 dpi, in device-independent pixels.
    DrawingSurface(QSize logicalSize, QWidget *parent = nullptr);

    QImage &image() { return m_image; }
    const QImage &image() const { return m_image; }
    const Scale &scale() const { return m_scale; }
    void setScale(const Scale &scale) { m_scale = scale; }
    QColor backColor() const { return m_backColor; }
    // Setting the background clears the surface to it.
    void setBackColor(const QColor &color);

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
