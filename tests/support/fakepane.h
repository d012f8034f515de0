// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The pane as the viewer sees it, and a viewer over it in a folder of its own.
#include "displaywait.h"
#include "fakeplatform.h"
#include "viewer/paneport.h"
#include "viewer/viewer.h"

#include <QDir>
#include <QStandardPaths>
#include <QTemporaryDir>

// A text, whether it was edited, and what the viewer did to it. Edits are reported to viewer,
// when set, as the real pane reports them.
class FakePane : public PanePort
{
public:
    QString content;
    bool modified = false;
    bool rich = false;
    bool held = false;
    QList<bool> holds;    // every hold and release
    QStringList appended; // what came in as a file's new end
    int filesShown = 0;   // whole readings of a file
    int pieceSize = 0;    // the pieces the text is handed out in; 0: whole
    Viewer *viewer = nullptr;

    bool isModified() const override { return modified; }
    void setModified(bool value) override { modified = value; }
    QString text() const override { return content; }
    void forEachTextPiece(const std::function<bool(QStringView)> &visit) const override
    {
        if (pieceSize <= 0) {
            visit(content);
            return;
        }
        for (qsizetype at = 0; at < content.size(); at += pieceSize) {
            if (!visit(QStringView(content).sliced(
                    at, std::min<qsizetype>(pieceSize, content.size() - at))))
                return;
        }
    }
    QByteArray richText() const override { return "{\\rtf1 " + content.toUtf8() + "}"; }
    // A formatted file shows its bytes, a plain one the text the reader gave.
    ShownFile showFile(PaneFileReader::Result &&file, ReaderText *reader) override
    {
        ++filesShown;
        content = file.rich ? QString::fromUtf8(file.bytes) : file.plain.buffer.text();
        if (reader)
            reader->text = content;
        modified = false;
        rich = false;
        changed(0, 0, int(content.size()));
        ShownFile shown;
        shown.encoding = file.plain.encoding;
        shown.lineEnding = file.plain.lineEnding;
        return shown;
    }
    void showLoadPreview(TextBuffer &&) override {}
    void showLoadProgress(int) override {}
    void hideLoadProgress() override {}
    bool showsFormatting() const override { return rich; }
    void showEditedText(TextBuffer &&text) override
    {
        content = text.text();
        modified = true;
        rich = false;
        changed(0, 0, int(content.size()));
    }
    void showEditedRichText(const QByteArray &rtf) override
    {
        // What richText() made of it.
        content = QString::fromUtf8(rtf.mid(7, rtf.size() - 8));
        modified = true;
        rich = true;
        changed(0, 0, int(content.size()));
    }
    void replaceRange(qsizetype start, qsizetype length, const QString &replacement) override
    {
        content.replace(start, length, replacement);
        modified = true;
        changed(int(start), int(length), int(replacement.size()));
    }
    bool appendFromFile(const QString &text) override
    {
        appended.append(text);
        const int at = int(content.size());
        content += text;
        changed(at, 0, int(text.size()));
        return true;
    }
    void holdEdits(bool hold) override
    {
        held = hold;
        holds.append(hold);
    }
    // Typing at the end, and Backspace.
    void type(const QString &text) { replaceRange(content.size(), 0, text); }
    void backspace() { replaceRange(content.size() - 1, 1, QString()); }

private:
    void changed(int position, int removed, int added)
    {
        if (viewer)
            viewer->noteEdit(position, removed, added);
    }
};

// The format a display leaves a file in.
inline ShownFile shownAs(TextEncoding encoding = TextEncoding::Utf8,
                         LineEnding lineEnding = LineEnding::Lf, bool rich = false)
{
    ShownFile file;
    file.encoding = encoding;
    file.lineEnding = lineEnding;
    file.richText = rich;
    return file;
}

// A viewer over that pane in a folder of its own (in the data folder, on the file system of
// the test-mode home's trash), with scripted platform answers.
struct ViewerFixture
{
    ViewerFixture()
        : made(QDir().mkpath(data())), folder(data() + "/viewer-XXXXXX"), fake(folder.path()),
          viewer(fake.platform, pane)
    {
        viewer.setFavoritesFolder(folder.filePath("favo"));
    }
    static QString data()
    {
        return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    }
    QString path(const QString &name) const { return folder.filePath(name); }
    // Shows a file of the file list, once it is read.
    void display(const QString &file)
    {
        viewer.display(file, ShownList::Files);
        waitForDisplay(viewer);
    }
    // As a display of the file leaves it.
    void show(const QString &name, const ShownFile &format = shownAs(),
              ShownList list = ShownList::Files)
    {
        ShownFile shown = format;
        shown.path = path(name);
        shown.list = list;
        viewer.setShownFile(shown);
    }
    QStringList entries() const
    {
        return QDir(folder.path()).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot);
    }

    bool made;
    QTemporaryDir folder;
    FakePlatform fake;
    FakePane pane;
    Viewer viewer;
};
