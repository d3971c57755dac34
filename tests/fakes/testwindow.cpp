#include "fakes/testwindow.h"

#include "core/protocol.h"
#include "link/linksession.h"

#include <QTimer>

TestWindow::TestWindow(bool loaded)
{
    auto fakePort = std::make_unique<FakeSerialPort>();
    auto fakeDialog = std::make_unique<FakeCommonDialog>();
    auto fakeMessages = std::make_unique<FakeMessageBoxes>();
    port = fakePort.get();
    dialog = fakeDialog.get();
    messages = fakeMessages.get();
    Form1Platform platform;
    platform.port = std::move(fakePort);
    platform.dialog = std::move(fakeDialog);
    platform.messages = std::move(fakeMessages);
    platform.archive = ArchiveLocation::file(archiveFolder.filePath("archive.sqlite"));
    form = std::make_unique<Form1>(std::move(platform));
    clock.attach(form->link());
    if (loaded)
        form->Form_Load();
}

void TestWindow::stopTimers()
{
    for (QTimer *timer : form->findChildren<QTimer *>())
        timer->stop();
}

void TestWindow::connectOn(int portNumber)
{
    // The instrument answers the handshake on that port, as it would during the search.
    port->forceOpen(portNumber);
    form->SendCommand(Protocol::Handshake);
    port->deliver(QByteArray::fromHex("D55555"));
    form->link().searchTimer()->stop();
    port->resetRecords();
}

void TestWindow::advance(qint64 ms)
{
    clock.advance(form->link(), ms);
}
