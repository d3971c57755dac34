#pragma once

#include <QColor>
#include <QWidget>

// A round indicator with a black border, a fill colour and a two-valued fill state:
// fill state 1 shows the fill colour, 0 shows no fill.
class ShapeIndicator : public QWidget
{
    Q_OBJECT

public:
    explicit ShapeIndicator(QWidget *parent = nullptr);

    QColor fillColor() const { return m_fillColor; }
    void setFillColor(const QColor &color);
    int fillState() const { return m_fillState; }
    void setFillState(int state);
    // What a sighted user sees: the fill colour when filled, nothing otherwise.
    bool isLit() const { return m_fillState != 0; }

    QSize sizeHint() const override { return {24, 24}; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QColor m_fillColor = Qt::white;
    int m_fillState = 1;
};
