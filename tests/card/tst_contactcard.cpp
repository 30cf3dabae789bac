// SPDX-License-Identifier: GPL-3.0-or-later
// The card's field table against the contact table, and the card's load, save and list fills.
#include "TestDatabase.h"

#include "card/CardChoices.h"
#include "card/CardFields.h"
#include "card/ContactCard.h"
#include "db/PictureBag.h"
#include "db/ContactFields.h"

#include <QSet>
#include <QSqlRecord>
#include <QTest>

namespace {

ContactCard::SaveRequest newContact(const QString& name, qint64 groupId)
{
    ContactCard::SaveRequest request;
    request.userId = 3;
    request.today = QDate(2026, 3, 9);
    request.record.groupId = groupId;
    request.record.texts.insert(QStringLiteral("Name"), name);
    return request;
}

} // namespace

class TestContactCard : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void everyColumnHasAControlAndEveryControlAColumn();
    void saveOrderWritesEveryColumnButTheIdOnce();
    void insertBindsEveryValueAndStoresEmptyTextNotNull();
    void updateRewritesUserInitialAndDate();
    void vanishedRowOrGroupGetsNothingWritten();
    void refusedWriteLeavesTheRowAsItWas();
    void loadToleratesNullsAndOddValues();
    void missingRowIsNoneAndAFailedReadAnError();
    void choicesSkipNullAndListGroupsByNumber();

private:
    std::unique_ptr<TestDatabase> m_data;
};

void TestContactCard::init()
{
    m_data = std::make_unique<TestDatabase>();
    QVERIFY(m_data->ok());
}

void TestContactCard::cleanup()
{
    m_data.reset();
}

void TestContactCard::everyColumnHasAControlAndEveryControlAColumn()
{
    // Columns the save fills itself, and the row's own identity.
    const QSet<QString> withoutControl{QStringLiteral("ID"), QStringLiteral("UID"),
                                       QStringLiteral("Py"), QStringLiteral("AddDate")};
    QSet<QString> tableColumns;
    for (const ContactField& field : ContactFields::all)
        tableColumns << QString(field.name);

    QSet<QString> cardColumns;
    QSet<QString> controls;
    for (const CardField& field : CardFields::all) {
        QVERIFY2(!controls.contains(QString(field.control)), field.control.data());
        controls << QString(field.control);
        if (field.column.isEmpty()) {
            QCOMPARE(QString(field.control), QStringLiteral("Edit1_Fax"));
            continue;
        }
        QVERIFY2(tableColumns.contains(QString(field.column)), field.column.data());
        QVERIFY2(!cardColumns.contains(QString(field.column)), field.column.data());
        cardColumns << QString(field.column);
    }
    QCOMPARE(cardColumns + withoutControl, tableColumns);

    // The schema the program builds has exactly these columns.
    auto row = m_data->db().query(QStringLiteral("SELECT * FROM Vardelin_Contact LIMIT 0"));
    QVERIFY(row.ok());
    QCOMPARE(row.value().record().count(), tableColumns.size());
}

void TestContactCard::saveOrderWritesEveryColumnButTheIdOnce()
{
    const QStringList order = CardFields::saveOrder();
    QCOMPARE(order.mid(0, 5),
             (QStringList{QStringLiteral("UID"), QStringLiteral("TID"), QStringLiteral("Name"),
                          QStringLiteral("Py"), QStringLiteral("Sex")}));
    QCOMPARE(order.at(5), QStringLiteral("Tel1"));
    QCOMPARE(order.mid(order.size() - 3),
             (QStringList{QStringLiteral("SpouseTel"), QStringLiteral("Photo"),
                          QStringLiteral("AddDate")}));
    QCOMPARE(QSet<QString>(order.begin(), order.end()).size(), order.size());
    QCOMPARE(order.size(), qsizetype(ContactFields::all.size() - 1));
    QVERIFY(!order.contains(QStringLiteral("ID")));
}

