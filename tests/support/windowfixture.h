// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/pgwell.h"
#include "controls/filelistbox.h"
#include "controls/richtextbox.h"
#include "displaywait.h"
#include "fakeplatform.h"
#include "filehelpers.h"
#include "windowcontrols.h"

#include <memory>
#include <QDir>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

// A main window over a program folder and a folder to browse. Both lie in the test-mode data
// folder, on the file system of the test-mode home trash, where removed files can be checked.
struct WindowFixture
{
    static QString data()
    {
        return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    }
    static QString trashed(const QString &name) { return data() + "/Trash/files/" + name; }

    WindowFixture()
        : made(QDir().mkpath(data())), program(data() + "/pagewell program-XXXXXX"),
          browsed(data() + "/browse-XXXXXX"), fake(program.path())
    {
        emptyTrash();
        QDir::setCurrent(browsed.path());
    }
    ~WindowFixture()
    {
        w.reset();
        QDir::setCurrent(QDir::tempPath());
        emptyTrash();
    }
    static void emptyTrash()
    {
        QFile::remove(data() + "/Trash");
        QDir(data() + "/Trash").removeRecursively();
    }
    // A new window; the one opened before is gone first, as when the program starts again.
    // A start path is read and shown, and the start's recovery over, before it returns.
    pgwell &open(const pgwell::Options &options = {})
    {
        openWithoutWaiting(options);
        [&] {
            waitForRecovery(w->viewer());
            waitForDisplay(w->viewer());
        }();
        return *w;
    }
    pgwell &openWithoutWaiting(const pgwell::Options &options = {})
    {
        w.reset();
        w = std::make_unique<pgwell>(fake.platform, options);
        return *w;
    }
    // The window on screen and active, its unroll done: as the user first meets it.
    pgwell &openShown(const pgwell::Options &options = {})
    {
        pgwell &window = open(options);
        window.show();
        window.activateWindow();
        [&] {
            QVERIFY(QTest::qWaitForWindowActive(&window));
        }();
        [&] {
            QTRY_VERIFY(!ui(window).Timer2->isActive());
        }();
        return window;
    }
    QString browse(const QString &name) const { return browsed.filePath(name); }
    QString favorite(const QString &name) const { return program.filePath("favo/" + name); }

    bool made;
    QTemporaryDir program;
    QTemporaryDir browsed;
    FakePlatform fake;
    std::unique_ptr<pgwell> w;
};

inline int rowOf(const FileListBox *list, const QString &name)
{
    for (int i = 0; i < list->listCount(); ++i) {
        if (list->item(i)->text() == name)
            return i;
    }
    return -1;
}

inline QPoint centerOf(const FileListBox *list, const QString &name)
{
    return list->visualItemRect(list->item(rowOf(list, name))).center();
}

// A left click on the entry; the file is still being read when it returns.
inline void chooseWithoutWaiting(FileListBox *list, const QString &name)
{
    QVERIFY2(rowOf(list, name) >= 0, qPrintable(name));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, centerOf(list, name));
}

inline void waitForDisplay(const pgwell &w)
{
    waitForDisplay(w.viewer());
}

// A left click on the entry, as the user chooses a file; returns once the file is read, as
// the user sees it a moment later.
inline void choose(FileListBox *list, const QString &name)
{
    chooseWithoutWaiting(list, name);
    if (const auto *w = qobject_cast<const pgwell *>(list->window()))
        waitForDisplay(*w);
}

// Types the text into the viewing pane at its cursor, any characters, as the keyboard does.
inline void typeInPane(pgwell &w, const QString &text)
{
    for (QChar c : text)
        QTest::sendKeyEvent(QTest::Click, ui(w).Text1->editor(), Qt::Key_unknown, QString(c), {});
}
