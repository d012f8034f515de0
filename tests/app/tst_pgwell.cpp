// The main window: start-up, the unroll, quitting, and showing files from both lists.
#include "app/appfonts.h"
#include "app/browser.h"
#include "app/clicklabel.h"
#include "app/dirlistbox.h"
#include "app/filelistbox.h"
#include "app/pgwell.h"
#include "app/richtextbox.h"
#include "fakeplatform.h"
#include "reader/form3.h"
#include "windowfixture.h"

#include <memory>
#include <QDir>
#include <QFile>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextEdit>
#include <QTimer>

class TestPgwell : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void startUpWritesSettingsAndHelp();
    void settingsFailureIsReportedAndStartGoesOn();
    void secondStartRewritesHelp();
    void unreadableStartFolderFallsBackToRoot();
    void unrollEndsAtFullHeight();
    void quitAsksFirst();
    void displaysPlainTextFromFileList();
    void formattingLabelsFollowTheName_data();
    void formattingLabelsFollowTheName();
    void rtfContentShowsFormatted();
    void deletedFileIsSilent();
    void unreadableFileIsReported();
    void emptyFileEmptiesPane();
    void favoritesDisplay();
    void removedFavoriteIsReportedAndListRefreshed();
    void openingFolderKeepsPane();
    void startPathFileAndFolder();

private:
    std::unique_ptr<pgwell> makeWindow(pgwell::Options options = {});
    QString browse(const QString &name) const { return m_browse->filePath(name); }

    std::unique_ptr<QTemporaryDir> m_program;
    std::unique_ptr<QTemporaryDir> m_browse;
    std::unique_ptr<FakePlatform> m_fake;
};

void TestPgwell::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    installDesignFonts();
}

void TestPgwell::init()
{
    m_program = std::make_unique<QTemporaryDir>();
    m_browse = std::make_unique<QTemporaryDir>();
    m_fake = std::make_unique<FakePlatform>(m_program->path());
    QVERIFY(QDir::setCurrent(m_browse->path()));
}

void TestPgwell::cleanup()
{
    QDir::setCurrent(QDir::tempPath());
    m_fake.reset();
}

std::unique_ptr<pgwell> TestPgwell::makeWindow(pgwell::Options options)
{
    return std::make_unique<pgwell>(m_fake->platform, options);
}

void TestPgwell::startUpWritesSettingsAndHelp()
{
    m_fake->environment.variables.insert(QStringLiteral("windir"), QStringLiteral("/srv/win"));
    auto w = makeWindow();
    QCOMPARE(m_fake->settings.values.value(QStringLiteral("VTL pgwell/VTL pgwell/path")),
             m_program->path());
    QVERIFY(m_fake->messages.shown.isEmpty());

    const QString help = m_program->filePath(QStringLiteral("favo/What is This.txt"));
    QVERIFY(QFile::exists(help));
    QCOMPARE(w->File2->path(), m_program->filePath(QStringLiteral("favo")));
    QVERIFY(rowOf(w->File2, QStringLiteral("What is This.txt")) >= 0);

    QCOMPARE(w->Text1->toPlainText(),
             QStringLiteral("Its recommded that you hide the taskbar while using Vantrel "
                            "Pagewellif you are using a screen resulotion 800*600 or less "
                            "...best view for Pagewell is 768*1024"));
    QCOMPARE(w->win->caption(), QStringLiteral("/srv/win"));
    QCOMPARE(w->Label1->caption(), QDir::currentPath());
    QCOMPARE(w->Dir1->path(), QDir::currentPath());
    QCOMPARE(w->active->caption(), QString());
    QCOMPARE(w->Text1->x(), 0);
    QCOMPARE(w->Text1->width(), 11600 / 15);
    QVERIFY(w->Timer2->isActive());
    QCOMPARE(w->heightTwips(), 0);
    QVERIFY(!w->m1->pixmap().isNull());
    QCOMPARE(w->m1->pixmap().toImage(), w->add->pixmap().toImage());
    QCOMPARE(w->Image1->pixmap().toImage(), w->new11->pixmap().toImage());
    QVERIFY(w->existingReader() == nullptr);
}