void TestContactCard::insertBindsEveryValueAndStoresEmptyTextNotNull()
{
    ContactCard::SaveRequest request = newContact(QStringLiteral("O'Brien \"张\"; DROP"), 1);
    request.record.texts.insert(QStringLiteral("Remark"), QStringLiteral("a\r\nb\tc\x01"));
    request.record.dates.insert(QStringLiteral("Birthday"), QDate(1980, 2, 29));
    request.record.photo = PictureBag::ofPicture("jpeg");
    auto saved = ContactCard::save(m_data->db(), request);
    QVERIFY(saved.ok());
    QCOMPARE(saved.value().outcome, ContactCard::SaveOutcome::Written);
    const qint64 id = saved.value().contactId;
    QVERIFY(id > 0);

    auto row =
        m_data->db().query(QStringLiteral("SELECT * FROM Vardelin_Contact WHERE ID = ?"), {id});
    QVERIFY(row.ok() && row.value().next());
    const QSqlQuery& q = row.value();
    QCOMPARE(q.value(QStringLiteral("Name")).toString(), QStringLiteral("O'Brien \"张\"; DROP"));
    QCOMPARE(q.value(QStringLiteral("Py")).toString(), QStringLiteral("O"));
    QCOMPARE(q.value(QStringLiteral("UID")).toLongLong(), 3);
    QCOMPARE(q.value(QStringLiteral("AddDate")).toString(), QStringLiteral("2026-03-09"));
    QCOMPARE(q.value(QStringLiteral("Birthday")).toString(), QStringLiteral("1980-02-29"));
    QVERIFY(q.value(QStringLiteral("MemorialDay")).isNull());
    QCOMPARE(q.value(QStringLiteral("Remark")).toString(), QStringLiteral("a\r\nb\tc\x01"));
    QCOMPARE(PictureBag::pictureOf(q.value(QStringLiteral("Photo")).toByteArray()),
             std::optional<QByteArray>("jpeg"));
    // Text the record does not mention is stored empty, never Null.
    for (const char* column : {"Sex", "Tel1", "Deptment", "SpouseTel", "Custom4"}) {
        const QVariant value = q.value(QString::fromLatin1(column));
        QVERIFY2(!value.isNull() && value.toString().isEmpty(), column);
    }
}

void TestContactCard::updateRewritesUserInitialAndDate()
{
    const qint64 id =
        m_data->addContact({{QStringLiteral("Name"), QStringLiteral("旧名")},
                            {QStringLiteral("UID"), 1},
                            {QStringLiteral("AddDate"), QStringLiteral("2001-01-01")},
                            {QStringLiteral("Birthday"), QStringLiteral("1970-05-05")}});
    const qint64 other = m_data->addContact({{QStringLiteral("Name"), QStringLiteral("别人")}});
    ContactCard::SaveRequest request = newContact(QStringLiteral("张三"), 1);
    request.updateId = id;
    auto saved = ContactCard::save(m_data->db(), request);
    QVERIFY(saved.ok());
    QCOMPARE(saved.value().outcome, ContactCard::SaveOutcome::Written);
    QCOMPARE(saved.value().contactId, id);
    QCOMPARE(m_data->scalar(QStringLiteral("SELECT count(*) FROM Vardelin_Contact")).toInt(), 2);
    QCOMPARE(m_data
                 ->scalar(QStringLiteral("SELECT Name || Py || UID || AddDate FROM "
                                         "Vardelin_Contact WHERE ID = ?"),
                          {id})
                 .toString(),
             QStringLiteral("张三Z32026-03-09"));
    // A date the card has no value for is written Null.
    QVERIFY(
        m_data->scalar(QStringLiteral("SELECT Birthday FROM Vardelin_Contact WHERE ID = ?"), {id})
            .isNull());
    QCOMPARE(
        m_data->scalar(QStringLiteral("SELECT Name FROM Vardelin_Contact WHERE ID = ?"), {other})
            .toString(),
        QStringLiteral("别人"));
}

void TestContactCard::vanishedRowOrGroupGetsNothingWritten()
{
    const qint64 id = m_data->addContact({{QStringLiteral("Name"), QStringLiteral("已删")}});
    m_data->run(QStringLiteral("DELETE FROM Vardelin_Contact WHERE ID = ?"), {id});
    ContactCard::SaveRequest request = newContact(QStringLiteral("张三"), 1);
    request.updateId = id;
    auto saved = ContactCard::save(m_data->db(), request);
    QVERIFY(saved.ok());
    QCOMPARE(saved.value().outcome, ContactCard::SaveOutcome::RowVanished);
    QCOMPARE(m_data->scalar(QStringLiteral("SELECT count(*) FROM Vardelin_Contact")).toInt(), 0);

    // A group deleted while the card was open takes no contact into it.
    const qint64 group = m_data->addGroup(1, 1, QStringLiteral("将删分组"));
    m_data->run(QStringLiteral("DELETE FROM Vardelin_Type WHERE ID = ?"), {group});
    auto orphaned = ContactCard::save(m_data->db(), newContact(QStringLiteral("李四"), group));
    QVERIFY(orphaned.ok());
    QCOMPARE(orphaned.value().outcome, ContactCard::SaveOutcome::GroupVanished);
    QCOMPARE(m_data->scalar(QStringLiteral("SELECT count(*) FROM Vardelin_Contact")).toInt(), 0);
}

