// SPDX-License-Identifier: GPL-3.0-or-later
// A colleague's change told to the other programs on a server: what each notification makes a
// window read again, and the notifications themselves, sent by the server's triggers to a
// second connection.
#include "TestDatabase.h"

#include "db/ChangeFeed.h"
#include "db/ChangeNotice.h"

#include <QSignalSpy>
#include <QTest>

using namespace Qt::StringLiterals;
using Refresh = ChangeNotice::Refresh;
Q_DECLARE_METATYPE(Refresh)

class TestChangeNotice : public QObject {
    Q_OBJECT

private slots:
    // The window shows the records of contact 7.
    void aChangeRefreshesWhatShowsIt_data()
    {
        QTest::addColumn<QStringList>("payloads");
        QTest::addColumn<Refresh>("refresh");
        QTest::newRow("nothing") << QStringList() << Refresh{};
        QTest::newRow("another contact") << QStringList{u"contact:8"_s} << Refresh{true};
        QTest::newRow("the shown contact")
            << QStringList{u"contact:7"_s} << Refresh{true, false, true};
        QTest::newRow("a group, whose name the list shows")
            << QStringList{u"group:3"_s} << Refresh{true, true, false};
        QTest::newRow("another's records") << QStringList{u"history:8"_s} << Refresh{};
        QTest::newRow("the shown records")
            << QStringList{u"history:8"_s, u"history:7"_s} << Refresh{false, false, true};
        QTest::newRow("a later build's")
            << QStringList{u"contact:8"_s, u"label:2"_s} << Refresh{true, true, true};
        QTest::newRow("no number") << QStringList{u"contact:"_s} << Refresh{true, true, true};
    }
    void aChangeRefreshesWhatShowsIt()
    {
        QFETCH(QStringList, payloads);
        QFETCH(Refresh, refresh);
        QCOMPARE(ChangeNotice::refreshFor(payloads, 7), refresh);
    }

    // Every committed write of another connection reaches the feed, once per row, in one signal
    // for a burst; a rolled-back one and the feed's own connection's never do. A database of
    // the first server layout, without the triggers (nor the search log, nor the collation
    // the login names), gets them as it opens.
    void aColleaguesCommitReachesTheFeed()
    {
        TestDatabase book(Backend::Server);
        QVERIFY2(book.ok(), qPrintable(book.error()));
        for (const QString& trigger : ChangeNotice::triggerNames())
            book.run(u"DROP TRIGGER %1 ON Vardelin_%2"_s.arg(trigger,
                                                             trigger.section(u'_', 1).chopped(7)));
        book.run(u"DROP TABLE Vardelin_SearchLog"_s);
        book.run(u"DROP COLLATION nocase"_s);
        Database mine;
        QVERIFY(mine.open(book.path()));
        QCOMPARE(TestDatabase::rowsOf(mine, u"SELECT count(*) FROM Vardelin_SearchLog "
                                            "UNION ALL SELECT count(*) FROM Vardelin_Login "
                                            "WHERE Name = 'ADMIN' COLLATE NOCASE"_s),
                 (QStringList{u"1"_s, u"1"_s}));
        ChangeFeed feed(mine);
        QVERIFY(feed.listening());
        QSignalSpy told(&feed, &ChangeFeed::changed);

        const qint64 contact = book.addContact({{u"Name"_s, u"张三"_s}});
        const qint64 group = book.addGroup(1, 5, u"客户"_s);
        QVERIFY(book.db().transaction([&] {
            book.run(u"INSERT INTO Vardelin_History (CID, Remark) VALUES (?, '电话')"_s, {contact});
            book.run(u"UPDATE Vardelin_Contact SET Tel1 = '1' WHERE ID = ?"_s, {contact});
            return Status();
        }));
        QVERIFY(!book.db().transaction([&] {
            book.run(u"DELETE FROM Vardelin_Type WHERE ID = ?"_s, {group});
            return Status(DbError{1, u"undone"_s});
        }));
        QVERIFY(mine.exec(u"UPDATE Vardelin_Type SET Number = 9 WHERE ID = 1"_s));
        QTRY_COMPARE_WITH_TIMEOUT(told.size(), 1, 2000);
        QStringList payloads = told.takeFirst().at(0).toStringList();
        payloads.sort();
        QCOMPARE(payloads, (QStringList{u"contact:%1"_s.arg(contact), u"group:%1"_s.arg(group),
                                        u"history:%1"_s.arg(contact)}));
        QTest::qWait(ChangeFeed::burstMs * 2);
        QCOMPARE(told.size(), 0);
    }
};

QTEST_GUILESS_MAIN(TestChangeNotice)
#include "tst_changenotice.moc"