void TestPgwell::settingsFailureIsReportedAndStartGoesOn()
{
    m_fake->settings.failWith = QStringLiteral("Access denied");
    auto w = makeWindow();
    QCOMPARE(m_fake->messages.shown.size(), 1);
    const auto &shown = m_fake->messages.shown.first();
    QVERIFY(shown.text.startsWith(
        QStringLiteral("Access denied, Fail to sae the setting, Please send the error to ")));
    QCOMPARE(shown.icon, MessageBoxes::Icon::Critical);
    QCOMPARE(shown.title, QStringLiteral("Pagewell"));
    QVERIFY(QFile::exists(m_program->filePath(QStringLiteral("favo/What is This.txt"))));
}

void TestPgwell::secondStartRewritesHelp()
{
    {
        auto first = makeWindow();
    }
    const QString help = m_program->filePath(QStringLiteral("favo/What is This.txt"));
    const QByteArray original = readFile(help);
    QCOMPARE(original.count("\r\n"), 16);
    writeFile(help, "my own notes");
    writeFile(m_program->filePath(QStringLiteral("favo/keep.txt")), "kept");

    auto second = makeWindow();
    QCOMPARE(readFile(help), original);
    QCOMPARE(readFile(m_program->filePath(QStringLiteral("favo/keep.txt"))), QByteArray("kept"));
    QCOMPARE(second->File2->listCount(), 2);
}

void TestPgwell::unreadableStartFolderFallsBackToRoot()
{
    // The process's current folder is removed before the window reads it.
    QTemporaryDir doomed;
    QVERIFY(QDir::setCurrent(doomed.path()));
    QVERIFY(doomed.remove());
    auto w = makeWindow();

    QCOMPARE(m_fake->messages.shown.size(), 1);
    QVERIFY(m_fake->messages.lastText().startsWith(QStringLiteral("Drictory Error ..")));
    QCOMPARE(m_fake->messages.shown.last().icon, MessageBoxes::Icon::None);
    QCOMPARE(w->Dir1->path(), QStringLiteral("/"));
    QCOMPARE(w->Label1->caption(), QString());
    QVERIFY(QFile::exists(m_program->filePath(QStringLiteral("favo/What is This.txt"))));

    // Until a folder is chosen, choosing a file reads nothing.
    const QString hint = w->Text1->toPlainText();
    w->browser().displayFromFileList(QStringLiteral("anything.txt"));
    QCOMPARE(w->active->caption(), QStringLiteral("1"));
    QCOMPARE(w->Text1->toPlainText(), hint);
    QVERIFY(w->existingReader() == nullptr);
    QCOMPARE(w->currentFilePath, QStringLiteral("/anything.txt"));
}

void TestPgwell::unrollEndsAtFullHeight()
{
    auto w = makeWindow();
    w->show();
    QTRY_VERIFY(!w->Timer2->isActive());
    QCOMPARE(w->heightTwips(), 8970);
    QCOMPARE(w->height(), 598);
    QCOMPARE(w->width(), 800);
    // The timer never runs again.
    QTest::qWait(150);
    QCOMPARE(w->heightTwips(), 8970);
}

void TestPgwell::quitAsksFirst()
{
    auto w = makeWindow();
    QSignalSpy ended(w.get(), &pgwell::quitConfirmed);
    const QString text = w->Text1->toPlainText();

    m_fake->messages.answers.enqueue(MessageBoxes::Answer::No);
    QTest::mouseClick(w->Command1, Qt::LeftButton);
    QCOMPARE(m_fake->messages.shown.size(), 1);
    QCOMPARE(m_fake->messages.lastText(),
             QStringLiteral("Are you sure you want to quit the Pagewell ..."));
    QCOMPARE(m_fake->messages.shown.last().icon, MessageBoxes::Icon::Question);
    QCOMPARE(m_fake->messages.shown.last().buttons, MessageBoxes::Buttons::YesNo);
    QCOMPARE(ended.count(), 0);
    QCOMPARE(w->Text1->toPlainText(), text);

    m_fake->messages.answers.enqueue(MessageBoxes::Answer::Yes);
    QTest::mouseClick(w->Command1, Qt::LeftButton);
    QCOMPARE(ended.count(), 1);
}

