// SPDX-License-Identifier: GPL-3.0-or-later
#include "pgwell.h"

#include "about/aboutactions.h"
#include "app/browser.h"
#include "app/encodingmenu.h"
#include "app/filedrop.h"
#include "app/helpfile.h"
#include "app/hoverreset.h"
#include "app/keyboardcontrols.h"
#include "app/pgwellui.h"
#include "app/startfolder.h"
#include "app/titlebar.h"
#include "app/toolbarpictures.h"
#include "autoview/autoview.h"
#include "controls/clicklabel.h"
#include "controls/dirlistbox.h"
#include "controls/drivelistbox.h"
#include "controls/filelistbox.h"
#include "controls/operationaction.h"
#include "controls/paneclearance.h"
#include "controls/richtextbox.h"
#include "controls/twips.h"
#include "favorites/favoritesactions.h"
#include "favorites/fileactions.h"
#include "favorites/versionactions.h"
#include "platform/environment.h"
#include "platform/messageboxes.h"
#include "platform/platform.h"
#include "platform/qtoperationprogress.h"
#include "platform/settingsstore.h"
#include "reader/form3.h"
#include "reader/readeractions.h"
#include "texttools/casetools.h"
#include "texttools/clipslotactions.h"
#include "texttools/findpanel.h"
#include "texttools/texttools.h"
#include "viewer/favoriteslocation.h"
#include "viewer/longoperation.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMenu>
#include <QPainter>
#include <QPushButton>
#include <QSaveFile>
#include <QScreen>
#include <QTimer>

#include <cerrno>
#include <sys/stat.h>

using Icon = MessageBoxes::Icon;
using Buttons = MessageBoxes::Buttons;

namespace {
const QString supportAddress =
    QStringLiteral("the Pagewell maintainers (support@pagewell.invalid)");
const QString startupHint = QStringLiteral(
    "Its recommded that you hide the taskbar while using Vantrel Pagewellif you are using a screen "
    "resulotion 800*600 or less ...best view for Pagewell is 768*1024");
} // namespace

pgwell::pgwell(Platform &platform) : pgwell(platform, Options())
{
}

pgwell::pgwell(Platform &platform, const Options &options) : m_platform(platform)
{
    startUp(options);
}

pgwell::~pgwell() = default;

void pgwell::startUp(const Options &options)
{
    writeSettingsEntry();
    ui.setupUi(*this);
    m_viewer = new Viewer(m_platform, *ui.Text1, this);
    m_progress = std::make_unique<QtOperationProgress>(this);
    m_viewer->operations().setProgress(m_progress.get());
    connect(ui.Text1, &RichTextBox::contentsChange, m_viewer, &Viewer::noteEdit);
    m_viewer->setFavoritesFolder(FavoritesLocation::folder(m_platform.programFolder));
    connect(m_viewer, &Viewer::folderChanged, this,
            [this] { ui.Label1->setCaption(QDir::toNativeSeparators(m_viewer->folder())); });
    m_browser = new Browser(*this, ui);
    new FavoritesActions(*m_viewer, m_platform,
                         {ui.m1, ui.Label8, ui.File2, ui.remt, ui.open, ui.ref, ui.reall,
                          ui.Label11, ui.File1, ui.Text1, ui.favo},
                         this);
    new FileActions(*m_viewer, m_platform,
                    {ui.Command5, ui.Image1, ui.Label10, ui.Command8, ui.sav, ui.Label9,
                     ui.Command6, ui.m2, ui.Label7, ui.Text1, ui.File1, ui.File2},
                    this);
    new VersionActions(*m_viewer, m_platform, *ui.Text1, *this);
    new AboutActions(m_platform, *this, ui.Command4);
    new ClipSlotActions(*m_viewer, m_platform, {ui.Label13, ui.Image4, ui.Text1}, this);
    m_readerActions = new ReaderActions(*m_viewer, m_platform,
                                        {ui.Command7, ui.Text1, ui.File2, ui.File1}, *this);
    new AutoView(
        *m_viewer, m_platform,
        {ui.Timer1, ui.Check1, ui.ok, ui.Label3, ui.Option1, ui.Option2, ui.File1, ui.File2},
        options.autoViewTimer, this);
    new PaneClearance(*ui.Text1, {ui.Label1, ui.tlbr});
    ui.Text1->addContextMenuAction((new EncodingMenu(*m_viewer, this))->action());
    // The favorites menu opens from the keyboard too, with its first item ready.
    connect(ui.File2, &FileListBox::menuKeyPressed, ui.favo, [this](const QPoint &at) {
        ui.favo->popup(at);
        ui.favo->setActiveAction(ui.remt);
    });
    new FindPanel(*m_viewer, m_platform,
                  {ui.find, ui.Command9, ui.Command10, ui.Command11, ui.Text2, ui.Command6,
                   ui.Command7, ui.Command8, ui.Command5, ui.fnd, ui.Text1},
                  this);
    new CaseTools(*m_viewer, m_platform, {ui.cap, ui.min, ui.Option3, ui.Text1}, this);
    auto *textTools = new TextTools(
        *m_viewer, m_platform,
        {ui.Label5, ui.Label14, ui.Label15, ui.Label16, ui.Label18, ui.com, ui.Label12, ui.Text1},
        this);
    connect(m_browser, &Browser::formattingOffered, textTools, &TextTools::setFormattingOffered);
    new TitleBar(*this, ui);
    new ToolbarPictures(*this, ui);
    new HoverReset(*this, ui);
    KeyboardControls::setTabOrder(ui);
    new FileDrop(*this);
    connect(ui.Timer2, &QTimer::timeout, this, &pgwell::unroll);
    auto *quit = new OperationAction(QStringLiteral("actionQuit"), QStringLiteral("Quit"),
                                     QKeySequence(Qt::CTRL | Qt::Key_Q), this);
    quit->addControls({ui.Command1}, {});
    connect(quit, &QAction::triggered, this, &pgwell::quit);
    layOut();
    initialise();
    // Saves a kill cut short get their old bytes back on a thread; the window is on screen
    // before anything about them is said. A file shown meanwhile is put back before it is read.
    m_viewer->recoverInterruptedSaves([this](const QList<SaveJournal::Recovered> &recovered) {
        for (const SaveJournal::Recovered &one : recovered)
            showStartMessage(SaveJournal::message(one),
                             one.problem.isEmpty() ? Icon::Information : Icon::Critical);
    });
    if (!options.startPath.isEmpty())
        openStartPath(options.startPath);
    move(screen()->geometry().topLeft());
}

