#include "app/commandline.h"
#include "app/form1.h"
#include "app/signalclose.h"

#include "quillo_version.h"

#include <QApplication>
#include <QIcon>

int main(int argc, char *argv[])
{
    // Read before QApplication, which needs a display: --help, --version and a wrong option work
    // on a bare terminal too.
    const CommandLine::Options options = CommandLine::parse(CommandLine::arguments(argc, argv));
    if (options.action != CommandLine::Options::Action::Run)
        return CommandLine::report(options);

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quillo Barent"));
    // Desktops match the window to its desktop entry and icon by this name.
    QApplication::setDesktopFileName(QStringLiteral(QUILLO_APP_ID));
    QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral(QUILLO_APP_ID)));
    Form1Platform platform;
    platform.port = CommandLine::makePort(options);
    Form1 window(std::move(platform));
    // Ctrl+C, SIGTERM and a logout close the window like its close box: the instrument hears
    // the end-of-link byte.
    const SignalClose signalClose(&window);
    window.Form_Load();
    window.show();
    return app.exec();
}
