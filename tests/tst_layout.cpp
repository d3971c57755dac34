// The window as a user meets it: where the controls sit in each mode, with and without the trend
// chart, whatever the texts say; the current alarm switch in its row; the chart shown being the
// chart saved; the statistics boxes over the readings shown.
//
// QUILLO_SHOTS=<folder> also writes pictures of the window in each state there (render()).
#include "app/drawingsurface.h"
#include "fakes/testwindow.h"

#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMap>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QRadioButton>
#include <QSlider>
#include <QTemporaryDir>
#include <QTest>

namespace {

using Places = QMap<QString, QRect>;

// Lets the layouts do what the event loop would do next.
void settleLayouts()
{
    for (int pass = 0; pass < 4; ++pass)
        QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
}

// Where every shown, named control sits in window coordinates, and the window's size (the
// central widget is the window's body less the menu bar).
Places placesOf(Form1 *form)
{
    settleLayouts();
    Places places;
    places.insert(QStringLiteral("window size"), QRect(QPoint(), form->size()));
    for (QWidget *w : form->findChildren<QWidget *>()) {
        if (w->objectName().isEmpty() || w->objectName().startsWith(QLatin1String("qt_"))
            || w->isWindow() || !w->isVisible() || w == form->centralWidget())
            continue;
        places.insert(w->objectName(), QRect(w->mapTo(form, QPoint()), w->size()));
    }
    return places;
}

// Differences between two sets of places, as text, so a failure names what moved.
QStringList moved(const Places &before, const Places &after, const QStringList &ignored = {})
{
    QStringList differences;
    for (auto it = before.cbegin(); it != before.cend(); ++it) {
        if (ignored.contains(it.key()) || !after.contains(it.key()))
            continue;
        if (after.value(it.key()) != it.value())
            differences << QStringLiteral("%1 %2,%3 %4x%5 -> %6,%7 %8x%9")
                                   .arg(it.key())
                                   .arg(it->x())
                                   .arg(it->y())
                                   .arg(it->width())
                                   .arg(it->height())
                                   .arg(after.value(it.key()).x())
                                   .arg(after.value(it.key()).y())
                                   .arg(after.value(it.key()).width())
                                   .arg(after.value(it.key()).height());
    }
    return differences;
}

QByteArray reply(int kind, int value1, int range1, int value2, int byte6)
{
    QByteArray bytes;
    for (int b : {kind, value1 / 100, value1 % 100, range1, value2 / 100, value2 % 100, byte6})
        bytes.append(char(quint8(b)));
    return bytes;
}

// A shown window, every timer stopped, the trend chart item as asked.
struct ShownWindow : TestWindow
{
    explicit ShownWindow(bool chart = false)
    {
        stopTimers();
        form->show();
        if (chart)
            form->ui().mnutrendchart->trigger();
    }
    const Form1Ui &ui() const { return form->ui(); }
};

} // namespace

// Fails naming each control that moved.
#define NOTHING_MOVED(...) \
    do { \
        const QStringList differences = moved(__VA_ARGS__); \
        QVERIFY2(differences.isEmpty(), qPrintable(differences.join(QLatin1String("; ")))); \
    } while (false)

class TestLayout : public QObject
{
    Q_OBJECT

private slots:
    void modesAndBack_data();
    void modesAndBack();
    void trendChartItem();
    void textsMoveNothing_data();
    void textsMoveNothing();
    void currentSwitchInItsRow_data();
    void currentSwitchInItsRow();
    void chartShownIsChartSaved();
    void statisticsBoxes();
    void render();
};

void TestLayout::modesAndBack_data()
{
    QTest::addColumn<bool>("chart");
    QTest::newRow("trend chart off") << false;
    QTest::newRow("trend chart on") << true;
}

void TestLayout::modesAndBack()
{
    QFETCH(bool, chart);
    ShownWindow w(chart);
    const Places realtime = placesOf(w.form.get());
    for (QWidget *control : w.ui().trendChartControls())
        QCOMPARE(control->isVisible(), chart);

    w->Option2_Click();
    const Places oldData = placesOf(w.form.get());
    QVERIFY(w.ui().RichTextBox1->isVisible());
    for (QWidget *control : w.ui().trendChartControls())
        QVERIFY(!control->isVisible());

    // A transfer's progress bar comes and goes in the status line's room.
    w.ui().transferProgress->setVisible(true);
    NOTHING_MOVED(oldData, placesOf(w.form.get()));
    w.ui().transferProgress->setVisible(false);

    w->Option1_Click();
    NOTHING_MOVED(realtime, placesOf(w.form.get()));
    QCOMPARE(placesOf(w.form.get()).keys(), realtime.keys());
    w->Option2_Click();
    NOTHING_MOVED(oldData, placesOf(w.form.get()));

    // What both modes show stays where it was; the status line follows the bottom edge.
    NOTHING_MOVED(realtime, oldData, {QStringLiteral("window size"), QStringLiteral("Label6")});
    // The window holds all it shows.
    for (const Places &places : {realtime, oldData}) {
        const QRect window = places.value(QStringLiteral("window size"));
        for (auto it = places.cbegin(); it != places.cend(); ++it)
            QVERIFY2(it->isEmpty() || window.contains(*it), qPrintable(it.key()));
    }
}

