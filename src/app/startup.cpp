// Start-up, shutdown, Exit and the about box.
#include "app/form1.h"
#include "link/protocol.h"
#include "platform/dialogs.h"

#include <QCheckBox>
#include <QRadioButton>
#include <QTimer>

void Form1::Form_Load()
{
    ResetTrendChart();
    ResetCursorChartY();
    ResetCursorChartX();
    measureKind = -1;
    connected = false;
    scanPort = 1;
    findcom->start();
    Option1->setChecked(true);
    Option1_Click();
    Check1->setEnabled(true);
    Check2->setEnabled(true);
    Command1_Click(); // its request is not sent: no port is open yet
}

void Form1::Form_Unload()
{
    // The instrument ends its session on this byte; SendCommand waits until it has left the
    // port before the port is released with the window.
    SendCommand(Protocol::EndOfLink);
}

void Form1::mnuexit_Click()
{
    close(); // the same close path as the close box: the end-of-link byte goes out
}

void Form1::mnuaboutus_Click()
{
    messageBoxes().show(MessageBoxes::Information,
                        QStringLiteral("Thanking for choicing our product!"),
                        QStringLiteral(" Quillo Barent: the desktop companion of the clamp-on "
                                       "earth-resistance tester.\r"
                                       " Live readings with alarms, stored records, listing, "
                                       "printing and trend chart.\r"));
}