void pgwell::writeSettingsEntry()
{
    QString error;
    const QString name = QStringLiteral("VTL pgwell");
    if (!m_platform.settings.writeValue(name, name, QStringLiteral("path"),
                                        m_platform.programFolder, &error)) {
        showStartMessage(
            error + QStringLiteral(", Fail to sae the setting, Please send the error to ") +
                supportAddress,
            Icon::Critical);
    }
}

void pgwell::layOut()
{
    ui.Text1->setGeometry(0, ui.Text1->y(), Twips::toPixels(fullWidthTwips - 400),
                          ui.Text1->height());

    // The lists start on the process's current folder.
    const StartFolder start = StartFolder::current();
    const QString current = start.path;
    ui.Drive1->showDriveFor(current);
    QString error;
    if (start.problem.isEmpty() && ui.Dir1->setPath(current, &error)) {
        m_viewer->setFolder(ui.Dir1->path());
        return;
    }
    if (!start.problem.isEmpty())
        error = start.problem + QStringLiteral(": ") + QDir::toNativeSeparators(current);
    showStartMessage(QStringLiteral("Drictory Error ..") + error, Icon::None);
    // Fall back to the root; the folder label names no folder until the user picks one, so no
    // file of the list is read before that.
    ui.Drive1->setDrive(QDir::rootPath());
    m_viewer->setFolder(QString());
}

void pgwell::initialise()
{
    setHeightTwips(0);
    ui.Timer2->start();

    const QString favorites = favoritesFolder();
    QSaveFile help(favorites + u'/' + HelpFile::fileName());
    if (help.open(QIODevice::WriteOnly)) {
        help.write(HelpFile::bytes());
        help.commit();
    }
    ui.File2->setPath(favorites);

    ui.m1->setPixmap(ui.add->pixmap());
    ui.m2->setPixmap(ui.del->pixmap());
    ui.sav->setPixmap(ui.save->pixmap());
    ui.Image1->setPixmap(ui.new11->pixmap());
    ui.reall->setPixmap(ui.refall->pixmap());
    ui.com->setPixmap(ui.co->pixmap());

    ui.Text1->setPlainText(startupHint, RichTextBox::Origin::File);
    // A text begun with New and never saved comes back.
    m_viewer->restoreNewTextDraft();
    m_viewer->setClipFolderSetting(m_platform.environment.value(QStringLiteral("windir")));
}

