#include "fileactions.h"

#include "controls/clicklabel.h"
#include "controls/filelistbox.h"
#include "controls/operationaction.h"
#include "controls/richtextbox.h"
#include "favorites/atomicfilewriter.h"
#include "favorites/filedisposal.h"
#include "favorites/listrefresh.h"
#include "favorites/plaintextcontent.h"
#include "favorites/plaintextsave.h"
#include "favorites/saveastarget.h"
#include "platform/dialogs.h"
#include "platform/messageboxes.h"
#include "platform/platform.h"
#include "rtf/rtfwriter.h"
#include "viewer/viewer.h"

#include <QDir>
#include <QFileInfo>
#include <QPushButton>
#include <QTextDocument>

using Icon = MessageBoxes::Icon;
using Buttons = MessageBoxes::Buttons;

FileActions::FileActions(Viewer &viewer, Platform &platform, const Controls &controls,
                         QObject *parent)
    : QObject(parent), m_viewer(viewer), m_platform(platform), ui(controls)
{
    m_new = new OperationAction(QStringLiteral("actionNew"), QStringLiteral("New"),
                                QKeySequence(Qt::CTRL | Qt::Key_N), this);
    m_new->addControls({ui.Command5}, {ui.Image1, ui.Label10});
    connect(m_new, &QAction::triggered, this, &FileActions::newText);

    // Save, Save as and Delete act on the shown file: they wait for a file being read.
    m_save = new OperationAction(QStringLiteral("actionSave"), QStringLiteral("Save"),
                                 QKeySequence(Qt::CTRL | Qt::Key_S), this);
    m_save->addControls({ui.Command8}, {ui.sav, ui.Label9});
    m_save->waitForLoads(m_viewer);
    connect(m_save, &QAction::triggered, this, &FileActions::save);
    m_saveAs = new OperationAction(QStringLiteral("actionSaveAs"), QStringLiteral("Save as"),
                                   QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S), this);
    m_saveAs->addControls({ui.Command6}, {});
    m_saveAs->waitForLoads(m_viewer);
    connect(m_saveAs, &QAction::triggered, this, &FileActions::saveAs);
    // Not the Delete key, nor Shift+Del (Cut) or Ctrl+Del (delete a word): those edit the pane.
    m_delete = new OperationAction(QStringLiteral("actionDelete"), QStringLiteral("Delete"),
                                   QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Delete), this);
    m_delete->addControls({}, {ui.m2, ui.Label7});
    m_delete->waitForLoads(m_viewer);
    connect(m_delete, &QAction::triggered, this, &FileActions::deleteShownFile);
}

void FileActions::newText()
{
    // The source and the lists stay, so Save writes the new text over the file shown before,
    // in the format and encoding that file had.
    ui.Text1->setPlainText(QString());
}

void FileActions::save()
{
    const ShownFile &shown = m_viewer.shownFile();
    if (shown.isEmpty())
        return showSaveFailure(QStringLiteral("No file has been shown yet"));
    // Unedited, the file already holds the shown text exactly as it was read: nothing is
    // rewritten, so nothing about the file can change.
    if (!ui.Text1->isModified() && QFileInfo::exists(shown.path))
        return;

    // Written in the format it was shown in: RTF stays RTF and plain text stays plain, in its
    // own encoding and line ends.
    if (shown.richText) {
        if (const QString error = AtomicFileWriter::write(shown.path, richText()); !error.isEmpty())
            return showSaveFailure(error);
        ui.Text1->setModified(false);
        return;
    }
    // Encoded straight from the pane's pieces into the file: a large text is not copied whole.
    const PlainTextSave::Written written =
        PlainTextSave::write(m_platform.messages, shown.path, paneText(), shown);
    if (!written.error.isEmpty())
        return showSaveFailure(written.error);
    if (!written.written)
        return; // the user kept the file as it is
    ui.Text1->setModified(false);
    if (written.encoding != shown.encoding) {
        // The user chose UTF-8 for this file; later saves keep it so.
        ShownFile saved = shown;
        saved.encoding = written.encoding;
        m_viewer.setShownFile(saved);
    }
}

QByteArray FileActions::richText() const
{
    // A document shown as its text only was not changed: its file's bytes are the document.
    if (ui.Text1->isReadOnly())
        return ui.Text1->heldRtf();
    return RtfWriter::write(*ui.Text1->document());
}

PlainTextSave::Pieces FileActions::paneText() const
{
    return [this](const std::function<bool(QStringView)> &visit) {
        ui.Text1->forEachTextPiece(visit);
    };
}

void FileActions::showSaveFailure(const QString &error)
{
    m_platform.messages.show(
        error + QStringLiteral(" .. Please select a file from any list..or check the file if it's "
                               "still existe"),
        Icon::Information, Buttons::Ok);
}

void FileActions::saveAs()
{
    const std::optional<QString> chosen = m_platform.dialogs.saveFileName();
    if (!chosen)
        return;
    const ShownFile &shown = m_viewer.shownFile();
    const QString target = SaveAsTarget::path(*chosen, shown.path);
    // The dialog asked before replacing the name as typed; a name that got its extension here
    // may name another file, which is not replaced without asking.
    if (target != *chosen && QFileInfo::exists(target) &&
        m_platform.messages.show(QStringLiteral("%1 already exists.\nDo you want to replace it?")
                                     .arg(QDir::toNativeSeparators(target)),
                                 Icon::Question,
                                 Buttons::YesNoDefaultNo) != MessageBoxes::Answer::Yes)
        return;
    if (SaveAsTarget::isRichText(target)) {
        if (const QString error = AtomicFileWriter::write(target, richText()); !error.isEmpty()) {
            m_platform.messages.show(error, Icon::Critical, Buttons::Ok);
            return;
        }
    } else {
        const PlainTextSave::Written written =
            PlainTextSave::write(m_platform.messages, target, paneText(), shown);
        if (!written.error.isEmpty()) {
            m_platform.messages.show(written.error, Icon::Critical, Buttons::Ok);
            return;
        }
        if (!written.written)
            return;
    }
    // The pane stays tied to the file it came from: a later Save writes there, not here.
    ListRefresh::keepingSelection(*ui.File1);
}

void FileActions::deleteShownFile()
{
    const ShownFile &shown = m_viewer.shownFile();
    if (shown.isEmpty())
        return; // nothing shown, nothing to delete
    QString error;
    if (!FileDisposal::discard(shown.path, &error)) {
        m_platform.messages.show(error, Icon::None, Buttons::Ok);
        return;
    }
    // The pane keeps the deleted file's text; a Save would write it again.
    ListRefresh::keepingSelection(shown.list == ShownList::Favorites ? *ui.File2 : *ui.File1);
}
