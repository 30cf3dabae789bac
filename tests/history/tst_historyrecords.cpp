// SPDX-License-Identifier: GPL-3.0-or-later
// History records in the database: their order, the content check, the saves that must write
// nothing, and the texts the list and the main window's pane show.
#include "TestDatabase.h"

#include "history/HistoryRecords.h"

#include <QTest>

#include <memory>

namespace {

QStringList remarksOf(const std::vector<HistoryRecord>& records)
{
    QStringList remarks;
    for (const HistoryRecord& record : records)
        remarks << record.remark;
    return remarks;
}

HistoryInput inputFor(qint64 contactId, const QString& remark, QDate day = {2010, 3, 5})
{
    return {contactId, day, day.addDays(30), remark, true};
}

} // namespace

class TestHistoryRecords : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void cardListsNewestFirstAndPaneInOrderAdded();
    void contentCheckRefusesOnlyTheEmptyText();
    void addAndUpdateStoreExactlyWhatWasGiven();
    void saveOverVanishedRowOrContactWritesNothing();
    void removeTakesOnlyThatRecord();
    void failedReadIsAnError();
    void listTextsOfDatesAndRemindFlag();
    void paneTextForThreeRecordsAndForNone();

private:
    std::unique_ptr<TestDatabase> m_data;
    qint64 m_contact = 0;
    qint64 m_other = 0;
};

void TestHistoryRecords::init()
{
    m_data = std::make_unique<TestDatabase>();
    QVERIFY(m_data->ok());
    m_contact = m_data->addContact({{QStringLiteral("Name"), QStringLiteral("张三")}});
    m_other = m_data->addContact({{QStringLiteral("Name"), QStringLiteral("李四")}});
}

void TestHistoryRecords::cleanup()
{
    m_data.reset();
}

void TestHistoryRecords::cardListsNewestFirstAndPaneInOrderAdded()
{
    const QList<std::pair<QString, QString>> added{
        {QStringLiteral("2009-05-01"), QStringLiteral("甲")},
        {QStringLiteral("2011-02-03"), QStringLiteral("乙")},
        {QStringLiteral("2010-07-04"), QStringLiteral("丙")},
        {QStringLiteral("2010-07-04"), QStringLiteral("丁")}};
    for (const auto& [day, remark] : added)
        m_data->run(QStringLiteral("INSERT INTO Vardelin_History (CID, LxDate, NextDate, Remark, "
                                   "IsRemind) VALUES (?, ?, ?, ?, 0)"),
                    {m_contact, day, day, remark});
    m_data->run(QStringLiteral("INSERT INTO Vardelin_History (CID, LxDate, Remark) "
                               "VALUES (?, '2012-01-01', '别人的')"),
                {m_other});

    auto card = HistoryRecords::forCard(m_data->db(), m_contact);
    QVERIFY(card);
    // Of two records of one day, the one added later comes first.
    QCOMPARE(remarksOf(card.value()), (QStringList{QStringLiteral("乙"), QStringLiteral("丁"),
                                                   QStringLiteral("丙"), QStringLiteral("甲")}));
    QCOMPARE(card.value().front().lxDate.toString(), QStringLiteral("2011-02-03"));

    auto pane = HistoryRecords::forPane(m_data->db(), m_contact);
    QVERIFY(pane);
    QCOMPARE(remarksOf(pane.value()), (QStringList{QStringLiteral("甲"), QStringLiteral("乙"),
                                                   QStringLiteral("丙"), QStringLiteral("丁")}));

    auto none = HistoryRecords::forCard(m_data->db(), 999);
    QVERIFY(none);
    QVERIFY(none.value().empty());
}

void TestHistoryRecords::contentCheckRefusesOnlyTheEmptyText()
{
    QVERIFY(!HistoryRecords::isContentAccepted(QString()));
    QVERIFY(!HistoryRecords::isContentAccepted(QStringLiteral("")));
    QVERIFY(HistoryRecords::isContentAccepted(QStringLiteral(" ")));
    QVERIFY(HistoryRecords::isContentAccepted(QStringLiteral("\n")));
}

void TestHistoryRecords::addAndUpdateStoreExactlyWhatWasGiven()
{
    const QString awkward = QStringLiteral("O'Neil \"说\" ; -- \n第二行 ");
    auto added = HistoryRecords::add(m_data->db(), inputFor(m_contact, awkward));
    QVERIFY(added);
    QCOMPARE(added.value(), HistoryRecords::SaveOutcome::Written);
    const qint64 id =
        m_data->scalar(QStringLiteral("SELECT max(ID) FROM Vardelin_History")).toLongLong();

    auto stored = HistoryRecords::load(m_data->db(), id);
    QVERIFY(stored);
    QVERIFY(stored.value().has_value());
    QCOMPARE(stored.value()->contactId, m_contact);
    QCOMPARE(stored.value()->lxDate.toString(), QStringLiteral("2010-03-05"));
    QCOMPARE(stored.value()->nextDate.toString(), QStringLiteral("2010-04-04"));
    QCOMPARE(stored.value()->remark, awkward);
    QCOMPARE(stored.value()->isRemind.toInt(), 1);

    HistoryInput changed = inputFor(m_contact, QStringLiteral(" "), {2024, 12, 31});
    changed.remind = false;
    auto updated = HistoryRecords::update(m_data->db(), id, changed);
    QVERIFY(updated);
    QCOMPARE(updated.value(), HistoryRecords::SaveOutcome::Written);
    QCOMPARE(
        m_data->scalar(QStringLiteral("SELECT Remark FROM Vardelin_History WHERE ID = ?"), {id})
            .toString(),
        QStringLiteral(" "));
    QCOMPARE(
        m_data->scalar(QStringLiteral("SELECT LxDate FROM Vardelin_History WHERE ID = ?"), {id})
            .toString(),
        QStringLiteral("2024-12-31"));
    QCOMPARE(
        m_data->scalar(QStringLiteral("SELECT IsRemind FROM Vardelin_History WHERE ID = ?"), {id})
            .toInt(),
        0);
    QCOMPARE(m_data->scalar(QStringLiteral("SELECT count(*) FROM Vardelin_History")).toInt(), 1);

    auto missing = HistoryRecords::load(m_data->db(), id + 100);
    QVERIFY(missing);
    QVERIFY(!missing.value().has_value());
}