void TestLayout::trendChartItem()
{
    ShownWindow w;
    const Form1Ui &ui = w.ui();
    // "View" sits between "Run" and "Help", its item unchecked.
    QList<QAction *> menus = w->menuBar()->actions();
    const qsizetype view = menus.indexOf(ui.mnuview->menuAction());
    QVERIFY(view > 0 && view + 1 < menus.size());
    QCOMPARE(menus.at(view - 1), ui.mnurun->menuAction());
    QCOMPARE(menus.at(view + 1), ui.mnuhelp->menuAction());
    QCOMPARE(ui.mnuview->actions(), QList<QAction *>{ui.mnutrendchart});
    QVERIFY(ui.mnutrendchart->isCheckable());
    QVERIFY(!ui.mnutrendchart->isChecked());

    const Places without = placesOf(w.form.get());
    ui.mnutrendchart->trigger();
    const Places with = placesOf(w.form.get());
    for (QWidget *control : ui.trendChartControls())
        QVERIFY2(with.contains(control->objectName()), qPrintable(control->objectName()));
    QVERIFY(with.value("window size").width() > without.value("window size").width());
    NOTHING_MOVED(without, with, {QStringLiteral("window size"), QStringLiteral("Label6")});

    ui.mnutrendchart->trigger();
    QCOMPARE(placesOf(w.form.get()), without);

    // Chosen while the stored data is read, the chart waits for realtime sampling.
    w->Option2_Click();
    ui.mnutrendchart->trigger();
    QVERIFY(!ui.Picture1->isVisible());
    w->Option1_Click();
    QCOMPARE(placesOf(w.form.get()), with);
}

void TestLayout::textsMoveNothing_data()
{
    QTest::addColumn<bool>("chart");
    QTest::addColumn<QString>("label");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("wholeTextShown");

    auto row
            = [](const char *name, bool chart, const char *label, const QString &text, bool whole) {
                  QTest::newRow(name) << chart << QString::fromLatin1(label) << text << whole;
              };
    row("link up", false, "Label2", QStringLiteral("connection success"), true);
    row("link lost", false, "Label2", QStringLiteral("connection fail"), true);
    row("port busy", false, "Label1", QStringLiteral("COM16 be occupied"), true);
    row("port opened", false, "Label1", QStringLiteral("COM12 open success"), true);
    row("resistance", false, "Label7", QStringLiteral(" 1499\u03A9"), true);
    row("current", false, "Label7", QStringLiteral(" 9.999mA"), true);
    row("under range",
        false,
        "Label7",
        QStringLiteral("L0.01") + QString(20, QLatin1Char(' ')),
        false);
    row("second current", false, "Label25", QStringLiteral(" 0.25A"), true);
    row("status", false, "Label6", QStringLiteral("Save num:500"), true);
    row("long status", false, "Label6", QString(300, QLatin1Char('W')), false);
    row("magnification", true, "Label8", QStringLiteral("\u00D70.01R"), true);
    row("current magnification", true, "Label19", QStringLiteral("\u00D70.01mA"), true);
    row("pointer", true, "Label18", QStringLiteral("X: 999 Y: 999"), true);
}

void TestLayout::textsMoveNothing()
{
    QFETCH(bool, chart);
    QFETCH(QString, label);
    QFETCH(QString, text);
    QFETCH(bool, wholeTextShown);
    ShownWindow w(chart);
    const Places before = placesOf(w.form.get());
    auto *shown = w->findChild<QLabel *>(label);
    QVERIFY(shown);
    shown->setText(text);
    NOTHING_MOVED(before, placesOf(w.form.get()));
    if (wholeTextShown)
        QVERIFY2(shown->width() >= shown->sizeHint().width(), "the text is cut off");
}

void TestLayout::currentSwitchInItsRow_data()
{
    QTest::addColumn<int>("pointSizeFactor");
    QTest::newRow("window font") << 1;
    QTest::newRow("twice the font") << 2;
}

void TestLayout::currentSwitchInItsRow()
{
    QFETCH(int, pointSizeFactor);
    ShownWindow w;
    const Form1Ui &ui = w.ui();
    if (pointSizeFactor != 1) {
        for (QWidget *box :
             {static_cast<QWidget *>(ui.Check1), static_cast<QWidget *>(ui.Check2)}) {
            QFont font = box->font();
            font.setPointSizeF(font.pointSizeF() * pointSizeFactor);
            box->setFont(font);
        }
    }
    settleLayouts();
    auto place = [&](QWidget *widget) {
        return QRect(widget->mapTo(w.form.get(), QPoint()), widget->size());
    };
    const QRect check1 = place(ui.Check1), text1 = place(ui.Text1);
    const QRect check2 = place(ui.Check2), text9 = place(ui.Text9);
    // The same row shape: switch before its box, both switches in one column, both boxes in one.
    QCOMPARE(check2.left(), check1.left());
    QCOMPARE(text9.left(), text1.left());
    QVERIFY(check1.right() < text1.left());
    QVERIFY(check2.right() < text9.left());
    QVERIFY(qAbs(check2.center().y() - text9.center().y()) <= 1);
    QVERIFY(check2.width() >= ui.Check2->sizeHint().width());
    QVERIFY(place(ui.Frame6).contains(check2));
    // On top of the frame, where a click lands on it; yet not the frame's: it stays enabled.
    QCOMPARE(w->childAt(check2.center()), ui.Check2);
    QVERIFY(!ui.Frame6->isAncestorOf(ui.Check2));
    w->Option2_Click();
    QVERIFY(!ui.Text9->isEnabled());
    QVERIFY(ui.Check2->isEnabled());
}

