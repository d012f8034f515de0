#include "app/pgwell.h"
#include "platform/qtplatform.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QFont>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Pagewell"));
    QApplication::setApplicationVersion(QStringLiteral("1.50"));

    // The window's design fonts, matched to fonts of the same widths on this system.
    QFont::insertSubstitutions(QStringLiteral("MS Sans Serif"),
                               {QStringLiteral("Liberation Sans"), QStringLiteral("Arial"),
                                QStringLiteral("DejaVu Sans")});
    QFont::insertSubstitutions(QStringLiteral("Tahoma"),
                               {QStringLiteral("Liberation Sans"), QStringLiteral("DejaVu Sans")});
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setPointSize(8);
    QApplication::setFont(font);

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
