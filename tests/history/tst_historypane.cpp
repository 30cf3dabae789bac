// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's pane "联系情况": filled from the records of the contact clicked or moved to
// in the list, emptied for a contact without records, left alone by a rebuild of the list.
#include "RunningMain.h"
#include "TestDatabase.h"

#include <QPlainTextEdit>

using namespace Qt::StringLiterals;

class TestHistoryPane : public QObject {
    Q_OBJECT
    std::optional<TestDatabase> book;
    std::optional<RunningMain> main;
    QString pane() const { return main->find<QPlainTextEdit>(u"Edit_LX"_s)->toPlainText(); }
    int rowOf(qint64 contact) const { return main->list()->contacts()->rowOf(contact); }
    void click(qint64 contact) const
    {
        const QRect cell =
            main->list()->visualRect(main->list()->model()->index(rowOf(contact), 0));
        QTest::mouseClick(main->list()->viewport(), Qt::LeftButton, {}, cell.center());
    }

private slots:
    // 甲 (ID 1) has three records, 乙 (ID 2) none.
    void init()
    {
        QVERIFY(book.emplace().ok());
        book->setDisplayedColumns({u"C.Name"_s});
        book->addContact({{u"Name"_s, u"甲"_s}});
        book->addContact({{u"Name"_s, u"乙"_s}});
        book->run(u"INSERT INTO Vardelin_History (CID, LxDate, Remark) VALUES (1, '2010-03-05', "
                  "'初次见面'), (1, '2009-01-02', ' '), (1, '2011-12-31', 'O''Neil')"_s);
        QVERIFY(main.emplace().start(book->path()));
    }
    void cleanup()
    {
        QVERIFY(main->prompter.scriptDone());
        main.reset();
    }

    void clickingAndMovingFollowTheRowAndAFailedReadEmptiesIt()
    {
        QCOMPARE(pane(), QString());
        click(1);
        // One line per record in the order added; the pane shows the line ends as line ends.
        QCOMPARE(pane(), u"2010年03月05日 初次见面\n2009年01月02日  \n2011年12月31日 O'Neil\n"_s);
        click(2);
        QCOMPARE(pane(), QString());
        // A record added since is shown when the keys move back to the row.
        book->run(u"INSERT INTO Vardelin_History (CID, LxDate, Remark) VALUES (1, '2012-01-01', "
                  "'又一次')"_s);
        main->list()->setFocus();
        QTest::keyClick(main->list(), rowOf(1) > rowOf(2) ? Qt::Key_Down : Qt::Key_Up);
        QCOMPARE(main->list()->currentIndex().row(), rowOf(1));
        QVERIFY(pane().endsWith(u"\n2012年01月01日 又一次\n"_s));
        // A rebuild of the list leaves the pane be; a failed read empties it.
        QVERIFY(main->window->GJContact(1, false));
        QVERIFY(pane().endsWith(u"\n2012年01月01日 又一次\n"_s));
        book->run(u"DROP TABLE Vardelin_History"_s);
        main->prompter.expectMessage();
        click(2);
        QVERIFY(main->prompter.shown().last().title.startsWith(u"错误"_s));
        QCOMPARE(pane(), QString());
    }
};

QTEST_MAIN(TestHistoryPane)
#include "tst_historypane.moc"
