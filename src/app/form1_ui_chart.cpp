// The trend chart with its cursor strips, the cursor boxes, the magnification and time sliders
// and their captions: what "Trend Chart" shows in realtime mode.
#include "app/form1_ui.h"

#include "app/drawingsurface.h"
#include "app/makecontrol.h"
#include "app/shapeindicator.h"
#include "app/steadywidth.h"
#include "core/cursorstate.h"
#include "core/readout.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QSlider>

using namespace MakeControl;

namespace {

// Sizes of the drawing surfaces on screen at 96 dpi (twips / 15).
constexpr QSize kPicture1Size(533, 400);
constexpr QSize kPicture4Size(529, 53);
constexpr QSize kPicture3Size(53, 399);

// Every caption a magnification slider can show.
QStringList captions(std::optional<QString> (*caption)(int))
{
    QStringList all;
    for (int position = 1; position <= Realtime::kStartScale; ++position)
        all.append(caption(position).value_or(QString()));
    return all;
}

} // namespace

// The cursor entry boxes sit in the X strip (Picture4), below its markers, in one row, showing
// where the cursors start.
void Form1Ui::buildCursorBoxes()
{
    const CursorState start;
    Label12 = label("Label12", QStringLiteral("X1："), Picture4);
    Text5 = box("Text5", QStringLiteral("Cursor X1"), Picture4);
    Label13 = label("Label13", QStringLiteral("X2："), Picture4);
    Text6 = box("Text6", QStringLiteral("Cursor X2"), Picture4);
    Label9 = label("Label9", QStringLiteral("Y1："), Picture4);
    Text7 = box("Text7", QStringLiteral("Cursor Y1"), Picture4);
    Label11 = label("Label11", QStringLiteral("Y2："), Picture4);
    Text8 = box("Text8", QStringLiteral("Cursor Y2"), Picture4);
    Text5->setText(QString::number(start.cursorX1));
    Text6->setText(QString::number(start.cursorX2));
    Text7->setText(QString::number(start.cursorY1));
    Text8->setText(QString::number(start.cursorY2));
    int x = 4;
    const int y = kPicture4Size.height() - 22;
    const std::pair<QLabel *, QLineEdit *> row[]
            = {{Label12, Text5}, {Label13, Text6}, {Label9, Text7}, {Label11, Text8}};
    for (const auto &[caption, entry] : row) {
        caption->setGeometry(x, y, 30, 20);
        entry->setGeometry(x + 30, y, 90, 20);
        caption->setBuddy(entry);
        x += 130;
    }
}

void Form1Ui::buildChart()
{
    Picture1 = named(new DrawingSurface(kPicture1Size), "Picture1");
    Picture1->setAccessibleName(QStringLiteral("Trend chart"));
    Picture1->setMouseTracking(true);
    Picture3 = named(new DrawingSurface(kPicture3Size), "Picture3");
    Picture3->setAccessibleName(QStringLiteral("Horizontal cursor strip"));
    Picture4 = named(new DrawingSurface(kPicture4Size), "Picture4");
    Picture4->setAccessibleName(QStringLiteral("Vertical cursor strip"));
    buildCursorBoxes();
    Picture5 = named(new QWidget(Picture4), "Picture5");
    Picture5->setGeometry(0, 0, 0, 0);
    Shape3 = named(new ShapeIndicator, "Shape3");
    Shape3->setAccessibleName(QStringLiteral("Decoration"));
    Shape3->setVisible(false);

    Slider1 = named(new QSlider(Qt::Vertical), "Slider1");
    Slider1->setAccessibleName(QStringLiteral("Chart magnification of the first value"));
    Slider3 = named(new QSlider(Qt::Vertical), "Slider3");
    Slider3->setAccessibleName(QStringLiteral("Chart magnification of the second value"));
    for (QSlider *s : {Slider1, Slider3}) {
        s->setRange(1, Realtime::kStartScale);
        s->setValue(Realtime::kStartScale);
        s->setPageStep(1);
        s->setTickPosition(QSlider::TicksRight);
    }
    Slider2 = named(new QSlider(Qt::Horizontal), "Slider2");
    Slider2->setAccessibleName(QStringLiteral("Time window of the trend chart"));
    Slider2->setRange(0, 4);
    Slider2->setValue(2);
    Slider2->setPageStep(1);
    Slider2->setTickPosition(QSlider::TicksBelow);
    const QStringList ohmCaptions = captions(&Realtime::resistanceMagnification);
    const QStringList currentCaptions = captions(&Realtime::currentMagnification);
    Label8 = label("Label8", ohmCaptions.last());
    Label19 = label("Label19", currentCaptions.last());
    steadyWidth(Label8, ohmCaptions);
    steadyWidth(Label19, currentCaptions);
    Label10 = label("Label10", QStringLiteral("1s"));
    Label14 = label("Label14", QStringLiteral("5s"));
    Label15 = label("Label15", QStringLiteral("10s"));
    Label16 = label("Label16", QStringLiteral("15s"));
    Label17 = label("Label17", QStringLiteral("30s"));
    Label18 = label("Label18", QStringLiteral("X:   Y:"));
    steadyWidth(Label18, {QStringLiteral("X: 888 Y: 888")});
}

QLayout *Form1Ui::chartLayout()
{
    auto *chart = new QGridLayout;
    chart->setSpacing(0);
    chart->addWidget(Slider1, 0, 0, Qt::AlignHCenter);
    chart->addWidget(Label8, 1, 0, Qt::AlignHCenter | Qt::AlignTop);
    chart->addWidget(Picture1, 0, 1);
    chart->addWidget(Picture3, 0, 2);
    chart->addWidget(Slider3, 0, 3, Qt::AlignHCenter);
    chart->addWidget(Label19, 1, 3, Qt::AlignHCenter | Qt::AlignTop);
    chart->addWidget(Picture4, 1, 1, 1, 2, Qt::AlignLeft | Qt::AlignTop);
    chart->addWidget(Slider2, 2, 1);
    // Each time caption centred under its tick: the five ticks split the groove in four.
    auto *times = new QGridLayout;
    times->setContentsMargins(0, 0, 0, 0);
    times->setHorizontalSpacing(0);
    QLabel *labels[] = {Label10, Label14, Label15, Label16, Label17};
    for (int i = 0; i < 5; ++i) {
        // Caption i at i quarters of the width; the end ones flush with the ends.
        const bool end = i == 0 || i == 4;
        const Qt::Alignment align = i == 0   ? Qt::AlignLeft
                                    : i == 4 ? Qt::AlignRight
                                             : Qt::AlignHCenter;
        times->addWidget(labels[i], 0, qMax(0, 2 * i - 1), 1, end ? 1 : 2, align);
    }
    for (int column = 0; column < 8; ++column)
        times->setColumnStretch(column, 1);
    chart->addLayout(times, 3, 1);
    chart->addWidget(Label18, 4, 1);
    chart->addWidget(Shape3, 4, 2);
    chart->setRowStretch(5, 1);
    return chart;
}

QList<QWidget *> Form1Ui::trendChartControls() const
{
    return {Picture1,
            Picture3,
            Picture4,
            Slider1,
            Slider2,
            Slider3,
            Label8,
            Label19,
            Label10,
            Label14,
            Label15,
            Label16,
            Label17,
            Label18};
}
