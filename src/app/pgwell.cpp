#include "pgwell.h"

#include "about/aboutactions.h"
#include "app/browser.h"
#include "controls/clicklabel.h"
#include "controls/dirlistbox.h"
#include "controls/drivelistbox.h"
#include "app/filedrop.h"
#include "controls/filelistbox.h"
#include "app/helpfile.h"
#include "app/keyboardcontrols.h"
#include "controls/paneclearance.h"
#include "app/pgwellui.h"
#include "controls/richtextbox.h"
#include "app/startfolder.h"
#include "app/hoverreset.h"
#include "app/titlebar.h"
#include "app/toolbarpictures.h"
#include "controls/twips.h"
#include "autoview/autoview.h"
#include "favorites/favoritesactions.h"
#include "favorites/favoriteslocation.h"
#include "favorites/fileactions.h"
#include "platform/environment.h"
#include "platform/messageboxes.h"
#include "platform/platform.h"
#include "platform/settingsstore.h"
#include "reader/form3.h"
#include "reader/readeractions.h"
#include "texttools/clipslotactions.h"
#include "texttools/casetools.h"
#include "texttools/findpanel.h"
#include "texttools/texttools.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QMenu>
#include <QPainter>
#include <QPushButton>
#include <QSaveFile>
#include <QScreen>
#include <QTimer>

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

pgwell::~pgwell()
{
    // The reader is a window of its own, not a child, so that it does not stay above this one.
    delete m_reader;
}

void pgwell::startUp(const Options &options)
{
    writeSettingsEntry();
    m_favoritesFolder = FavoritesLocation::folder(m_platform.programFolder);
    m_viewer = new Viewer(this);
    PgwellUi::setupUi(*this);
    connect(m_viewer, &Viewer::folderChanged, this,
            [this] { Label1->setCaption(QDir::toNativeSeparators(m_viewer->folder())); });
    m_browser = new Browser(*this);
    m_favoritesActions = new FavoritesActions(*this);
    new FileActions(*this);
    new AboutActions(*this);
    new ClipSlotActions(*this);
    new ReaderActions(*this);
    new AutoView(*this, options.autoViewTimer);
    new PaneClearance(*Text1, {Label1, tlbr});
    // The favorites menu opens from the keyboard too, with its first item ready.
    connect(File2, &FileListBox::menuKeyPressed, favo, [this](const QPoint &at) {
        favo->popup(at);
        favo->setActiveAction(remt);
    });
    new FindPanel(*this);
    new CaseTools(*this);
    new TextTools(*this);
    new TitleBar(*this);
    new ToolbarPictures(*this);
    new HoverReset(*this);
    new KeyboardControls(*this);
    new FileDrop(*this);
    connect(Timer2, &QTimer::timeout, this, &pgwell::unroll);
    connect(Command1, &QPushButton::clicked, this, &pgwell::quit);
    layOut();
    initialise();
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
        m_platform.messages.show(error +
                                     QStringLiteral(", Fail to sae the setting, Please send the "
                                                    "error to ") +
                                     supportAddress,
                                 Icon::Critical, Buttons::Ok);
    }
}

void pgwell::layOut()
{
    Text1->setGeometry(0, Text1->y(), Twips::toPixels(fullWidthTwips - 400), Text1->height());

    // The lists start on the process's current folder.
    const StartFolder start = StartFolder::current();
    const QString current = start.path;
    Drive1->showDriveFor(current);
    QString error;
    if (start.problem.isEmpty() && Dir1->setPath(current, &error)) {
        m_viewer->setFolder(Dir1->path());
        return;
    }
    if (!start.problem.isEmpty())
        error = start.problem + QStringLiteral(": ") + QDir::toNativeSeparators(current);
    m_platform.messages.show(QStringLiteral("Drictory Error ..") + error, Icon::None, Buttons::Ok);
    // Fall back to the root; the folder label names no folder until the user picks one, so no
    // file of the list is read before that.
    Drive1->setDrive(QDir::rootPath());
    m_viewer->setFolder(QString());
}

void pgwell::initialise()
{
    setHeightTwips(0);
    Timer2->start();

    const QString favorites = favoritesFolder();
    QSaveFile help(favorites + u'/' + HelpFile::fileName());
    if (help.open(QIODevice::WriteOnly)) {
        help.write(HelpFile::bytes());
        help.commit();
    }
    File2->setPath(favorites);

    m1->setPixmap(add->pixmap());
    m2->setPixmap(del->pixmap());
    sav->setPixmap(save->pixmap());
    Image1->setPixmap(new11->pixmap());
    reall->setPixmap(refall->pixmap());
    com->setPixmap(co->pixmap());

    Text1->setPlainText(startupHint);
    m_viewer->setClipFolderSetting(m_platform.environment.value(QStringLiteral("windir")));
}

void pgwell::openStartPath(const QString &path)
{
    const QFileInfo info(path);
    if (!info.exists()) {
        m_platform.messages.show(QStringLiteral("%1 was not found.")
                                     .arg(QDir::toNativeSeparators(info.absoluteFilePath())),
                                 Icon::Information, Buttons::Ok);
        return;
    }
    const QString folder = info.isDir() ? info.absoluteFilePath() : info.absolutePath();
    QString error;
    if (!Dir1->setPath(folder, &error)) {
        m_platform.messages.show(error, Icon::None, Buttons::Ok);
        return;
    }
    if (info.isDir())
        return;
    // As if the user had clicked the file; one the list does not offer is shown all the same.
    for (int i = 0; i < File1->listCount(); ++i) {
        if (File1->item(i)->text() == info.fileName()) {
            File1->setListIndex(i);
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
    Timer2->stop();
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
    if (!existingReader()) {
        m_reader = new Form3(screen());
        // Its caption names the file whose text it holds, as the viewer records it.
        m_reader->setShownFileName(m_viewer->readerFileName());
        connect(m_viewer, &Viewer::readerFileNameChanged, m_reader,
                [this] { m_reader->setShownFileName(m_viewer->readerFileName()); });
        emit readerCreated(m_reader);
    }
    return m_reader;
}

void pgwell::paintEvent(QPaintEvent *event)
{
    QWidget::paintEvent(event);
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
