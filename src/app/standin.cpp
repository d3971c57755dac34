#include "app/standin.h"

#include <QEvent>

StandIn::StandIn(QWidget *control, QWidget *parent)
    : QWidget(parent)
    , m_control(control)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setSizePolicy(control->sizePolicy());
    control->installEventFilter(this);
}

QSize StandIn::sizeHint() const
{
    return m_control ? m_control->sizeHint() : QSize();
}

QSize StandIn::minimumSizeHint() const
{
    return m_control ? m_control->minimumSizeHint() : QSize();
}

bool StandIn::event(QEvent *event)
{
    switch (event->type()) {
    case QEvent::ParentChange:
        watchAncestors();
        break;
    case QEvent::Move:
    case QEvent::Resize:
    case QEvent::Show:
        follow();
        break;
    default:
        break;
    }
    return QWidget::event(event);
}

bool StandIn::eventFilter(QObject *watched, QEvent *event)
{
    const QEvent::Type type = event->type();
    if (watched == m_control) {
        if (type == QEvent::FontChange || type == QEvent::StyleChange)
            updateGeometry(); // the control's hint changed: the row makes room again
    } else if (type == QEvent::Move || type == QEvent::Resize) {
        follow();
    }
    return false;
}

void StandIn::watchAncestors()
{
    for (const QPointer<QWidget> &ancestor : std::as_const(m_watched)) {
        if (ancestor)
            ancestor->removeEventFilter(this);
    }
    m_watched.clear();
    if (!m_control)
        return;
    for (QWidget *w = parentWidget(); w && w != m_control->parentWidget(); w = w->parentWidget()) {
        w->installEventFilter(this);
        m_watched.append(w);
    }
    follow();
}

void StandIn::follow()
{
    QWidget *host = m_control ? m_control->parentWidget() : nullptr;
    if (!host || !host->isAncestorOf(this))
        return;
    m_control->setGeometry(QRect(mapTo(host, QPoint(0, 0)), size()));
    m_control->raise();
}
