#include "app/steadywidth.h"

#include <QEvent>
#include <QLabel>

namespace {

class SteadyWidth final : public QObject
{
public:
    SteadyWidth(QLabel *label, const QStringList &texts)
        : QObject(label)
        , m_label(label)
        , m_texts(texts)
    {
        label->installEventFilter(this);
        measure();
    }

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange)
            measure();
        return false;
    }

private:
    void measure()
    {
        // The label's own size hint for each text: its margins and indent included.
        const QString shown = m_label->text();
        int width = 0;
        for (const QString &text : std::as_const(m_texts)) {
            m_label->setText(text);
            width = qMax(width, m_label->sizeHint().width());
        }
        m_label->setText(shown);
        m_label->setFixedWidth(qMax(width, m_label->sizeHint().width()));
    }

    QLabel *m_label;
    QStringList m_texts;
};

} // namespace

void steadyWidth(QLabel *label, const QStringList &texts)
{
    new SteadyWidth(label, texts);
}
