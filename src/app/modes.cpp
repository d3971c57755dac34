// The two operating modes: realtime sampling and reading the stored ("old") data.
#include "app/form1.h"
#include "charts/drawingsurface.h"

#include <QAction>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTimer>

namespace {
template<typename... W>
void setVisibleAll(bool visible, W *...widgets)
{
    (widgets->setVisible(visible), ...);
}

template<typename... W>
void setEnabledAll(bool enabled, W *...widgets)
{
    (widgets->setEnabled(enabled), ...);
}
} // namespace

void Form1::Option1_Click()
{
    setVisibleAll(false, Picture1, Picture3, Picture4);
    setVisibleAll(false, Slider1, Slider2, Slider3);
    setVisibleAll(true, Text7, Text8);
    setVisibleAll(false, Label8, Label19, Label10, Label14, Label15, Label16, Label17, Label18);
    Frame5->setEnabled(false);
    Frame6->setEnabled(true);
    Frame8->setEnabled(false);
    RichTextBox1->setVisible(false);
    setEnabledAll(true, Command1, Command2, Command3, Command9);
    setEnabledAll(false, Command4, Command5, Command6, Command7, Command8);
    setEnabledAll(true, mnurun1, mnupause, mnustop);
    operatingMode = 1;
    Option1->setChecked(true);
    Option2->setChecked(false);
    // runState is left alone: sampling resumes only on "→" or "》".
}

void Form1::Option2_Click()
{
    RichTextBox1->setVisible(true);
    setVisibleAll(false, Picture1, Picture3, Picture4);
    setVisibleAll(false, Slider1, Slider2, Slider3);
    setVisibleAll(false, Text7, Text8);
    setVisibleAll(false, Label8, Label19, Label10, Label14, Label15, Label16, Label17, Label18);
    setEnabledAll(false, Frame5, Frame6, Frame8);
    Label7->setText(QStringLiteral("STOP"));
    if (singleValue == 0)
        Label25->setText(QStringLiteral("STOP"));
    setEnabledAll(false, Command1, Command2, Command3, Command9);
    setEnabledAll(true, Command4, Command5, Command6, Command7, Command8);
    setEnabledAll(false, mnurun1, mnupause, mnustop);
    operatingMode = 2;
    Option2->setChecked(true);
    Option1->setChecked(false);
    Timer6->stop();
    Timer8->stop();
    runState = 0;
}
