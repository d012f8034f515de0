#include "fileactions.h"

#include "app/clicklabel.h"
#include "app/dirlistbox.h"
#include "app/displayrules.h"
#include "app/filelistbox.h"
#include "app/pgwell.h"
#include "app/richtextbox.h"
#include "favorites/atomicfilewriter.h"
#include "favorites/favoriteslocation.h"
#include "favorites/filedisposal.h"
#include "favorites/listrefresh.h"
#include "favorites/plaintextcontent.h"
#include "favorites/saveastarget.h"
#include "platform/dialogs.h"
#include "platform/messageboxes.h"
#include "platform/platform.h"
#include "rtf/rtfwriter.h"

#include <QPushButton>
#include <QDir>
#include <QFileInfo>
#include <QTextDocument>

using Icon = MessageBoxes::Icon;
using Buttons = MessageBoxes::Buttons;

FileActions::FileActions(pgwell &window) : QObject(&window), w(window)
{
    connect(w.Command5, &QPushButton::clicked, this, &FileActions::newText);
    connect(w.Image1, &ClickLabel::clicked, this, &FileActions::newText);
    connect(w.Label10, &ClickLabel::clicked, this, &FileActions::newText);
    connect(w.Command8, &QPushButton::clicked, this, &FileActions::save);
    connect(w.sav, &ClickLabel::clicked, this, &FileActions::pressSave);
    connect(w.Label9, &ClickLabel::clicked, this, &FileActions::pressSave);
    connect(w.Command6, &QPushButton::clicked, this, &FileActions::saveAs);
    connect(w.m2, &ClickLabel::clicked, this, &FileActions::deleteShownFile);
    connect(w.Label7, &ClickLabel::clicked, this, &FileActions::deleteShownFile);
}

void FileActions::newText()
{
    // The source and the lists stay, so Save writes the new text over the file shown before,
    // in the format and encoding that file had.
    w.Text1->setPlainText(QString());
}

void FileActions::pressSave()
{
    w.Command8->click();
}

void FileActions::save()
{
    const QString source = w.active->caption();
    QString path;
    bool favorite = false;
    if (source == u"1") {
        const QString name = w.File1->fileName();
        const auto joined = DisplayRules::filePath(w.Label1->caption(), w.Dir1->path(), name);
        if (!joined)
            return; // no folder chosen yet: there is nowhere to write
        if (name.isEmpty())
            return showSaveFailure(QStringLiteral("No file is selected in the file list"));
        path = *joined;
    } else if (source == u"2") {
        const QString name = w.File2->fileName();
        if (name.isEmpty())
            return showSaveFailure(QStringLiteral("No favorite is selected in the favorites list"));
        path = FavoritesLocation::path(w.platform().programFolder, name);
        favorite = true;
    } else {
        return showSaveFailure(QStringLiteral("No file has been shown yet"));
    }

    // Written in the format it was shown in: RTF stays RTF and plain text stays plain, in its
    // own encoding and line ends (favorites: UTF-8 and CR LF).
    const QTextDocument &document = *w.Text1->document();
    if (w.shownFile.richText) {
        if (const QString error = AtomicFileWriter::write(path, RtfWriter::write(document));
            !error.isEmpty())
            showSaveFailure(error);
        return;
    }
    const QString text = PlainTextContent::paneText(document);
    const EncodedText content =
        favorite ? EncodedText{PlainTextContent::forFavorite(text), TextEncoding::Utf8}
                 : PlainTextContent::forSave(text, w.shownFile);
    if (const QString error = AtomicFileWriter::write(path, content.bytes); !error.isEmpty())
        return showSaveFailure(error);
    // A text that needed UTF-8 is now a UTF-8 file; later saves keep it so.
    w.shownFile.encoding = content.encoding;
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
    const QString target = SaveAsTarget::path(*chosen, w.currentFilePath);
    // The dialog asked before replacing the name as typed; a name that got its extension here
    // may name another file, which is not replaced without asking.
    if (target != *chosen && QFileInfo::exists(target) &&
        w.platform().messages.show(QStringLiteral("%1 already exists.\nDo you want to replace it?")
                                       .arg(QDir::toNativeSeparators(target)),
                                   Icon::Question, Buttons::YesNo) != MessageBoxes::Answer::Yes)
        return;
    const QTextDocument &document = *w.Text1->document();
    const QByteArray bytes =
        SaveAsTarget::isRichText(target)
            ? RtfWriter::write(document)
            : PlainTextContent::forSave(PlainTextContent::paneText(document), w.shownFile).bytes;
    if (const QString error = AtomicFileWriter::write(target, bytes); !error.isEmpty()) {
        w.platform().messages.show(error, Icon::Critical, Buttons::Ok);
        return;
    }
    // The pane stays tied to the file it came from: the source and currentFilePath stay.
    ListRefresh::keepingSelection(*w.File1);
}

void FileActions::deleteShownFile()
{
    // Every failure is silent here, and the list is then left as it was.
    const QString source = w.active->caption();
    if (source == u"1") {
        const QString name = w.File1->fileName();
        const auto path = DisplayRules::filePath(w.Label1->caption(), w.Dir1->path(), name);
        if (name.isEmpty() || !path || !FileDisposal::discard(*path))
            return;
        w.File1->refresh();
    } else if (source == u"2") {
        const QString name = w.File2->fileName();
        if (name.isEmpty() ||
            !FileDisposal::discard(FavoritesLocation::path(w.platform().programFolder, name)))
            return;
        w.File2->refresh();
    }
}
