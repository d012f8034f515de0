#include "app/appfonts.h"
#include "app/pgwell.h"
#include "platform/qtplatform.h"

#include <QApplication>
#include <QCommandLineParser>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Pagewell"));
    QApplication::setApplicationVersion(QStringLiteral("1.50"));

    installDesignFonts();

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Pagewell, a viewer for text files"));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addPositionalArgument(QStringLiteral("path"),
                                 QStringLiteral("A file to show, or a folder to start in."),
                                 QStringLiteral("[path]"));
    parser.process(app);

    pgwell::Options options;
    if (!parser.positionalArguments().isEmpty())
        options.startPath = parser.positionalArguments().constFirst();

    QtPlatform platform;
    pgwell window(platform.platform(), options);
    window.show();
    return app.exec();
}
