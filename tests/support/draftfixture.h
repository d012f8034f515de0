// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A viewer over a pane of the tests' own that reports its edits as the real pane does, and the
// program started (and started again) over a folder of its own.
#include "fakeplatform.h"
#include "viewer/draftkeeper.h"
#include "viewer/paneport.h"
#include "viewer/viewer.h"

#include <QDir>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <memory>

// The pane as the viewer sees it: a text that reports its changes as the real pane does.
class EditPane : public PanePort
{
public:
    QString content;
    bool modified = false;
    bool rich = false;
    QStringList appended; // what came in as a file's new end
    int filesShown = 0;   // whole readings of a file
    Viewer *viewer = nullptr;

    bool isModified() const override { return modified; }
    void setModified(bool value) override { modified = value; }
    QString text() const override { return content; }
    void forEachTextPiece(const std::function<bool(QStringView)> &visit) const override
    {
        visit(content);
    }
    QByteArray richText() const override { return "{\\rtf1 " + content.toUtf8() + "}"; }
    ShownFile showFile(PaneFileReader::Result &&file, ReaderText *reader) override
    {
        ++filesShown;
        content = file.rich ? QString::fromUtf8(file.bytes) : file.plain.buffer.text();
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

// A viewer with that pane over a folder of its own; another one over the same folders is the
// program started again.
struct Session
{
    explicit Session(FakePlatform &fake) : viewer(fake.platform, pane) { pane.viewer = &viewer; }
    ~Session() { pane.viewer = nullptr; }
    EditPane pane;
    Viewer viewer;
};

struct Fixture
{
    Fixture() : folder(data() + "/drafts-test-XXXXXX"), fake(folder.path()) { start(); }
    static QString data()
    {
        QDir().mkpath(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation));
        return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    }
    // The program (re)started: what the last one kept is all there is.
    Session &start(qsizetype editsFrom = DraftKeeper::defaultEditsFrom)
    {
        session.reset();
        session = std::make_unique<Session>(fake);
        session->viewer.drafts().setEditsFrom(editsFrom);
        return *session;
    }
    QString path(const QString &name) const { return folder.filePath(name); }
    EditPane &pane() { return session->pane; }
    Viewer &viewer() { return session->viewer; }
    QString draftFolder() const { return DraftStore::defaultFolder(); }
    int draftFiles() const
    {
        return QDir(draftFolder()).entryList(QDir::Files | QDir::Hidden).size();
    }

    QTemporaryDir folder;
    FakePlatform fake;
    std::unique_ptr<Session> session;
};