void TestHistoryRecords::saveOverVanishedRowOrContactWritesNothing()
{
    QVERIFY(HistoryRecords::add(m_data->db(), inputFor(m_contact, QStringLiteral("原来的"))));
    const qint64 id =
        m_data->scalar(QStringLiteral("SELECT max(ID) FROM Vardelin_History")).toLongLong();
    m_data->run(QStringLiteral("DELETE FROM Vardelin_History WHERE ID = ?"), {id});

    auto updated =
        HistoryRecords::update(m_data->db(), id, inputFor(m_contact, QStringLiteral("新的")));
    QVERIFY(updated);
    QCOMPARE(updated.value(), HistoryRecords::SaveOutcome::RowVanished);
    QCOMPARE(m_data->scalar(QStringLiteral("SELECT count(*) FROM Vardelin_History")).toInt(), 0);

    m_data->run(QStringLiteral("DELETE FROM Vardelin_Contact WHERE ID = ?"), {m_other});
    auto added = HistoryRecords::add(m_data->db(), inputFor(m_other, QStringLiteral("孤儿")));
    QVERIFY(added);
    QCOMPARE(added.value(), HistoryRecords::SaveOutcome::ContactVanished);
    QCOMPARE(m_data->scalar(QStringLiteral("SELECT count(*) FROM Vardelin_History")).toInt(), 0);
}

void TestHistoryRecords::removeTakesOnlyThatRecord()
{
    QVERIFY(HistoryRecords::add(m_data->db(), inputFor(m_contact, QStringLiteral("一"))));
    QVERIFY(HistoryRecords::add(m_data->db(), inputFor(m_contact, QStringLiteral("二"))));
    const qint64 id =
        m_data->scalar(QStringLiteral("SELECT min(ID) FROM Vardelin_History")).toLongLong();
    QVERIFY(HistoryRecords::remove(m_data->db(), id));
    auto left = HistoryRecords::forCard(m_data->db(), m_contact);
    QVERIFY(left);
    QCOMPARE(remarksOf(left.value()), QStringList{QStringLiteral("二")});
}

void TestHistoryRecords::failedReadIsAnError()
{
    m_data->run(QStringLiteral("DROP TABLE Vardelin_History"));
    QVERIFY(!HistoryRecords::forCard(m_data->db(), m_contact));
    QVERIFY(!HistoryRecords::forPane(m_data->db(), m_contact));
    QVERIFY(!HistoryRecords::load(m_data->db(), 1));
    QVERIFY(!HistoryRecords::add(m_data->db(), inputFor(m_contact, QStringLiteral("一"))));
    QVERIFY(!HistoryRecords::update(m_data->db(), 1, inputFor(m_contact, QStringLiteral("一"))));
}

void TestHistoryRecords::listTextsOfDatesAndRemindFlag()
{
    QCOMPARE(HistoryRecords::listDateText(QStringLiteral("2010-03-05")),
             QStringLiteral("2010-03-05"));
    QCOMPARE(HistoryRecords::listDateText(QStringLiteral("2010-03-05 14:30:00")),
             QStringLiteral("2010-03-05"));
    QCOMPARE(HistoryRecords::listDateText(QVariant()), QString());
    QCOMPARE(HistoryRecords::listDateText(QStringLiteral("下周")), QStringLiteral("下周"));
    QCOMPARE(HistoryRecords::remindText(1), QStringLiteral("True"));
    QCOMPARE(HistoryRecords::remindText(-1), QStringLiteral("True"));
    QCOMPARE(HistoryRecords::remindText(0), QStringLiteral("False"));
    QCOMPARE(HistoryRecords::remindText(QVariant()), QString());
}

void TestHistoryRecords::paneTextForThreeRecordsAndForNone()
{
    QCOMPARE(HistoryRecords::paneText({}), QString());

    std::vector<HistoryRecord> records(3);
    records[0].lxDate = QStringLiteral("2010-03-05");
    records[0].remark = QStringLiteral("电话沟通");
    records[1].lxDate = QStringLiteral("2009-12-31");
    records[1].remark = QStringLiteral(" ");
    records[2].lxDate = QVariant();
    records[2].remark = QString();
    QCOMPARE(HistoryRecords::paneText(records),
             QStringLiteral("2010年03月05日 电话沟通\r\n2009年12月31日  \r\n \r\n"));
}

QTEST_GUILESS_MAIN(TestHistoryRecords)
#include "tst_historyrecords.moc"
