#include "platform/qtplatform.h"
#include "sbx/stashwindow.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Vantrel Stash"));
    QApplication::setApplicationVersion(QStringLiteral("1.50"));

    QtPlatform platform;
    StashWindow window(platform.platform());
    window.show();
    return app.exec();
}