void TestContactCard::refusedWriteLeavesTheRowAsItWas()
{
    const qint64 id = m_data->addContact({{QStringLiteral("Name"), QStringLiteral("原样")}});
    m_data->run(QStringLiteral("CREATE TRIGGER refuse BEFORE UPDATE ON Vardelin_Contact "
                               "WHEN NEW.Remark = 'refuse' BEGIN SELECT RAISE(ABORT, 'no'); END"));
    ContactCard::SaveRequest request = newContact(QStringLiteral("新名"), 1);
    request.updateId = id;
    request.record.texts.insert(QStringLiteral("Remark"), QStringLiteral("refuse"));
    auto saved = ContactCard::save(m_data->db(), request);
    QVERIFY(!saved.ok());
    QVERIFY(!saved.error().description.isEmpty());
    QCOMPARE(m_data->scalar(QStringLiteral("SELECT Name FROM Vardelin_Contact WHERE ID = ?"), {id})
                 .toString(),
             QStringLiteral("原样"));
    // The connection is usable again: no transaction was left open.
    QVERIFY(m_data->db().exec(QStringLiteral("BEGIN")).ok());
    QVERIFY(m_data->db().exec(QStringLiteral("ROLLBACK")).ok());
}

void TestContactCard::loadToleratesNullsAndOddValues()
{
    const qint64 id =
        m_data->addContact({{QStringLiteral("Name"), QStringLiteral("李四")},
                            {QStringLiteral("TID"), 7},
                            {QStringLiteral("Birthday"), QStringLiteral("不是日期")},
                            {QStringLiteral("MemorialDay"), QStringLiteral("2019-10-01 00:00:00")},
                            {QStringLiteral("Tel1"), QVariant()},
                            {QStringLiteral("Photo"), QByteArray("junk")}});
    auto loaded = ContactCard::load(m_data->db(), id);
    QVERIFY(loaded.ok() && loaded.value().has_value());
    const ContactRecord& record = *loaded.value();
    QCOMPARE(record.groupId, 7);
    QCOMPARE(record.texts.value(QStringLiteral("Name")), QStringLiteral("李四"));
    QVERIFY(record.texts.contains(QStringLiteral("Tel1")));
    QVERIFY(record.texts.value(QStringLiteral("Tel1")).isEmpty());
    QVERIFY(!record.dates.value(QStringLiteral("Birthday")).has_value());
    QCOMPARE(record.dates.value(QStringLiteral("MemorialDay")), std::optional(QDate(2019, 10, 1)));
    QCOMPARE(record.photo, QByteArray("junk"));
}

void TestContactCard::missingRowIsNoneAndAFailedReadAnError()
{
    auto missing = ContactCard::load(m_data->db(), 999);
    QVERIFY(missing.ok());
    QVERIFY(!missing.value().has_value());

    m_data->run(QStringLiteral("ALTER TABLE Vardelin_Contact RENAME TO Gone"));
    auto failed = ContactCard::load(m_data->db(), 1);
    QVERIFY(!failed.ok());
    QVERIFY(!CardChoices::departments(m_data->db()).ok());
}

void TestContactCard::choicesSkipNullAndListGroupsByNumber()
{
    m_data->addContact({{QStringLiteral("Name"), QStringLiteral("a")},
                        {QStringLiteral("Deptment"), QStringLiteral("销售部")},
                        {QStringLiteral("Post"), QVariant()}});
    m_data->addContact({{QStringLiteral("Name"), QStringLiteral("b")},
                        {QStringLiteral("Deptment"), QStringLiteral("技术部")},
                        {QStringLiteral("Post"), QStringLiteral("经理")}});
    m_data->addContact({{QStringLiteral("Name"), QStringLiteral("c")},
                        {QStringLiteral("Deptment"), QStringLiteral("销售部")},
                        {QStringLiteral("Post"), QStringLiteral("")}});
    auto departments = CardChoices::departments(m_data->db());
    QVERIFY(departments.ok());
    // In the database's order, each value once.
    QStringList sorted = departments.value();
    sorted.sort();
    QCOMPARE(sorted, (QStringList{QStringLiteral("技术部"), QStringLiteral("销售部")}));
    auto posts = CardChoices::posts(m_data->db());
    QVERIFY(posts.ok());
    QCOMPARE(posts.value(), QStringList{QStringLiteral("经理")});

    const qint64 late = m_data->addGroup(1, 9, QStringLiteral("后"));
    const qint64 early = m_data->addGroup(late, -5, QStringLiteral("前"));
    auto groups = CardChoices::groups(m_data->db());
    QVERIFY(groups.ok());
    QCOMPARE(groups.value().size(), std::size_t(3));
    // The root's Number is the password suffix, larger than these.
    QCOMPARE(groups.value()[0].id, early);
    QCOMPARE(groups.value()[1].id, late);
    QCOMPARE(groups.value()[2].name, QStringLiteral("全部分组"));
}

QTEST_GUILESS_MAIN(TestContactCard)
#include "tst_contactcard.moc"