void TestPgwell::displaysPlainTextFromFileList()
{
    writeFile(browse(QStringLiteral("b.txt")), "first line\r\nsecond line\r\n");
    writeFile(browse(QStringLiteral("a.txt")), "other");
    auto w = makeWindow();
    const int row = rowOf(w->File1, QStringLiteral("b.txt"));
    QVERIFY(row >= 0);
    QTest::mouseClick(w->File1->viewport(), Qt::LeftButton, {},
                      w->File1->visualItemRect(w->File1->item(row)).center());

    QCOMPARE(w->Text1->toPlainText(), QStringLiteral("first line\nsecond line\n"));
    QCOMPARE(w->active->caption(), QStringLiteral("1"));
    QCOMPARE(w->currentFilePath, browse(QStringLiteral("b.txt")));
    QVERIFY(w->existingReader() != nullptr);
    QVERIFY(!w->reader()->isVisible());
    QCOMPARE(w->reader()->windowTitle(), QStringLiteral("Full screen mode - b.txt"));
    QCOMPARE(w->reader()->readerText(), QStringLiteral("first line\nsecond line\n"));
    QCOMPARE(w->shownFile().lineEnding, LineEnding::CrLf);
    QVERIFY(!w->shownFile().richText);
    QVERIFY(m_fake->messages.shown.isEmpty());
}

void TestPgwell::formattingLabelsFollowTheName_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("offered");
    QTest::newRow("rtf") << "a.rtf" << true;
    QTest::newRow("RTF") << "b.RTF" << true;
    QTest::newRow("Rtf") << "c.Rtf" << false;
    QTest::newRow("txt") << "d.txt" << false;
    QTest::newRow("no extension") << "notesrtf" << true;
}

void TestPgwell::formattingLabelsFollowTheName()
{
    QFETCH(QString, name);
    QFETCH(bool, offered);
    writeFile(browse(name), "{\\rtf1\\ansi plain words}");
    auto w = makeWindow();
    // Start from the opposite state, so that the display has to change it.
    for (ClickLabel *l : {w->Label5, w->Label14, w->Label15, w->Label16})
        l->setEnabled(!offered);
    w->Text1->setFont(QFont(QStringLiteral("Courier"), 20));

    w->browser().displayFromFileList(name);
    for (ClickLabel *l : {w->Label5, w->Label14, w->Label15, w->Label16})
        QCOMPARE(l->isEnabled(), offered);
    QVERIFY(w->Label18->isEnabled());
    if (!offered) {
        QCOMPARE(w->Text1->font().family(), QStringLiteral("MS Sans Serif"));
        QCOMPARE(w->Text1->font().pointSize(), 8);
    } else {
        QCOMPARE(w->Text1->font().pointSize(), 20);
    }
    QCOMPARE(w->currentFilePath, browse(name));
}

void TestPgwell::rtfContentShowsFormatted()
{
    // Recognised by its content, whatever the name says.
    writeFile(browse(QStringLiteral("styled.txt")),
              "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\f0 plain \\b bold\\b0  end\\par}");
    auto w = makeWindow();
    w->browser().displayFromFileList(QStringLiteral("styled.txt"));
    const QString text = w->Text1->toPlainText();
    QVERIFY2(text.startsWith(QStringLiteral("plain bold end")), qPrintable(text));
    QTextCursor cursor(w->Text1->document());
    cursor.setPosition(text.indexOf(QStringLiteral("bold")) + 1);
    QCOMPARE(cursor.charFormat().fontWeight(), int(QFont::Bold));
    cursor.setPosition(2);
    QVERIFY(cursor.charFormat().fontWeight() != int(QFont::Bold));
    QVERIFY(w->shownFile().richText);
    QVERIFY(!w->reader()->readerText().contains(u'\\'));
    QVERIFY(!w->Label5->isEnabled());
}