void pgwell::openStartPath(const QString &path)
{
    const QFileInfo info(path);
    struct stat st;
    if (::stat(QFile::encodeName(info.absoluteFilePath()).constData(), &st) != 0) {
        // A file in a folder the user may not read is there, but cannot be reached.
        const int error = errno;
        const QString shown = QDir::toNativeSeparators(info.absoluteFilePath());
        m_platform.messages.show(
            error == ENOENT || error == ENOTDIR
                ? QStringLiteral("%1 was not found.").arg(shown)
                : QStringLiteral("Cannot open %1: %2").arg(shown, qt_error_string(error)),
            Icon::Information, Buttons::Ok);
        return;
    }
    const QString folder = info.isDir() ? info.absoluteFilePath() : info.absolutePath();
    QString error;
    if (!ui.Dir1->setPath(folder, &error)) {
        m_platform.messages.show(error, Icon::None, Buttons::Ok);
        return;
    }
    if (info.isDir())
        return;
    // As if the user had clicked the file; one the list does not offer is shown all the same.
    for (int i = 0; i < ui.File1->listCount(); ++i) {
        if (ui.File1->item(i)->text() == info.fileName()) {
            ui.File1->setListIndex(i);
            return;
        }
    }
    m_browser->displayFromFileList(info.fileName());
}

void pgwell::setHeightTwips(int twips)
{
    m_heightTwips = twips;
    // The height is kept in twips, so that steps smaller than a pixel still add up.
    const int pixels = Twips::toPixels(twips);
    if (pixels != height())
        resize(width(), pixels);
}

void pgwell::unroll()
{
    // One tick opens the window completely, one twip at a time. Nothing is drawn between the
    // steps, so the window is resized once, to where they end: a resize at every step sent the
    // X server some six hundred at once, and the Expose events it answered with could arrive in
    // one burst with the window's first shared-memory image, which libxcb 1.15 then took for a
    // broken connection (the program ended with "The X11 connection broke (error 7)").
    int twips = m_heightTwips;
    for (int i = 0; i <= fullHeightTwips; ++i) {
        if (twips >= fullHeightTwips)
            break;
        ++twips;
    }
    setHeightTwips(twips);
    ui.Timer2->stop();
}

void pgwell::quit()
{
    confirmQuit();
}

bool pgwell::confirmQuit()
{
    if (m_ending)
        return true;
    if (m_platform.messages.show(QStringLiteral("Are you sure you want to quit the Pagewell ..."),
                                 Icon::Question, Buttons::YesNo) != MessageBoxes::Answer::Yes)
        return false;
    m_ending = true;
    // Nothing typed is lost: what was not saved is kept for the next start. An operation still
    // running stops first (a save leaves the file as it was).
    m_viewer->operations().stop();
    m_viewer->keepDrafts();
    // A file being put back is written whole first.
    m_viewer->waitForRecovery();
    emit quitConfirmed();
    QCoreApplication::exit(0);
    return true;
}

void pgwell::closeEvent(QCloseEvent *event)
{
    // The window system's close (Alt+F4, a task bar's "Close window") ends the program as the
    // title bar's "x" does, after the same question.
    if (confirmQuit())
        event->accept();
    else
        event->ignore();
}

Form3 *pgwell::reader()
{
    return m_readerActions->reader();
}

Form3 *pgwell::existingReader() const
{
    return m_readerActions->existingReader();
}

void pgwell::openStartPathWhenShown(const QString &path)
{
    m_startPathAfterPaint = path;
    update();
}

void pgwell::showStartMessage(const QString &text, Icon icon)
{
    if (isVisible()) {
        m_platform.messages.show(text, icon, Buttons::Ok);
        return;
    }
    m_messagesAfterPaint.append({text, icon});
}

void pgwell::paintEvent(QPaintEvent *event)
{
    QWidget::paintEvent(event);
    if (!m_messagesAfterPaint.isEmpty()) {
        QTimer::singleShot(0, this, [this, messages = std::exchange(m_messagesAfterPaint, {})] {
            for (const auto &[text, icon] : messages)
                m_platform.messages.show(text, icon, Buttons::Ok);
        });
    }
    if (!m_startPathAfterPaint.isEmpty()) {
        // After this paint reaches the screen.
        QTimer::singleShot(0, this, [this, path = std::exchange(m_startPathAfterPaint, {})] {
            openStartPath(path);
        });
    }
    // The thin fixed border around the client area.
    QPainter painter(this);
    const QRect r = rect().adjusted(0, 0, -1, -1);
    painter.setPen(palette().color(QPalette::Light));
    painter.drawLine(r.topLeft(), r.topRight());
    painter.drawLine(r.topLeft(), r.bottomLeft());
    painter.setPen(palette().color(QPalette::Shadow));
    painter.drawLine(r.bottomLeft(), r.bottomRight());
    painter.drawLine(r.topRight(), r.bottomRight());
    painter.setPen(palette().color(QPalette::Mid));
    painter.drawRect(r.adjusted(1, 1, -1, -1));
}
