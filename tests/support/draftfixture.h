// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A viewer over a pane that reports its edits as the real pane does, and the program started
// (and started again) over a folder of its own.
#include "displaywait.h"
#include "fakepane.h"
#include "viewer/draftkeeper.h"
#include "viewer/versionstore.h"

#include <QDir>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <memory>

// A viewer with that pane over a folder of its own; another one over the same folders is the
// program started again.
struct Session
{
    explicit Session(FakePlatform &fake) : viewer(fake.platform, pane) { pane.viewer = &viewer; }
    ~Session() { pane.viewer = nullptr; }
    FakePane pane;
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
    // Shows a file of the file list, once it is read.
    void display(const QString &file)
    {
        viewer().display(file, ShownList::Files);
        waitForDisplay(viewer());
    }
    FakePane &pane() { return session->pane; }
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

// What earlier tests kept: drafts and the versions of files.
inline void clearDrafts()
{
    QDir(DraftStore::defaultFolder()).removeRecursively();
    QDir(VersionStore::defaultFolder()).removeRecursively();
}
