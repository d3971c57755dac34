#pragma once

#include "app/form1.h"
#include "fakes/fakedialogs.h"
#include "fakes/fakeserialport.h"
#include "fakes/linkclock.h"

#include <QTemporaryDir>

#include <memory>

// A main window built on fakes, with raw pointers to them for the test to drive and inspect.
struct TestWindow
{
    FakeSerialPort *port = nullptr;
    FakeCommonDialog *dialog = nullptr;
    FakeMessageBoxes *messages = nullptr;
    QTemporaryDir archiveFolder; // the downloads of this window, gone with it
    std::unique_ptr<Form1> form;
    // The link's clock: it moves only when the test says so (advance()).
    LinkClock clock;

    // loaded: run the start-up sequence, as the program does before showing the window.
    explicit TestWindow(bool loaded = true);
    Form1 *operator->() const { return form.get(); }

    // Stops every timer of the window so a test that spins the event loop decides every tick.
    void stopTimers();
    // Puts the window into the connected state on an open port: the instrument answers a
    // handshake there. The records of the fake start empty afterwards.
    void connectOn(int portNumber = 1);
    // Time passes for the link: whatever it watches for comes due.
    void advance(qint64 ms);
};
