#pragma once

#include <QList>
#include <QPointer>
#include <QWidget>

// Holds a control's place in a layout while the control is a child of an ancestor of that
// layout's owner. The alarm frame's current switch must stay enabled when the frame is
// disabled, yet read as the caption of the frame's second row: its stand-in takes the control's
// size hint in the frame's grid, and the control is kept over the stand-in's rectangle whenever
// the stand-in, or anything between it and the control's parent, moves or resizes. Fonts and
// screen densities change the hint, and the row follows.
class StandIn final : public QWidget
{
public:
    explicit StandIn(QWidget *control, QWidget *parent = nullptr);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    bool event(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void watchAncestors();
    void follow();

    QPointer<QWidget> m_control;
    QList<QPointer<QWidget>> m_watched;
};
