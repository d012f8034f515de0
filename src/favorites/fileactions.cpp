#include "fileactions.h"

#include "controls/clicklabel.h"
#include "controls/filelistbox.h"
#include "controls/operationaction.h"
#include "app/pgwell.h"
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

#include <QDir>
#include <QFileInfo>
#include <QPushButton>
#include <QTextDocument>

using Icon = MessageBoxes::Icon;
using Buttons = MessageBoxes::Buttons;

FileActions::FileActions(pgwell &window) : QObject(&window), w(window)
{
    m_new = new OperationAction(QStringLiteral("New"), this);
    m_new->addControls({w.Command5}, {w.Image1, w.Label10});
    connect(m_new, &QAction::triggered, this, &FileActions::newText);

    // Save, Save as and Delete act on the shown file: they wait for a file being read.
    m_save = new OperationAction(QStringLiteral("Save"), this);
    m_save->addControls({w.Command8}, {w.sav, w.Label9});
    m_save->waitForLoads(w.viewer());
    connect(m_save, &QAction::triggered, this, &FileActions::save);
    m_saveAs = new OperationAction(QStringLiteral("Save as"), this);
    m_saveAs->addControls({w.Command6}, {});
    m_saveAs->waitForLoads(w.viewer());
    connect(m_saveAs, &QAction::triggered, this, &FileActions::saveAs);
    m_delete = new OperationAction(QStringLiteral("Delete"), this);
    m_delete->addControls({}, {w.m2, w.Label7});
    m_delete->waitForLoads(w.viewer());
    connect(m_delete, &QAction::triggered, this, &FileActions::deleteShownFile);
}

void FileActions::newText()
{
    // The source and the lists stay, so Save writes the new text over the file shown before,
    // in the format and encoding that file had.
    w.Text1->setPlainText(QString());
}

void FileActions::save()
{
    const ShownFile &shown = w.viewer().shownFile();
    if (shown.isEmpty())
        return showSaveFailure(QStringLiteral("No file has been shown yet"));
    // Unedited, the file already holds the shown text exactly as it was read: nothing is
    // rewritten, so nothing about the file can change.
    if (!w.Text1->isModified() && QFileInfo::exists(shown.path))
        return;

    // Written in the format it was shown in: RTF stays RTF and plain text stays plain, in its
    // own encoding and line ends.
    if (shown.richText) {
        if (const QString error = AtomicFileWriter::write(shown.path, richText()); !error.isEmpty())
            return showSaveFailure(error);
        w.Text1->setModified(false);
        return;
    }
    // Encoded straight from the pane's pieces into the file: a large text is not copied whole.
    const PlainTextSave::Written written =
        PlainTextSave::write(w.platform().messages, shown.path, paneText(), shown);
    if (!written.error.isEmpty())
        return showSaveFailure(written.error);
    if (!written.written)
        return; // the user kept the file as it is
    w.Text1->setModified(false);
    if (written.encoding != shown.encoding) {
        // The user chose UTF-8 for this file; later saves keep it so.
        ShownFile saved = shown;
        saved.encoding = written.encoding;
        w.viewer().setShownFile(saved);
    }
}

QByteArray FileActions::richText() const
{
    // A document shown as its text only was not changed: its file's bytes are the document.
    if (w.Text1->isReadOnly())
        return w.Text1->heldRtf();
    return RtfWriter::write(*w.Text1->document());
}

PlainTextSave::Pieces FileActions::paneText() const
{
    return [this](const std::function<bool(QStringView)> &visit) {
        w.Text1->forEachTextPiece(visit);
    };
}

void FileActions::showSaveFailure(const QString &error)
{
    w.platform().messages.show(
        error + QStringLiteral(" .. Please select a file from any list..or check the file if it's "
                               "still existe"),
        Icon::Information, Buttons::Ok);
}

void FileActions::saveAs()
{
    const std::optional<QString> chosen = w.platform().dialogs.saveFileName();
    if (!chosen)
        return;
    const ShownFile &shown = w.viewer().shownFile();
    const QString target = SaveAsTarget::path(*chosen, shown.path);
    // The dialog asked before replacing the name as typed; a name that got its extension here
    // may name another file, which is not replaced without asking.
    if (target != *chosen && QFileInfo::exists(target) &&
        w.platform().messages.show(QStringLiteral("%1 already exists.\nDo you want to replace it?")
                                       .arg(QDir::toNativeSeparators(target)),
                                   Icon::Question,
                                   Buttons::YesNoDefaultNo) != MessageBoxes::Answer::Yes)
        return;
    if (SaveAsTarget::isRichText(target)) {
        if (const QString error = AtomicFileWriter::write(target, richText()); !error.isEmpty()) {
            w.platform().messages.show(error, Icon::Critical, Buttons::Ok);
            return;
        }
    } else {
        const PlainTextSave::Written written =
            PlainTextSave::write(w.platform().messages, target, paneText(), shown);
        if (!written.error.isEmpty()) {
            w.platform().messages.show(written.error, Icon::Critical, Buttons::Ok);
            return;
        }
        if (!written.written)
            return;
    }
    // The pane stays tied to the file it came from: a later Save writes there, not here.
    ListRefresh::keepingSelection(*w.File1);
}

void FileActions::deleteShownFile()
{
    const ShownFile &shown = w.viewer().shownFile();
    if (shown.isEmpty())
        return; // nothing shown, nothing to delete
    QString error;
    if (!FileDisposal::discard(shown.path, &error)) {
        w.platform().messages.show(error, Icon::None, Buttons::Ok);
        return;
    }
    // The pane keeps the deleted file's text; a Save would write it again.
    ListRefresh::keepingSelection(shown.list == ShownList::Favorites ? *w.File2 : *w.File1);
}
