// SPDX-License-Identifier: GPL-3.0-or-later
// A text read from its file on demand, whose file another program wrote over in place, shows
// blanks where the changed bytes were: Save, Save as and Add to favorites say so and write none
// of it, leaving the files as they were and the text edited; an unchanged file saves as before.
#include "fakeplatform.h"
#include "filehelpers.h"
#include "plaintext/filebackedloader.h"
#include "viewer/longoperation.h"
#include "viewer/paneport.h"
#include "viewer/viewer.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <unistd.h>

namespace {

// A pane whose text is read from its file on demand, edited.
class FileBackedPane : public PanePort
{
public:
    TextBuffer buffer;
    bool modified = true;
    bool isModified() const override { return modified; }
    void setModified(bool value) override { modified = value; }
    QString text() const override { return buffer.text(); }
    void forEachTextPiece(const std::function<bool(QStringView)> &visit) const override
    {
        bool more = true;
        buffer.forEachPiece([&](QStringView piece) { more = more && visit(piece); });
    }
    QByteArray richText() const override { return {}; }
    qsizetype textLength() const override { return buffer.length(); }
    TextBuffer textSnapshot() const override { return buffer; }
    ShownFile showFile(PaneFileReader::Result &&, ReaderText *) override { return {}; }
    void showLoadPreview(TextBuffer &&) override {}
    void showLoadProgress(int) override {}
    void hideLoadProgress() override {}
};

QByteArray lines()
{
    QByteArray bytes;
    for (int i = 0; bytes.size() < (600 << 10); ++i)
        bytes += "line " + QByteArray::number(i) + " of the text, caf\xc3\xa9 au lait\n";
    return bytes;
}

} // namespace

class TestChangedUnder : public QObject
{
    Q_OBJECT

private slots:
    void writesNothingOfAChangedFile_data();
    void writesNothingOfAChangedFile();
};

void TestChangedUnder::writesNothingOfAChangedFile_data()
{
    QTest::addColumn<QString>("operation");
    QTest::addColumn<bool>("overwritten");
    for (const char *operation : {"Save", "Save as", "Add to favorites"}) {
        QTest::addRow("%s, file unchanged", operation) << QString(operation) << false;
        QTest::addRow("%s, file written over in place", operation) << QString(operation) << true;
    }
}

void TestChangedUnder::writesNothingOfAChangedFile()
{
    QFETCH(QString, operation);
    QFETCH(bool, overwritten);
    QTemporaryDir folder;
    FakePlatform fake(folder.path());
    FileBackedPane pane;
    Viewer viewer(fake.platform, pane);
    viewer.operations().setBackgroundFrom(0);
    const QString path = folder.filePath("shown.txt");
    const QByteArray original = lines();
    writeFile(path, original);
    {
        const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
        QVERIFY(fd >= 0);
        std::optional<PlainTextLoader::Result> loaded = FileBackedLoader::load(fd, original.size());
        ::close(fd);
        QVERIFY(loaded && loaded->status == PlainTextLoader::Status::Ok);
        QVERIFY(loaded->buffer.readsFile());
        pane.buffer = loaded->buffer;
    }
    ShownFile shown;
    shown.encoding = TextEncoding::Utf8;
    shown.lineEnding = LineEnding::Lf;
    shown.path = path;
    shown.list = ShownList::Files;
    viewer.setShownFile(shown);

    // Other letters over the same length: only the bytes themselves tell.
    QByteArray now = original;
    if (overwritten) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadWrite));
        now.replace(original.size() / 2, 4000, QByteArray(4000, 'o'));
        file.write(now);
    }
    const QString copy = folder.filePath("copy.txt");
    const QString favorites = folder.filePath("favorites");
    if (operation == "Save") {
        viewer.save();
    } else if (operation == "Save as") {
        fake.dialogs.saveAnswers.enqueue(copy);
        viewer.saveAs();
    } else {
        viewer.setFavoritesFolder(favorites);
        viewer.addToFavorites("kept.txt", pane.buffer, [&fake](const QString &error) {
            if (!error.isEmpty())
                fake.messages.shown.append(
                    {error, MessageBoxes::Icon::Critical, MessageBoxes::Buttons::Ok});
        });
    }
    QTRY_VERIFY(!viewer.isBusy());

    const QString written = operation == "Save"      ? path
                            : operation == "Save as" ? copy
                                                     : favorites + "/kept.txt";
    if (!overwritten) {
        QVERIFY2(fake.messages.shown.isEmpty(), qPrintable(fake.messages.lastText()));
        QCOMPARE(readFile(written), original);
        return;
    }
    QCOMPARE(fake.messages.shown.size(), 1);
    QVERIFY2(fake.messages.lastText().contains("changed by another program"),
             qPrintable(fake.messages.lastText()));
    QCOMPARE(readFile(path), now);
    QVERIFY(!QFileInfo::exists(copy));
    QVERIFY(!QFileInfo::exists(favorites + "/kept.txt"));
    QVERIFY(pane.isModified());
}

QTEST_MAIN(TestChangedUnder)
#include "tst_changedunder.moc"
