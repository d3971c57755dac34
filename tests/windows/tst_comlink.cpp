// The window on Windows' own serial port, through COM1, against the simulated tester: the search
// finds it, its readings reach the window in the order it sent them, and its stored records are
// listed exactly. scripts/test-windows runs this under Wine with COM1 on the pseudo-terminal
// where tools/instrument-sim answers (paced at 9600 baud), and tells it the simulator's record
// count and seed in QUILLO_SIM_RECORDS and QUILLO_SIM_SEED.
#include "app/form1.h"
#include "app/listingview.h"
#include "core/linkprofile.h"
#include "core/listing.h"
#include "fakes/fakedialogs.h"
#include "fakes/waitfor.h"
#include "instrument-sim/scenario.h"
#include "link/linksession.h"
#include "platform/systemserialport.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <memory>

class TestComLink : public QObject
{
    Q_OBJECT

private slots:
    void searchReadingsAndDownload();
};

void TestComLink::searchReadingsAndDownload()
{
    const int count = qEnvironmentVariableIntValue("QUILLO_SIM_RECORDS");
    const auto seed = quint32(qEnvironmentVariableIntValue("QUILLO_SIM_SEED"));
    QVERIFY2(count > 0 && seed > 0, "QUILLO_SIM_RECORDS and QUILLO_SIM_SEED name the simulator");

    // The window as the program builds it: the system's port over COM1..COM16.
    Form1Platform platform;
    platform.port = makeSystemSerialPort();
    platform.dialog = std::make_unique<FakeCommonDialog>();
    platform.messages = std::make_unique<FakeMessageBoxes>();
    Form1 form(std::move(platform));
    QSignalSpy readings(&form.link(), &LinkSession::readingReceived);
    form.Form_Load();

    // The search opens COM1 first and the tester answers there: twice a search round.
    QVERIFY(waitFor([&] { return form.ui().Label2->text() == QStringLiteral("connection success"); },
                    2 * LinkProfile::kSearchRoundMs));
    QCOMPARE(form.ui().Label1->text(), QStringLiteral("COM1 open success"));

    // Readings: polled every 500 ms; five of them in twice the time. Two requests close
    // together may be answered in one burst, so the bytes are compared in a row with what the
    // tester sent.
    QVERIFY(waitFor([&] { return readings.size() >= 5; }, 2 * 5 * LinkProfile::kReadingTickMs));
    QByteArray received;
    for (const QList<QVariant> &reading : std::as_const(readings))
        received += reading.at(0).toByteArray();
    Sim::RealtimeScenario scenario(seed);
    QByteArray sent;
    while (sent.size() < received.size())
        sent += scenario.next();
    QCOMPARE(received, sent);
    QVERIFY(!form.ui().Label7->text().isEmpty());

    // The stored records: the read mode polls with the handshake instead of readings. "Read" is
    // pressed right after an answer has been taken, when nothing is on the line until the next
    // poll (500 ms on), as a count reply behind an answer's tail would be refused. Then the count
    // and the block come, 7 bytes per record at 9600 baud.
    form.Option2_Click();
    QSignalSpy answers(&form.MSComm1(), &SerialPort::OnComm);
    QVERIFY(waitFor([&] { return answers.size() >= 2; }, 2 * 2 * LinkProfile::kPollTickMs));
    const quint8 singleValue = form.measure().singleValue;
    form.Command4_Click();
    const int blockMs = int(count * Record::kBytes * LinkProfile::kByteNs / 1'000'000);
    QVERIFY(waitFor(
            [&] { return form.ui().Label6->text() == QStringLiteral("receive old data"); },
            2 * (blockMs + 2000)));
    const QByteArray block = Sim::storedRecords(count, seed);
    const QString expected
            = Listing::build(reinterpret_cast<const std::uint8_t *>(block.constData()),
                             block.size(), count, singleValue)
                      .text;
    QCOMPARE(ListingView::text(*form.ui().RichTextBox1), expected);

    for (QTimer *timer : form.findChildren<QTimer *>())
        timer->stop();
}

QTEST_MAIN(TestComLink)
#include "tst_comlink.moc"
