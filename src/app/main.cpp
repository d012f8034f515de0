// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/commandline.h"
#include "app/pgwell.h"
#include "controls/appfonts.h"
#include "platform/qtplatform.h"

#include <cstdio>
#include <QApplication>
#include <QIcon>

namespace {
void nameApplication()
{
    QCoreApplication::setApplicationName(QStringLiteral("Pagewell"));
    QCoreApplication::setApplicationVersion(QStringLiteral(PAGEWELL_VERSION));
}
} // namespace

int main(int argc, char *argv[])
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    const CommandLine line = CommandLine::parse(arguments);

    // Help, version and usage errors need no display.
    if (line.action != CommandLine::Action::Run) {
        QCoreApplication core(argc, argv);
        nameApplication();
        switch (line.action) {
        case CommandLine::Action::Help:
            std::fputs(qPrintable(CommandLine::helpText()), stdout);
            return 0;
        case CommandLine::Action::Version:
            std::fputs(qPrintable(CommandLine::versionText()), stdout);
            return 0;
        default:
            std::fprintf(stderr, "pagewell: %s\nTry 'pagewell --help' for more information.\n",
                         qPrintable(line.message));
            return CommandLine::usageErrorStatus;
        }
    }

    QApplication app(argc, argv);
    nameApplication();
    // Lets the desktop match the window with the installed menu entry and its icon.
    QGuiApplication::setDesktopFileName(QStringLiteral(PAGEWELL_DESKTOP_ID));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/artwork/pagewell.svg")));

    installDesignFonts();

    pgwell::Options options;

    QtPlatform platform;
    pgwell window(platform.platform(), options);
    window.show();
    // After the window is on screen, so that a message about the file does not come first.
    if (!line.path.isEmpty())
        window.openStartPathWhenShown(line.path);
    // Keys work at once, also where no window manager gives the window the focus (a kiosk,
    // xinit pagewell).
    window.activateWindow();
    return app.exec();
}
