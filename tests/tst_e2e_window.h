#pragma once

// The window on the real serial path for the end-to-end tests: a real Form1 over QtSerialPort,
// its ports pointed at pseudo-terminals where the simulated instrument answers, all on one Qt
// event loop.

#include "app/form1.h"
#include "core/linkprofile.h"
#include "fakes/fakedialogs.h"
#include "fakes/waitfor.h"
#include "instrument-sim/instrumentsim.h"
#include "platform/portmap.h"
#include "platform/qtserialport.h"

#include <QDeadlineTimer>
#include <QLabel>
#include <QPlainTextEdit>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <memory>

namespace E2e {

// Texts the window shows, spelled out.
inline const QString kConnected = QStringLiteral("connection success");
inline const QString kFailed = QStringLiteral("connection fail");
inline const QString kTitle
        = QStringLiteral("                              Quillo Barent Software Test Data");
inline const QString kTwoColumnHeader = QStringLiteral(
        "               NO.                       Value 1                      Value 2");

// A path that cannot exist: the port number mapped to it is a missing port.
inline const QString kMissing = QStringLiteral("/nonexistent/dir/ttyUSB9");

// Waits are twice what the program needs on an idle machine: CI runs two tests at a time on two
// cores, once under the sanitizers, and a wait for a condition ends as soon as it holds.

// A link falls silent, and is declared lost.
constexpr int kLossMs = 2 * LinkProfile::kLossMs;
// A link comes back: a full round of the search.
constexpr int kRecoveryMs = 2 * LinkProfile::kSearchRoundMs;

class Rig
{
public:
    Rig() { ports = std::make_shared<QStringList>(); }
    ~Rig() { stop(); }

    // Places the instrument at port number `comPort` (1..16); lower numbers are missing ports.
    bool plugIn(int comPort = 1)
    {
        if (!sim.isOpen() && !sim.open())
            return false;
        while (ports->size() < comPort)
            ports->append(kMissing);
        (*ports)[comPort - 1] = sim.slavePath();
        return true;
    }

    // Builds the window and runs its start-up, as the program does.
    void start()
    {
        auto dialogs = std::make_unique<FakeCommonDialog>();
        auto boxes = std::make_unique<FakeMessageBoxes>();
        dialog = dialogs.get();
        messages = boxes.get();
        const std::shared_ptr<QStringList> list = ports;
        Form1Platform platform;
        platform.port = std::make_unique<QtSerialPort>(
                PortMap(PortMap::Lister([list] { return *list; })));
        platform.dialog = std::move(dialogs);
        platform.messages = std::move(boxes);
        platform.archive = ArchiveLocation::file(archiveFolder.filePath("archive.sqlite"));
        form = std::make_unique<Form1>(std::move(platform));
        form->Form_Load();
    }

    void stop()
    {
        if (!form)
            return;
        for (QTimer *timer : form->findChildren<QTimer *>())
            timer->stop();
        form.reset();
    }

    // "Read" in the read-old-data mode, pressed just after the window took the answer to a
    // keep-alive with nothing left to send: no answer (to an earlier reading request, say) is
    // then on its way to be read as the count reply.
    bool pressRead()
    {
        bool answered = false;
        const QMetaObject::Connection watch
                = QObject::connect(&form->MSComm1(), &SerialPort::OnComm, [&] {
                      answered = form->link().lastCommand() == Protocol::Handshake
                                 && sim.bytesQueued() == 0;
                  });
        const bool ready = waitFor([&] { return answered; }, 4 * LinkProfile::kPollTickMs);
        QObject::disconnect(watch);
        if (ready)
            form->Command4_Click();
        return ready;
    }

    QString link() const { return form->ui().Label2->text(); }
    QString status() const { return form->ui().Label6->text(); }
    QString opened() const { return form->ui().Label1->text(); }
    QString listing() const { return form->ui().RichTextBox1->toPlainText(); }

    InstrumentSim sim;
    std::shared_ptr<QStringList> ports;
    FakeCommonDialog *dialog = nullptr;
    FakeMessageBoxes *messages = nullptr;
    QTemporaryDir archiveFolder; // the downloads of this rig, gone with it
    std::unique_ptr<Form1> form;
};

// The lines of a listing, whatever line breaks the list control hands back.
inline QStringList lines(const QString &listing)
{
    QString text = listing;
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QChar(0x2029), QLatin1Char('\n')); // paragraph separator of the text document
    return text.split(QLatin1Char('\n'));
}

// Record lines: 15 spaces, a number of three or more digits, 24 spaces.
inline QStringList recordLines(const QString &listing)
{
    static const QRegularExpression record(QStringLiteral("^ {15}\\d{3,} {24}"));
    QStringList result;
    for (const QString &line : lines(listing)) {
        if (record.match(line).hasMatch())
            result.append(line);
    }
    return result;
}

inline QByteArray bytes(std::initializer_list<int> values)
{
    QByteArray result;
    for (int v : values)
        result.append(char(quint8(v)));
    return result;
}

} // namespace E2e