void TestPgwell::deletedFileIsSilent()
{
    writeFile(browse(QStringLiteral("keep.txt")), "kept text");
    writeFile(browse(QStringLiteral("gone.txt")), "never shown");
    auto w = makeWindow();
    w->File1->setListIndex(rowOf(w->File1, QStringLiteral("keep.txt")));
    QFile::remove(browse(QStringLiteral("gone.txt")));
    w->File1->setListIndex(rowOf(w->File1, QStringLiteral("gone.txt")));

    // Nothing is said; the list no longer offers the file, and everything else still tells of
    // the file the pane shows.
    QVERIFY(m_fake->messages.shown.isEmpty());
    QCOMPARE(rowOf(w->File1, QStringLiteral("gone.txt")), -1);
    QCOMPARE(w->File1->fileName(), QStringLiteral("keep.txt"));
    QCOMPARE(w->Text1->toPlainText(), QStringLiteral("kept text"));
    QCOMPARE(w->active->caption(), QStringLiteral("1"));
    QCOMPARE(w->reader()->windowTitle(), QStringLiteral("Full screen mode - keep.txt"));
    QCOMPARE(w->currentFilePath, browse(QStringLiteral("keep.txt")));
    QCOMPARE(w->shownFile().path, browse(QStringLiteral("keep.txt")));
}

void TestPgwell::unreadableFileIsReported()
{
    writeFile(browse(QStringLiteral("keep.txt")), "kept text");
    writeFile(browse(QStringLiteral("odd.txt")), "x");
    auto w = makeWindow();
    w->File1->setListIndex(rowOf(w->File1, QStringLiteral("keep.txt")));
    // Replaced by a folder behind the program's back: it exists but cannot be read as a file.
    QFile::remove(browse(QStringLiteral("odd.txt")));
    QVERIFY(QDir(m_browse->path()).mkdir(QStringLiteral("odd.txt")));
    w->File1->setListIndex(rowOf(w->File1, QStringLiteral("odd.txt")));

    QCOMPARE(m_fake->messages.shown.size(), 1);
    QCOMPARE(m_fake->messages.shown.first().icon, MessageBoxes::Icon::Critical);
    QVERIFY(m_fake->messages.lastText().contains(browse(QStringLiteral("odd.txt"))));
    QCOMPARE(w->Text1->toPlainText(), QStringLiteral("kept text"));
    QCOMPARE(w->currentFilePath, browse(QStringLiteral("keep.txt")));
    QCOMPARE(w->shownFile().path, browse(QStringLiteral("keep.txt")));
    QCOMPARE(w->reader()->windowTitle(), QStringLiteral("Full screen mode - keep.txt"));
    QCOMPARE(w->File1->fileName(), QStringLiteral("keep.txt"));
}

void TestPgwell::emptyFileEmptiesPane()
{
    writeFile(browse(QStringLiteral("empty.txt")), QByteArray());
    auto w = makeWindow();
    w->File1->setListIndex(rowOf(w->File1, QStringLiteral("empty.txt")));
    QCOMPARE(w->Text1->toPlainText(), QString());
    QCOMPARE(w->reader()->readerText(), QString());
    QVERIFY(!w->Label5->isEnabled());
}

void TestPgwell::favoritesDisplay()
{
    writeFile(browse(QStringLiteral("doc.rtf")), "{\\rtf1\\ansi rich}");
    auto w = makeWindow();
    writeFile(m_program->filePath(QStringLiteral("favo/fav.txt")), "favorite text\r\n");
    w->File2->refresh();
    w->File1->setListIndex(rowOf(w->File1, QStringLiteral("doc.rtf")));
    QVERIFY(w->Label5->isEnabled());

    w->File2->setListIndex(rowOf(w->File2, QStringLiteral("fav.txt")));
    QCOMPARE(w->Text1->toPlainText(), QStringLiteral("favorite text\n"));
    QCOMPARE(w->active->caption(), QStringLiteral("2"));
    QCOMPARE(w->reader()->windowTitle(), QStringLiteral("Full screen mode - fav.txt"));
    QVERIFY(w->Label5->isEnabled()); // left as the last file-list display set it
    QCOMPARE(w->currentFilePath, browse(QStringLiteral("doc.rtf")));
}

