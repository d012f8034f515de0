// SPDX-License-Identifier: GPL-3.0-or-later
#include "about.h"

#include "about/keyvalue.h"
#include "controls/twips.h"
#include "platform/executablefinder.h"
#include "platform/messageboxes.h"
#include "platform/platform.h"
#include "platform/programlauncher.h"
#include "platform/registry.h"

#include <QFileInfo>
#include <QGuiApplication>
#include <QIcon>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QScreen>

namespace {

const QString disclaimer = QStringLiteral(
    "Pagewell is given as it is, without warranty of any kind. Keep your own copies of the "
    "texts that matter to you.");

// Where Windows records its information tool: the tool's path, else the folder that holds it.
const QString toolKey = QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools\\MSINFO");
const QString toolValue = QStringLiteral("PATH");
const QString folderKey = QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools Location");
const QString folderValue = QStringLiteral("MSINFO");
const QString toolFile = QStringLiteral("MSINFO32.EXE");

// Without a registry entry, the desktop's own system information tool, the first one
// installed.
struct Tool
{
    QString program;
    QStringList arguments;
};
const QList<Tool> desktopTools = {
    {QStringLiteral("hardinfo"), {}},
    {QStringLiteral("kinfocenter"), {}},
    {QStringLiteral("gnome-control-center"), {QStringLiteral("info-overview")}},
    {QStringLiteral("xfce4-about"), {}},
};

template <typename T>
T *placed(T *widget, const char *name, int left, int top, int width, int height)
{
    widget->setObjectName(QLatin1String(name));
    widget->setGeometry(Twips::rect(left, top, width, height));
    return widget;
}

QLabel *blackLabel(QWidget *parent, const char *name, const QString &text, int left, int top,
                   int width, int height)
{
    auto *label = placed(new QLabel(text, parent), name, left, top, width, height);
    label->setWordWrap(true);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    QPalette black = label->palette();
    black.setColor(QPalette::WindowText, Qt::black);
    label->setPalette(black);
    return label;
}

} // namespace

about::about(Platform &platform, QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::MSWindowsFixedSizeDialogHint |
                          Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint),
      m_platform(platform)
{
    setObjectName(QStringLiteral("about"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("About Vantrel Pagewell"));
    setModal(false);

    cmdOK = placed(new QPushButton(QStringLiteral("OK"), this), "cmdOK", 4245, 2625, 1260, 345);
    cmdOK->setDefault(true);
    picIcon = placed(new QLabel(this), "picIcon", 240, 240, 525, 540);
    picIcon->setPixmap(QIcon(QStringLiteral(":/artwork/pagewell.svg"))
                           .pixmap(QSize(32, 32))
                           .scaled(31, 32, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
    picIcon->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    cmdSysInfo = placed(new QPushButton(QStringLiteral("&System Info..."), this), "cmdSysInfo",
                        4260, 3075, 1245, 345);
    lblDescription = blackLabel(
        this, "lblDescription",
        QStringLiteral("The easiest Pagewell with a powerfull way to disply your text files"), 1050,
        1125, 3885, 810);
    lblDisclaimer = blackLabel(this, "lblDisclaimer", disclaimer, 255, 2625, 3870, 825);
    lblTitle =
        blackLabel(this, "lblTitle", QStringLiteral("Vantrel Pagewell"), 1050, 240, 3885, 480);
    lblVersion =
        placed(new QLabel(QStringLiteral("1.50"), this), "lblVersion", 1050, 780, 3885, 225);

    // Esc rejects the dialog, which closes it like OK.
    connect(cmdOK, &QPushButton::clicked, this, &QDialog::close);
    connect(cmdSysInfo, &QPushButton::clicked, this, &about::StartSysInfo);

    // The client area has a fixed size and a fixed place, measured from the screen's corner.
    const QScreen *screen = parent ? parent->screen() : QGuiApplication::primaryScreen();
    const QRect client(screen->geometry().topLeft() + Twips::rect(2340, 1935, 0, 0).topLeft(),
                       Twips::rect(0, 0, 5730, 3555).size());
    setFixedSize(client.size());
    setGeometry(client);
}

void about::paintEvent(QPaintEvent *event)
{
    QDialog::paintEvent(event);
    // The etched separator above the buttons: a grey line with a white one under it.
    QPainter painter(this);
    const int right = Twips::toPixels(5534);
    painter.fillRect(QRect(QPoint(Twips::toPixels(-30), Twips::toPixels(2325)),
                           QPoint(right, Twips::toPixels(2325))),
                     QColor(128, 128, 128));
    painter.fillRect(
        QRect(Twips::toPixels(-15), Twips::toPixels(2340), right - Twips::toPixels(-15) + 1, 2),
        Qt::white);
}

QString about::registeredToolPath(bool *found)
{
    QString path;
    *found = GetKeyValue(m_platform.registry, Registry::localMachine, toolKey, toolValue, path);
    if (*found)
        return path;
    QString folder;
    if (!GetKeyValue(m_platform.registry, Registry::localMachine, folderKey, folderValue, folder))
        return QString();
    *found = true;
    path = folder + u'/' + toolFile;
    // A folder without the tool is as good as none; an empty path fails to start below.
    return QFileInfo(path).isFile() ? path : QString();
}

bool about::startFromPath()
{
    for (const Tool &tool : desktopTools) {
        const QString program = m_platform.executables.find(tool.program);
        if (!program.isEmpty())
            return m_platform.launcher.start(program, tool.arguments, nullptr);
    }
    return false;
}

void about::StartSysInfo()
{
    bool registered = false;
    const QString path = registeredToolPath(&registered);
    const bool started = registered
                             ? !path.isEmpty() && m_platform.launcher.start(path, {}, nullptr)
                             : startFromPath();
    if (!started)
        m_platform.messages.show(QStringLiteral("System Information Is Unavailable At This Time"),
                                 MessageBoxes::Icon::None, MessageBoxes::Buttons::Ok);
}
