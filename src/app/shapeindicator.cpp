#include "app/shapeindicator.h"

#include <QPainter>

ShapeIndicator::ShapeIndicator(QWidget *parent)
    : QWidget(parent)
{
    setMinimumSize(16, 16);
}

void ShapeIndicator::setFillColor(const QColor &color)
{
    if (m_fillColor == color)
        return;
    m_fillColor = color;
    update();
}

void ShapeIndicator::setFillState(int state)
{
    state = state != 0 ? 1 : 0;
    if (m_fillState == state)
        return;
    m_fillState = state;
    update();
}

void ShapeIndicator::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const int side = qMin(width(), height()) - 2;
    const QRectF circle((width() - side) / 2.0, (height() - side) / 2.0, side, side);
    painter.setPen(QPen(Qt::black, 1));
    painter.setBrush(m_fillState ? QBrush(m_fillColor) : QBrush(Qt::NoBrush));
    painter.drawEllipse(circle);
}
