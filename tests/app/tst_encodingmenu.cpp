// SPDX-License-Identifier: GPL-3.0-or-later
// The pane's "Encoding" menu: the shown file's encoding checked, and another one chosen reads
// the file again in it (what a refused one does is the viewer's test).
#include "windowtest.h"

#include "app/pgwellui.h"
#include "panemenu.h"

#include <QStringDecoder>
#include <QStringEncoder>

class TestEncodingMenu : public WindowTest
{
    Q_OBJECT

private slots:
    void chooseAnotherEncoding();
};

namespace {
// The "Encoding" submenu of the pane's context menu.
QMenu *encodingMenu(pgwell &w)
{
    QAction *encoding = menuEntry(openPaneMenu(*ui(w).Text1), "Encoding");
    return encoding && encoding->isEnabled() ? encoding->menu() : nullptr;
}
} // namespace

void TestEncodingMenu::chooseAnotherEncoding()
{
    const QString text = u"Вечером мы сидели на веранде старого дома и слушали, как дождь "
                         u"стучит по крыше. Бабушка принесла горячий чай с вареньем.\n"_qs;
    const QByteArray bytes = QStringEncoder("windows-1251").encode(text);
    writeFile(f->browse("ru.txt"), bytes);
    pgwell &w = f->openShown();
    choose(ui(w).File1, "ru.txt");
    QCOMPARE(ui(w).Text1->toPlainText(), text);

    QMenu *menu = encodingMenu(w);
    QVERIFY(menu);
    QVERIFY(menuEntry(menu, "Windows-1251") && menuEntry(menu, "Windows-1251")->isChecked());
    for (const char *offered :
         {"UTF-8", "UTF-16 LE", "UTF-16 BE", "Windows-1252", "Windows-1250", "Windows-1253",
          "ISO-8859-1", "ISO-8859-2", "ISO-8859-5", "ISO-8859-7", "ISO-8859-15", "KOI8-R", "KOI8-U",
          "Shift-JIS", "EUC-JP", "GB18030", "Big5", "EUC-KR"})
        QVERIFY2(menuEntry(menu, offered), offered);
    menuEntry(menu, "KOI8-R")->trigger();
    QApplication::activePopupWidget()->close();
    waitForDisplay(w);
    QCOMPARE(ui(w).Text1->toPlainText(), QStringDecoder("KOI8-R").decode(bytes));

    // Chosen again from the list, the file is still read as KOI8-R, and the menu says so.
    choose(ui(w).File1, "ru.txt");
    QCOMPARE(ui(w).Text1->toPlainText(), QStringDecoder("KOI8-R").decode(bytes));
    menu = encodingMenu(w);
    QVERIFY(menu && menuEntry(menu, "KOI8-R")->isChecked());
    QApplication::activePopupWidget()->close();
}

QTEST_MAIN(TestEncodingMenu)
#include "tst_encodingmenu.moc"
