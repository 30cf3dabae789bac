// SPDX-License-Identifier: GPL-3.0-or-later
// History records in the database: their order, the saves and the ones that must write nothing,
// and the texts the list and the main window's pane show.
#include "TestDatabase.h"

#include "history/HistoryRecords.h"

#include <QTest>

using namespace Qt::StringLiterals;
using Outcome = HistoryRecords::SaveOutcome;

class TestHistoryRecords : public QObject {
    Q_OBJECT
    std::optional<TestDatabase> book;
    static QString remarks(const Result<std::vector<HistoryRecord>>& records)
    {
        QStringList remarks;
        for (const HistoryRecord& record : records.value())
            remarks << record.remark;
        return remarks.join(u' ');
    }
    QString stored() // every record as CID, dates, remark and flag
    {
        return book
            ->scalar(u"SELECT group_concat(CID||' '||LxDate||' '||NextDate||' '||Remark||' '"
                     "||IsRemind, '|') FROM Vardelin_History"_s)
            .toString();
    }
    static HistoryInput input(qint64 contact, const QString& remark, QDate day = {2010, 3, 5})
    {
        return {contact, day, day.addDays(30), remark, true};
    }

private slots:
    void init()
    {
        QVERIFY(book.emplace().ok());
        book->addContact({{u"Name"_s, u"张三"_s}}); // ID 1
        book->addContact({{u"Name"_s, u"李四"_s}}); // ID 2
    }

    void cardListsNewestFirstAndPaneInOrderAdded()
    {
        for (const QString& row :
             {u"2009-05-01甲"_s, u"2011-02-03乙"_s, u"2010-07-04丙"_s, u"2010-07-04丁"_s})
            book->run(u"INSERT INTO Vardelin_History (CID, LxDate, Remark) VALUES (1, ?, ?)"_s,
                      {row.left(10), row.mid(10)});
        book->run(u"INSERT INTO Vardelin_History (CID, LxDate, Remark) VALUES (2, '2012', '别')"_s);
        // Of two records of one day, the one added later comes first.
        QCOMPARE(remarks(HistoryRecords::forCard(book->db(), 1)), u"乙 丁 丙 甲"_s);
        QCOMPARE(remarks(HistoryRecords::forPane(book->db(), 1)), u"甲 乙 丙 丁"_s);
        QCOMPARE(remarks(HistoryRecords::forCard(book->db(), 999)), QString());
    }

    void addAndUpdateStoreExactlyWhatWasGiven()
    {
        const QString awkward = u"O'Neil \"说\" ; -- \n第二行 "_s;
        QCOMPARE(HistoryRecords::add(book->db(), input(1, awkward)).value(), Outcome::Written);
        QCOMPARE(stored(), u"1 2010-03-05 2010-04-04 "_s + awkward + u" 1"_s);
        auto loaded = HistoryRecords::load(book->db(), 1);
        QCOMPARE(loaded.value()->remark, awkward);
        QCOMPARE(loaded.value()->lxDate.toString(), u"2010-03-05"_s);
        QVERIFY(!HistoryRecords::load(book->db(), 101).value().has_value());
        HistoryInput changed = input(1, u" "_s, {2024, 12, 31});
        changed.remind = false;
        QCOMPARE(HistoryRecords::update(book->db(), 1, changed).value(), Outcome::Written);
        QCOMPARE(stored(), u"1 2024-12-31 2025-01-30   0"_s);
        QVERIFY(HistoryRecords::add(book->db(), input(1, u"二"_s)));
        QVERIFY(HistoryRecords::remove(book->db(), 1));
        QCOMPARE(remarks(HistoryRecords::forCard(book->db(), 1)), u"二"_s);
    }

    void saveOverVanishedRowOrContactWritesNothingAndAFailedReadIsAnError()
    {
        QCOMPARE(HistoryRecords::update(book->db(), 7, input(1, u"新的"_s)).value(),
                 Outcome::RowVanished);
        book->run(u"DELETE FROM Vardelin_Contact WHERE ID = 2"_s);
        QCOMPARE(HistoryRecords::add(book->db(), input(2, u"孤儿"_s)).value(),
                 Outcome::ContactVanished);
        QCOMPARE(stored(), QString());
        book->run(u"DROP TABLE Vardelin_History"_s);
        QVERIFY(!HistoryRecords::forCard(book->db(), 1) && !HistoryRecords::forPane(book->db(), 1));
        QVERIFY(!HistoryRecords::load(book->db(), 1));
        QVERIFY(!HistoryRecords::add(book->db(), input(1, u"一"_s)));
        QVERIFY(!HistoryRecords::update(book->db(), 1, input(1, u"一"_s)));
    }

    void textsShown()
    {
        QVERIFY(!HistoryRecords::isContentAccepted(QString()));
        QVERIFY(HistoryRecords::isContentAccepted(u" "_s));
        QCOMPARE(HistoryRecords::listDateText(u"2010-03-05 14:30:00"_s) + u'|' +
                     HistoryRecords::listDateText(QVariant()) + u'|' +
                     HistoryRecords::listDateText(u"下周"_s),
                 u"2010-03-05||下周"_s);
        QCOMPARE(HistoryRecords::remindText(-1) + HistoryRecords::remindText(0) +
                     HistoryRecords::remindText(QVariant()),
                 u"TrueFalse"_s);
        QCOMPARE(HistoryRecords::paneText({}), QString());
        const std::vector<HistoryRecord> records{{0, 1, u"2010-03-05"_s, {}, u"电话沟通"_s, {}},
                                                 {0, 1, {}, {}, {}, {}}};
        QCOMPARE(HistoryRecords::paneText(records), u"2010年03月05日 电话沟通\r\n \r\n"_s);
    }
};

QTEST_GUILESS_MAIN(TestHistoryRecords)
#include "tst_historyrecords.moc"
