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

using namespace Qt::StringLiterals;

namespace {

ContactCard::SaveRequest newContact(const QString& name, qint64 groupId)
{
    ContactCard::SaveRequest request;
    request.userId = 3;
    request.today = QDate(2026, 3, 9);
    request.record.groupId = groupId;
    request.record.texts.insert(u"Name"_s, name);
    return request;
}

} // namespace

class TestContactCard : public QObject {
    Q_OBJECT

private slots:
    void init();

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

void TestContactCard::everyColumnHasAControlAndEveryControlAColumn()
{
    // Columns the save fills itself, and the row's own identity.
    const QSet<QString> withoutControl{u"ID"_s, u"UID"_s, u"Py"_s, u"AddDate"_s};
    QSet<QString> tableColumns;
    for (const ContactField& field : ContactFields::all)
        tableColumns << QString(field.name);

    QSet<QString> cardColumns;
    QSet<QString> controls;
    for (const CardField& field : CardFields::all) {
        QVERIFY2(!controls.contains(QString(field.control)), field.control.data());
        controls << QString(field.control);
        if (field.column.isEmpty()) {
            QCOMPARE(QString(field.control), u"Edit1_Fax"_s);
            continue;
        }
        QVERIFY2(tableColumns.contains(QString(field.column)), field.column.data());
        QVERIFY2(!cardColumns.contains(QString(field.column)), field.column.data());
        cardColumns << QString(field.column);
    }
    QCOMPARE(cardColumns + withoutControl, tableColumns);

    // The schema the program builds has exactly these columns.
    auto row = m_data->db().query(u"SELECT * FROM Vardelin_Contact LIMIT 0"_s);
    QVERIFY(row.ok());
    QCOMPARE(row.value().record().count(), tableColumns.size());
}

void TestContactCard::saveOrderWritesEveryColumnButTheIdOnce()
{
    const QStringList order = CardFields::saveOrder();
    QCOMPARE(order.mid(0, 5), (QStringList{u"UID"_s, u"TID"_s, u"Name"_s, u"Py"_s, u"Sex"_s}));
    QCOMPARE(order.at(5), u"Tel1"_s);
    QCOMPARE(order.mid(order.size() - 3), (QStringList{u"SpouseTel"_s, u"Photo"_s, u"AddDate"_s}));
    QCOMPARE(QSet<QString>(order.begin(), order.end()).size(), order.size());
    QCOMPARE(order.size(), qsizetype(ContactFields::all.size() - 1));
    QVERIFY(!order.contains(u"ID"_s));
}

void TestContactCard::insertBindsEveryValueAndStoresEmptyTextNotNull()
{
    ContactCard::SaveRequest request = newContact(u"O'Brien \"张\"; DROP"_s, 1);
    request.record.texts.insert(u"Remark"_s, u"a\r\nb\tc\x01"_s);
    request.record.dates.insert(u"Birthday"_s, QDate(1980, 2, 29));
    request.record.photo = PictureBag::ofPicture("jpeg");
    auto saved = ContactCard::save(m_data->db(), request);
    QVERIFY(saved.ok());
    QCOMPARE(saved.value().outcome, ContactCard::SaveOutcome::Written);
    const qint64 id = saved.value().contactId;
    QVERIFY(id > 0);

    auto row = m_data->db().query(u"SELECT * FROM Vardelin_Contact WHERE ID = ?"_s, {id});
    QVERIFY(row.ok() && row.value().next());
    const QSqlQuery& q = row.value();
    QCOMPARE(q.value(u"Name"_s).toString(), u"O'Brien \"张\"; DROP"_s);
    QCOMPARE(q.value(u"Py"_s).toString(), u"O"_s);
    QCOMPARE(q.value(u"UID"_s).toLongLong(), 3);
    QCOMPARE(q.value(u"AddDate"_s).toString(), u"2026-03-09"_s);
    QCOMPARE(q.value(u"Birthday"_s).toString(), u"1980-02-29"_s);
    QVERIFY(q.value(u"MemorialDay"_s).isNull());
    QCOMPARE(q.value(u"Remark"_s).toString(), u"a\r\nb\tc\x01"_s);
    QCOMPARE(PictureBag::pictureOf(q.value(u"Photo"_s).toByteArray()),
             std::optional<QByteArray>("jpeg"));
    // Text the record does not mention is stored empty, never Null.
    for (const char* column : {"Sex", "Tel1", "Deptment", "SpouseTel", "Custom4"}) {
        const QVariant value = q.value(QString::fromLatin1(column));
        QVERIFY2(!value.isNull() && value.toString().isEmpty(), column);
    }
}

void TestContactCard::updateRewritesUserInitialAndDate()
{
    const qint64 id = m_data->addContact({{u"Name"_s, u"旧名"_s},
                                          {u"UID"_s, 1},
                                          {u"AddDate"_s, u"2001-01-01"_s},
                                          {u"Birthday"_s, u"1970-05-05"_s}});
    const qint64 other = m_data->addContact({{u"Name"_s, u"别人"_s}});
    ContactCard::SaveRequest request = newContact(u"张三"_s, 1);
    request.updateId = id;
    auto saved = ContactCard::save(m_data->db(), request);
    QVERIFY(saved.ok());
    QCOMPARE(saved.value().outcome, ContactCard::SaveOutcome::Written);
    QCOMPARE(saved.value().contactId, id);
    QCOMPARE(m_data->scalar(u"SELECT count(*) FROM Vardelin_Contact"_s).toInt(), 2);
    QCOMPARE(m_data
                 ->scalar(QStringLiteral("SELECT Name || Py || UID || AddDate FROM "
                                         "Vardelin_Contact WHERE ID = ?"),
                          {id})
                 .toString(),
             u"张三Z32026-03-09"_s);
    // A date the card has no value for is written Null.
    QVERIFY(m_data->scalar(u"SELECT Birthday FROM Vardelin_Contact WHERE ID = ?"_s, {id}).isNull());
    QCOMPARE(
        m_data->scalar(u"SELECT Name FROM Vardelin_Contact WHERE ID = ?"_s, {other}).toString(),
        u"别人"_s);
}

void TestContactCard::vanishedRowOrGroupGetsNothingWritten()
{
    const qint64 id = m_data->addContact({{u"Name"_s, u"已删"_s}});
    m_data->run(u"DELETE FROM Vardelin_Contact WHERE ID = ?"_s, {id});
    ContactCard::SaveRequest request = newContact(u"张三"_s, 1);
    request.updateId = id;
    auto saved = ContactCard::save(m_data->db(), request);
    QVERIFY(saved.ok());
    QCOMPARE(saved.value().outcome, ContactCard::SaveOutcome::RowVanished);
    QCOMPARE(m_data->scalar(u"SELECT count(*) FROM Vardelin_Contact"_s).toInt(), 0);

    // A group deleted while the card was open takes no contact into it.
    const qint64 group = m_data->addGroup(1, 1, u"将删分组"_s);
    m_data->run(u"DELETE FROM Vardelin_Type WHERE ID = ?"_s, {group});
    auto orphaned = ContactCard::save(m_data->db(), newContact(u"李四"_s, group));
    QVERIFY(orphaned.ok());
    QCOMPARE(orphaned.value().outcome, ContactCard::SaveOutcome::GroupVanished);
    QCOMPARE(m_data->scalar(u"SELECT count(*) FROM Vardelin_Contact"_s).toInt(), 0);
}

void TestContactCard::refusedWriteLeavesTheRowAsItWas()
{
    const qint64 id = m_data->addContact({{u"Name"_s, u"原样"_s}});
    m_data->run(QStringLiteral("CREATE TRIGGER refuse BEFORE UPDATE ON Vardelin_Contact "
                               "WHEN NEW.Remark = 'refuse' BEGIN SELECT RAISE(ABORT, 'no'); END"));
    ContactCard::SaveRequest request = newContact(u"新名"_s, 1);
    request.updateId = id;
    request.record.texts.insert(u"Remark"_s, u"refuse"_s);
    auto saved = ContactCard::save(m_data->db(), request);
    QVERIFY(!saved.ok());
    QVERIFY(!saved.error().description.isEmpty());
    QCOMPARE(m_data->scalar(u"SELECT Name FROM Vardelin_Contact WHERE ID = ?"_s, {id}).toString(),
             u"原样"_s);
    // The connection is usable again: no transaction was left open.
    QVERIFY(m_data->db().exec(u"BEGIN"_s).ok());
    QVERIFY(m_data->db().exec(u"ROLLBACK"_s).ok());
}

void TestContactCard::loadToleratesNullsAndOddValues()
{
    const qint64 id = m_data->addContact({{u"Name"_s, u"李四"_s},
                                          {u"TID"_s, 7},
                                          {u"Birthday"_s, u"不是日期"_s},
                                          {u"MemorialDay"_s, u"2019-10-01 00:00:00"_s},
                                          {u"Tel1"_s, QVariant()},
                                          {u"Photo"_s, QByteArray("junk")}});
    auto loaded = ContactCard::load(m_data->db(), id);
    QVERIFY(loaded.ok() && loaded.value().has_value());
    const ContactRecord& record = *loaded.value();
    QCOMPARE(record.groupId, 7);
    QCOMPARE(record.texts.value(u"Name"_s), u"李四"_s);
    QVERIFY(record.texts.contains(u"Tel1"_s));
    QVERIFY(record.texts.value(u"Tel1"_s).isEmpty());
    QVERIFY(!record.dates.value(u"Birthday"_s).has_value());
    QCOMPARE(record.dates.value(u"MemorialDay"_s), std::optional(QDate(2019, 10, 1)));
    QCOMPARE(record.photo, QByteArray("junk"));
}

void TestContactCard::missingRowIsNoneAndAFailedReadAnError()
{
    auto missing = ContactCard::load(m_data->db(), 999);
    QVERIFY(missing.ok());
    QVERIFY(!missing.value().has_value());

    m_data->run(u"ALTER TABLE Vardelin_Contact RENAME TO Gone"_s);
    auto failed = ContactCard::load(m_data->db(), 1);
    QVERIFY(!failed.ok());
    QVERIFY(!CardChoices::departments(m_data->db()).ok());
}

void TestContactCard::choicesSkipNullAndListGroupsByNumber()
{
    m_data->addContact(
        {{u"Name"_s, u"a"_s}, {u"Deptment"_s, u"销售部"_s}, {u"Post"_s, QVariant()}});
    m_data->addContact({{u"Name"_s, u"b"_s}, {u"Deptment"_s, u"技术部"_s}, {u"Post"_s, u"经理"_s}});
    m_data->addContact({{u"Name"_s, u"c"_s}, {u"Deptment"_s, u"销售部"_s}, {u"Post"_s, u""_s}});
    auto departments = CardChoices::departments(m_data->db());
    QVERIFY(departments.ok());
    // In the database's order, each value once.
    QStringList sorted = departments.value();
    sorted.sort();
    QCOMPARE(sorted, (QStringList{u"技术部"_s, u"销售部"_s}));
    auto posts = CardChoices::posts(m_data->db());
    QVERIFY(posts.ok());
    QCOMPARE(posts.value(), QStringList{u"经理"_s});

    const qint64 late = m_data->addGroup(1, 9, u"后"_s);
    const qint64 early = m_data->addGroup(late, -5, u"前"_s);
    auto groups = CardChoices::groups(m_data->db());
    QVERIFY(groups.ok());
    QCOMPARE(groups.value().size(), std::size_t(3));
    // The root's Number is the password suffix, larger than these.
    QCOMPARE(groups.value()[0].id, early);
    QCOMPARE(groups.value()[1].id, late);
    QCOMPARE(groups.value()[2].name, u"全部分组"_s);
}

QTEST_GUILESS_MAIN(TestContactCard)
#include "tst_contactcard.moc"