void TestPgwell::removedFavoriteIsReportedAndListRefreshed()
{
    auto w = makeWindow();
    writeFile(m_program->filePath(QStringLiteral("favo/fav.txt")), "favorite");
    w->File2->refresh();
    const int row = rowOf(w->File2, QStringLiteral("fav.txt"));
    QVERIFY(row >= 0);
    const QString before = w->Text1->toPlainText();
    QFile::remove(m_program->filePath(QStringLiteral("favo/fav.txt")));
    w->File2->setListIndex(row);

    QCOMPARE(m_fake->messages.shown.size(), 1);
    QVERIFY(m_fake->messages.lastText().endsWith(QStringLiteral(" .. Please refresh the list")));
    QCOMPARE(m_fake->messages.shown.last().icon, MessageBoxes::Icon::None);
    QCOMPARE(rowOf(w->File2, QStringLiteral("fav.txt")), -1);
    QCOMPARE(w->Text1->toPlainText(), before);
    QCOMPARE(w->active->caption(), QString()); // nothing was shown before, nor is now
    QVERIFY(w->shownFile().isEmpty());
    QCOMPARE(w->File2->listIndex(), -1);
}

void TestPgwell::openingFolderKeepsPane()
{
    QVERIFY(QDir(m_browse->path()).mkdir(QStringLiteral("sub")));
    writeFile(browse(QStringLiteral("sub/inner.txt")), "inner");
    writeFile(browse(QStringLiteral("top.txt")), "top");
    auto w = makeWindow();
    w->File1->setListIndex(rowOf(w->File1, QStringLiteral("top.txt")));
    QSignalSpy changed(w->Dir1, &DirListBox::pathChanged);
    QVERIFY(w->Dir1->setPath(browse(QStringLiteral("sub"))));
    QCOMPARE(changed.count(), 1);
    QCOMPARE(w->Label1->caption(), browse(QStringLiteral("sub")));
    QCOMPARE(w->File1->path(), browse(QStringLiteral("sub")));
    QCOMPARE(w->File1->listIndex(), -1);
    QCOMPARE(w->Text1->toPlainText(), QStringLiteral("top"));

    w->File1->setListIndex(rowOf(w->File1, QStringLiteral("inner.txt")));
    QCOMPARE(w->currentFilePath, browse(QStringLiteral("sub/inner.txt")));
}

void TestPgwell::startPathFileAndFolder()
{
    QVERIFY(QDir(m_browse->path()).mkdir(QStringLiteral("deep")));
    writeFile(browse(QStringLiteral("deep/start.txt")), "from the command line");
    {
        auto w = makeWindow({browse(QStringLiteral("deep/start.txt"))});
        QCOMPARE(w->Dir1->path(), browse(QStringLiteral("deep")));
        QCOMPARE(w->File1->fileName(), QStringLiteral("start.txt"));
        QCOMPARE(w->Text1->toPlainText(), QStringLiteral("from the command line"));
        QCOMPARE(w->currentFilePath, browse(QStringLiteral("deep/start.txt")));
    }
    {
        auto w = makeWindow({browse(QStringLiteral("deep"))});
        QCOMPARE(w->Label1->caption(), browse(QStringLiteral("deep")));
        QCOMPARE(w->File1->listIndex(), -1);
        QVERIFY(m_fake->messages.shown.isEmpty());
    }
    {
        auto w = makeWindow({browse(QStringLiteral("missing.txt"))});
        QCOMPARE(m_fake->messages.shown.size(), 1);
        QVERIFY(m_fake->messages.lastText().contains(QStringLiteral("missing.txt")));
        QCOMPARE(w->Dir1->path(), m_browse->path());
    }
}

QTEST_MAIN(TestPgwell)
#include "tst_pgwell.moc"
