#include "app/drawingsurface.h"

#include <QMouseEvent>
#include <QPainter>

namespace {
int vbButton(Qt::MouseButton button)
{
    switch (button) {
    case Qt::LeftButton:
        return 1;
    case Qt::RightButton:
        return 2;
    case Qt::MiddleButton:
        return 4;
    default:
        return 0;
    }
}

int vbButtons(Qt::MouseButtons buttons)
{
    return (buttons & Qt::LeftButton ? 1 : 0) | (buttons & Qt::RightButton ? 2 : 0)
           | (buttons & Qt::MiddleButton ? 4 : 0);
}

int vbShift(Qt::KeyboardModifiers modifiers)
{
    return (modifiers & Qt::ShiftModifier ? 1 : 0) | (modifiers & Qt::ControlModifier ? 2 : 0)
           | (modifiers & Qt::AltModifier ? 4 : 0);
}
} // namespace

DrawingSurface::DrawingSurface(QSize logicalSize, QWidget *parent)
    : QWidget(parent)
    , m_logicalSize(logicalSize)
{
    setFixedSize(logicalSize);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setImagePixelRatio(devicePixelRatioF());
}

void DrawingSurface::setImagePixelRatio(qreal ratio)
{
    if (!(ratio > 0))
        ratio = 1;
    m_image = QImage((QSizeF(m_logicalSize) * ratio).toSize(), QImage::Format_RGB32);
    m_image.setDevicePixelRatio(ratio);
    m_image.fill(m_backColor);
    update();
}

void DrawingSurface::setBackColor(const QColor &color)
{
    m_backColor = color;
    m_image.fill(color);
    update();
}

QPointF DrawingSurface::toUser(QPointF p) const
{
    const double w = m_logicalSize.width();
    const double h = m_logicalSize.height();
    return {m_scale.left + p.x() / w * (m_scale.right - m_scale.left),
            m_scale.top + p.y() / h * (m_scale.bottom - m_scale.top)};
}

QPointF DrawingSurface::toWidget(QPointF u) const
{
    const double w = m_logicalSize.width();
    const double h = m_logicalSize.height();
    return {(u.x() - m_scale.left) / (m_scale.right - m_scale.left) * w,
            (u.y() - m_scale.top) / (m_scale.bottom - m_scale.top) * h};
}

void DrawingSurface::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.drawImage(rect(), m_image);
}

void DrawingSurface::mousePressEvent(QMouseEvent *event)
{
    const QPointF u = toUser(event->position());
    emit mouseDown(vbButton(event->button()), vbShift(event->modifiers()), u.x(), u.y());
}

void DrawingSurface::mouseReleaseEvent(QMouseEvent *event)
{
    const QPointF u = toUser(event->position());
    emit mouseUp(vbButton(event->button()), vbShift(event->modifiers()), u.x(), u.y());
}

void DrawingSurface::mouseMoveEvent(QMouseEvent *event)
{
    const QPointF u = toUser(event->position());
    emit mouseMove(vbButtons(event->buttons()), vbShift(event->modifiers()), u.x(), u.y());
}
