// SPDX-License-Identifier: GPL-3.0-or-later
#include "commandline.h"

#include <QCommandLineParser>
#include <QFileInfo>

namespace {

// Options that QGuiApplication and QApplication take themselves.
const QStringList qtValueOptions{
    QStringLiteral("platform"),        QStringLiteral("platformpluginpath"),
    QStringLiteral("platformtheme"),   QStringLiteral("plugin"),
    QStringLiteral("qwindowgeometry"), QStringLiteral("qwindowicon"),
    QStringLiteral("qwindowtitle"),    QStringLiteral("session"),
    QStringLiteral("display"),         QStringLiteral("geometry"),
    QStringLiteral("style"),           QStringLiteral("stylesheet"),
    QStringLiteral("qmljsdebugger")};
const QStringList qtFlagOptions{QStringLiteral("reverse"), QStringLiteral("nograb"),
                                QStringLiteral("dograb"), QStringLiteral("sync"),
                                QStringLiteral("widgetcount")};

void configure(QCommandLineParser &parser)
{
    // "-platform xcb" as Qt spells its own options.
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.setApplicationDescription(
        QStringLiteral("Pagewell, a viewer for text files.\n"
                       "Shows FILE (its folder open in the file browser), or starts in FOLDER."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addPositionalArgument(QStringLiteral("path"),
                                 QStringLiteral("A file to show, or a folder to start in."),
                                 QStringLiteral("[FILE|FOLDER]"));
    for (const QString &name : qtValueOptions) {
        QCommandLineOption option(name, QString(), QStringLiteral("value"));
        option.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(option);
    }
    for (const QString &name : qtFlagOptions) {
        QCommandLineOption option(name);
        option.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(option);
    }
}

bool isOptionName(const QString &argument)
{
    QString name = argument;
    while (name.startsWith(u'-'))
        name.remove(0, 1);
    name = name.section(u'=', 0, 0);
    static const QStringList ours{QStringLiteral("h"),        QStringLiteral("help"),
                                  QStringLiteral("help-all"), QStringLiteral("?"),
                                  QStringLiteral("v"),        QStringLiteral("version")};
    return ours.contains(name) || qtValueOptions.contains(name) || qtFlagOptions.contains(name);
}

CommandLine error(const QString &message)
{
    CommandLine line;
    line.action = CommandLine::Action::Error;
    line.message = message;
    return line;
}

} // namespace

CommandLine CommandLine::parse(const QStringList &arguments)
{
    QStringList options{arguments.value(0, QStringLiteral("pagewell"))};
    QStringList paths;
    bool onlyPaths = false;
    for (int i = 1; i < arguments.size(); ++i) {
        const QString &argument = arguments.at(i);
        if (onlyPaths) {
            paths.append(argument);
        } else if (argument == u"--") {
            onlyPaths = true;
        } else if (argument.size() > 1 && argument.startsWith(u'-') && !isOptionName(argument) &&
                   QFileInfo::exists(argument)) {
            paths.append(argument); // a file whose name starts with "-"
        } else {
            options.append(argument);
        }
    }

    QCommandLineParser parser;
    configure(parser);
    if (!parser.parse(options))
        return error(parser.errorText());
    CommandLine line;
    if (parser.isSet(QStringLiteral("help")) || parser.isSet(QStringLiteral("help-all"))) {
        line.action = Action::Help;
        return line;
    }
    if (parser.isSet(QStringLiteral("version"))) {
        line.action = Action::Version;
        return line;
    }
    paths = parser.positionalArguments() + paths;
    if (paths.size() > 1)
        return error(
            QStringLiteral("Only one file or folder can be given, not %1.").arg(paths.size()));
    line.path = paths.value(0);
    return line;
}

QString CommandLine::helpText()
{
    QCommandLineParser parser;
    configure(parser);
    return parser.helpText() +
           QStringLiteral(
               "\nKeys (anywhere in the window, also with the lower panels hidden):\n"
               "  Ctrl+N New, Ctrl+S Save, Ctrl+Shift+S Save as,\n"
               "  Ctrl+Shift+R Discard the unsaved changes shown again over a file,\n"
               "  Ctrl+Shift+Del delete the shown file, Ctrl+Shift+D Add to favo list,\n"
               "  F5 Refresh, Ctrl+Shift+C Send text to clipboard,\n"
               "  Ctrl+Shift+T Send to Vantrel Stash, Ctrl+P Print,\n"
               "  Ctrl+Shift+H Previous versions of the shown file,\n"
               "  Ctrl+F Find; while the find panel is open: Ctrl+F3 Find from the start,\n"
               "  F3 or Enter in the word box Find next, Esc closes the panel,\n"
               "  Ctrl+B Bold, Ctrl+I Italic, Ctrl+U Underline, Ctrl+Shift+O Color\n"
               "  (formatted files only),\n"
               "  Ctrl+Shift+P Make CAP, Ctrl+Shift+M Make Min, Ctrl+Shift+N Nomal,\n"
               "  F11 Full screen mode, Ctrl+Shift+E expand the pane (again: back),\n"
               "  Ctrl+M minimize, F1 About, Ctrl+Q Quit.\n");
}

QString CommandLine::versionText()
{
    return QStringLiteral("Pagewell %1\n").arg(QStringLiteral(PAGEWELL_VERSION));
}
