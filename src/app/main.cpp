#include "app/form1.h"
#include "app/signalclose.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quillo Barent"));
    Form1 window;
    // Ctrl+C, SIGTERM and a logout close the window like its close box: the instrument hears
    // the end-of-link byte.
    const SignalClose signalClose(&window);
    window.Form_Load();
    window.show();
    return app.exec();
}