void TestLayout::chartShownIsChartSaved()
{
    ShownWindow w(true);
    const Form1Ui &ui = w.ui();
    QVERIFY(ui.Picture1->isVisible());
    const QImage before = ui.Picture1->grab().toImage();
    for (int i = 0; i < 12; ++i)
        w->DecodeRealtimeReply(reply(2, 300 + 40 * i, 2, 0, 5));
    const QImage shown = ui.Picture1->grab().toImage().convertToFormat(QImage::Format_RGB32);
    QVERIFY2(shown != before.convertToFormat(QImage::Format_RGB32), "no trace drawn");

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("chart.bmp"));
    w.dialog->saveAnswers.append({CommonDialog::Accepted, path, 1});
    w->mnusave_Click();
    QImage saved(path);
    QVERIFY2(!saved.isNull(), "no picture written");
    // On a high-density screen the picture is written at the chart's size at 96 dpi.
    QImage expected = shown;
    if (expected.size() != saved.size())
        expected = expected.scaled(saved.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    expected.setDevicePixelRatio(1);
    QCOMPARE(saved.convertToFormat(QImage::Format_RGB32), expected);
}

void TestLayout::statisticsBoxes()
{
    ShownWindow w;
    const Form1Ui &ui = w.ui();
    const QList<QLineEdit *> ohms = {ui.Text2, ui.Text3, ui.Text4};
    const QList<QLineEdit *> milliamperes = {ui.Text13, ui.Text14, ui.Text15};
    auto texts = [](const QList<QLineEdit *> &boxes) {
        QStringList t;
        for (QLineEdit *box : boxes)
            t << box->text();
        return t;
    };
    const QStringList empty = {QString(), QString(), QString()};
    QCOMPARE(texts(ohms), empty);
    QCOMPARE(texts(milliamperes), empty);

    // Resistance and current, a resistance alone (its kind stops the current reset timer), then
    // resistance and current again: the current boxes go on with it.
    w->DecodeRealtimeReply(reply(1, 1230, 1, 25, 1)); // 123 Ω, 0.25 A
    w->DecodeRealtimeReply(reply(2, 1530, 2, 0, 5));  // 15.3 Ω
    w->Timer6_Timer();
    w->Timer8_Timer();
    w->DecodeRealtimeReply(reply(1, 1230, 1, 10, 1)); // 123 Ω, 0.1 A
    w->DecodeRealtimeReply(reply(2, 1500, 4, 0, 5));  // over range: no number
    QCOMPARE(texts(ohms), (QStringList{"123", "15.3", "87.1"}));
    QCOMPARE(texts(milliamperes), (QStringList{"250", "100", "175"}));

    w->Command3_Click(); // "■"
    QCOMPARE(texts(ohms), empty);
    QCOMPARE(texts(milliamperes), empty);
}

void TestLayout::render()
{
    const QString folder = qEnvironmentVariable("QUILLO_SHOTS");
    if (folder.isEmpty())
        QSKIP("QUILLO_SHOTS names no folder for the pictures");
    QVERIFY(QDir().mkpath(folder));
    ShownWindow w;
    w->DecodeRealtimeReply(reply(1, 1530, 2, 25, 1));
    w->DecodeRealtimeReply(reply(1, 1490, 2, 31, 1));
    w->DecodeRealtimeReply(reply(1, 1512, 2, 28, 1));
    auto shoot = [&](const char *name) {
        settleLayouts();
        QVERIFY(w->grab().save(QDir(folder).filePath(QLatin1String(name))));
    };
    shoot("realtime.png");
    // Magnifications that put the trace mid-chart.
    w->ui().Slider1->setValue(1);
    w->ui().Slider3->setValue(2);
    w->ui().mnutrendchart->trigger();
    for (int i = 0; i < 40; ++i)
        w->DecodeRealtimeReply(reply(1, 1400 + (i * 37) % 300, 2, 20 + i % 9, 1));
    shoot("realtime-trend-chart.png");
    w->Option2_Click();
    QByteArray block;
    for (int i = 0; i < 24; ++i)
        block += reply(1, 1400 + (i * 53) % 400, 2, 20 + i % 7, 1);
    w->DecodeStoredRecords(block, 24);
    shoot("read-old-data.png");
    w->Option1_Click();
    shoot("realtime-trend-chart-again.png");
}

QTEST_MAIN(TestLayout)
#include "tst_layout.moc"
