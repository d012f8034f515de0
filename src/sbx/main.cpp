// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/environment.h"
#include "platform/qtplatform.h"
#include "sbx/singleinstance.h"
#include "sbx/stashwindow.h"
#include "texttools/clipslots.h"

#include <cstdio>
#include <QApplication>

namespace {
const char help[] =
    "Usage: sbx [--help] [--version]\n"
    "Vantrel Stash, the clip tool of Pagewell: shows the three clip slots that Pagewell\n"
    "fills, and copies, pastes, frees and brings back clips.\n"
    "\n"
    "The clips are the files clip1.txt, clip2.txt and clip3.txt in the folder named by the\n"
    "environment variable windir (a relative one is taken from the home folder), or else in\n"
    "~/.local/share/stashbox. A second start brings the running window forward.\n"
    "\n"
    "  -h, --help     print this help and exit\n"
    "  -v, --version  print the version and exit\n";
} // namespace

int main(int argc, char *argv[])
{
    // Help and version need no display. Qt's own options (-platform and so on) pass.
    for (int i = 1; i < argc; ++i) {
        const QByteArray argument = argv[i];
        if (argument == "--help" || argument == "-h") {
            std::fputs(help, stdout);
            return 0;
        }
        if (argument == "--version" || argument == "-v") {
            std::fputs("Vantrel Stash (sbx) " PAGEWELL_VERSION "\n", stdout);
            return 0;
        }
        if (argument.startsWith("--")) {
            std::fprintf(stderr, "sbx: unknown option %s\nTry 'sbx --help' for more information.\n",
                         argv[i]);
            return 2;
        }
    }

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Vantrel Stash"));
    QApplication::setApplicationVersion(QStringLiteral(PAGEWELL_VERSION));

    QtPlatform platform;
    const QString folder =
        ClipSlots::folder(platform.platform().environment.value(QStringLiteral("windir")));
    SingleInstance instance(folder);
    QString error;
    switch (instance.start(&error)) {
    case SingleInstance::Start::HandedOver:
        return 0;
    case SingleInstance::Start::Alone:
        std::fprintf(stderr, "sbx: %s; later starts will open windows of their own\n",
                     qPrintable(error));
        break;
    case SingleInstance::Start::Serving:
        break;
    }

    StashWindow window(platform.platform());
    QObject::connect(&instance, &SingleInstance::activationRequested, &window,
                     &StashWindow::comeForward);
    window.show();
    window.activateWindow();
    return app.exec();
}
