// File > Save in realtime mode: the chart picture file and the dialog it goes through.
#include "app/drawingsurface.h"
#include "draw/chartpicture.h"
#include "fakes/testwindow.h"
#include "platform/savefile.h"

#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <QTest>

namespace {

QByteArray readAll(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

} // namespace

class TstPicture : public QObject
{
    Q_OBJECT

    QTemporaryDir m_home;

private slots:
    void initTestCase()
    {
        // The save folder is made in the home folder; keep it out of the real one.
        QVERIFY(m_home.isValid());
        qputenv("HOME", m_home.path().toLocal8Bit());
    }

    void dialogIsSetUpForPictures()
    {
        TestWindow w;
        w->SaveChartPicture();
        QCOMPARE(w.dialog->shownSaves.size(), 1);
        const FakeCommonDialog::Shown shown = w.dialog->shownSaves.first();
        QCOMPARE(shown.fileName, QStringLiteral("Quillobarent"));
        QCOMPARE(shown.filter, QStringLiteral("位图格式 (*.bmp)|*.bmp|jpg格式 (*.jpg)|*jpg|"));
        QCOMPARE(shown.initDir, SaveFile::saveFolder());
        QVERIFY(QDir(SaveFile::saveFolder()).exists());
        QVERIFY(shown.cancelError);
    }

    void defaultExtensionFollowsThePreviousChoice_data()
    {
        QTest::addColumn<int>("indexLeft"); // filter index the previous dialog left
        QTest::addColumn<QString>("expected");
        QTest::newRow("after a text save") << 1 << QStringLiteral(".bmp");
        QTest::newRow("after choosing jpg") << 2 << QStringLiteral(".jpg");
    }

    void defaultExtensionFollowsThePreviousChoice()
    {
        QFETCH(int, indexLeft);
        QFETCH(QString, expected);
        TestWindow w;
        w.dialog->filterIndex = indexLeft;
        w->SaveChartPicture();
        QCOMPARE(w.dialog->shownSaves.last().defaultExt, expected);
    }

    void choiceInOnePictureSaveDecidesTheNext()
    {
        QTemporaryDir dir;
        TestWindow w;
        w.dialog->filterIndex = 1;
        w.dialog->saveAnswers.append({CommonDialog::Accepted, dir.filePath("a.jpg"), 2});
        w->SaveChartPicture();
        w->SaveChartPicture(); // cancelled
        QCOMPARE(w.dialog->shownSaves.size(), 2);
        QCOMPARE(w.dialog->shownSaves.at(0).defaultExt, QStringLiteral(".bmp"));
        QCOMPARE(w.dialog->shownSaves.at(1).defaultExt, QStringLiteral(".jpg"));
    }

    void writesABitmapWhateverTheExtension_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("bmp") << QStringLiteral("chart.bmp");
        QTest::newRow("jpg") << QStringLiteral("chart.jpg");
    }

    void writesABitmapWhateverTheExtension()
    {
        QFETCH(QString, name);
        QTemporaryDir dir;
        const QString path = dir.filePath(name);
        TestWindow w;
        QFile old(path); // an existing file is replaced
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("old contents");
        old.close();
        w.dialog->saveAnswers.append({CommonDialog::Accepted, path, 0});
        w->SaveChartPicture();
        const QByteArray data = readAll(path);
        QVERIFY(data.startsWith("BM"));
        QImage image;
        QVERIFY(image.loadFromData(data, "BMP"));
        QCOMPARE(image.size(), QSize(533, 400));
        QCOMPARE(image.pixel(200, 150) & 0xffffff, qRgb(150, 150, 150) & 0xffffff);
        QCOMPARE(w.messages->shown.size(), 0);
    }

    void highDensityChartIsSavedAtItsScreenSize()
    {
        TestWindow w;
        w->ui().Picture1->setImagePixelRatio(2);
        w->ResetTrendChart();
        QCOMPARE(w->ui().Picture1->image().size(), QSize(1066, 800));
        QImage image;
        QVERIFY(image.loadFromData(ChartPicture::bitmapData(w->ui().Picture1->image(),
                                                            w->ui().Picture1->logicalSize()),
                                   "BMP"));
        QCOMPARE(image.size(), QSize(533, 400));
        QCOMPARE(image.devicePixelRatio(), 1.0);
        QCOMPARE(image.pixel(200, 150) & 0xffffff, qRgb(150, 150, 150) & 0xffffff);
    }

    // No picture to encode gives empty data, which the save refuses.
    void nothingToEncodeGivesNoData_data()
    {
        QTest::addColumn<QImage>("image");
        QTest::addColumn<QSize>("logicalSize");
        QImage chart(533, 400, QImage::Format_RGB32);
        chart.fill(Qt::white);
        QTest::newRow("null image") << QImage() << QSize(533, 400);
        QTest::newRow("empty size") << chart << QSize(0, 400);
    }

    void nothingToEncodeGivesNoData()
    {
        QFETCH(QImage, image);
        QFETCH(QSize, logicalSize);
        QVERIFY(ChartPicture::bitmapData(image, logicalSize).isEmpty());
    }

    // An image that cannot be encoded is a save failure like any other: reported, and the old
    // file stays as it was instead of being emptied.
    void unencodableChartKeepsTheOldFile()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("chart.bmp"));
        QFile old(path);
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("old picture");
        old.close();
        TestWindow w;
        auto *surface = w->findChild<DrawingSurface *>(QStringLiteral("Picture1"));
        QVERIFY(surface);
        surface->image() = QImage();
        w.dialog->saveAnswers.append({CommonDialog::Accepted, path, 0});
        w->SaveChartPicture();
        QCOMPARE(readAll(path), QByteArray("old picture"));
        QCOMPARE(w.messages->beeps, 1);
        QCOMPARE(w.messages->shown.size(), 1);
        QCOMPARE(w.messages->shown.first().title, QStringLiteral("Saving Error!"));
    }

    void cancelWritesNothing()
    {
        QTemporaryDir dir;
        TestWindow w;
        w.dialog->saveAnswers.append({CommonDialog::Cancelled, dir.filePath("chart.bmp"), 0});
        w->SaveChartPicture();
        QVERIFY(QDir(dir.path()).entryList(QDir::Files).isEmpty());
        QCOMPARE(w.messages->shown.size(), 0);
        QCOMPARE(w.messages->beeps, 0);
    }

    void failedDialogWritesNothing()
    {
        QTemporaryDir dir;
        TestWindow w;
        w.dialog->initDir = dir.path();
        w.dialog->saveAnswers.append({CommonDialog::Failed, dir.filePath("chart.bmp"), 0});
        w->SaveChartPicture();
        QVERIFY(QDir(dir.path()).entryList(QDir::Files).isEmpty());
        QVERIFY(QDir(SaveFile::saveFolder()).entryList(QDir::Files).isEmpty());
    }

    void failedWriteIsReported()
    {
        TestWindow w;
        w.dialog->saveAnswers.append(
                {CommonDialog::Accepted, QStringLiteral("/nonexistent/dir/chart.bmp"), 0});
        w->SaveChartPicture();
        QVERIFY(!QFile::exists(QStringLiteral("/nonexistent/dir/chart.bmp")));
        QCOMPARE(w.messages->beeps, 1);
        QCOMPARE(w.messages->shown.size(), 1);
    }
};

QTEST_MAIN(TstPicture)
#include "tst_picture.moc"
