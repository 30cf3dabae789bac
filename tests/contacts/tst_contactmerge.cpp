// SPDX-License-Identifier: GPL-3.0-or-later
// Merging duplicates: empty fields filled, the user's choice kept, belongings moved, all or
// nothing.
#include "TestDatabase.h"

#include "db/PictureBag.h"
#include "contacts/ContactMerge.h"

#include <QTest>

class TestContactMerge : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void mergeFillsEmptyFieldsKeepsTheChoiceAndMovesBelongings();
    void valuesBeyondTheSlotsAreChosenOrDropped();
    void aMergeThatCannotFinishWritesNothing();
    void theLunarMarkGoesWithTheBirthdayKept();

private:
    QVariant field(qint64 id, const QString& column)
    {
        return m_data->scalar(
            QStringLiteral("SELECT %1 FROM Vardelin_Contact WHERE ID = ?").arg(column), {id});
    }
    qint64 count(const QString& sql, const QVariantList& values = {})
    {
        return m_data->scalar(sql, values).toLongLong();
    }
    ContactMerge::Plan planOf(qint64 kept, qint64 other)
    {
        auto planned = ContactMerge::plan(m_data->db(), 1, kept, {other});
        if (!planned || !planned.value())
            qFatal("no plan");
        return *planned.value();
    }
    ContactMerge::Request request(qint64 kept, qint64 other, const ContactMerge::Plan& plan,
                                  const QHash<QString, QVariant>& choices)
    {
        return {1, kept, {other}, QDate(2026, 12, 7), plan.conflicts, choices};
    }
    void belongTo(qint64 id, const QString& type)
    {
        m_data->run(
            QStringLiteral("INSERT INTO Vardelin_Files (CID, Type, Name) VALUES (?, ?, 'x')"),
            {id, type});
        m_data->run(QStringLiteral("INSERT INTO Vardelin_History (CID, Remark) VALUES (?, 'x')"),
                    {id});
    }

    std::unique_ptr<TestDatabase> m_data;
    qint64 m_group = 0;
};

void TestContactMerge::init()
{
    m_data = std::make_unique<TestDatabase>();
    QVERIFY(m_data->ok());
    m_group = m_data->addGroup(1, 1, QStringLiteral("朋友"));
}

void TestContactMerge::cleanup()
{
    m_data.reset();
}

void TestContactMerge::mergeFillsEmptyFieldsKeepsTheChoiceAndMovesBelongings()
{
    const QByteArray photo = PictureBag::ofPicture("picture bytes");
    const qint64 kept =
        m_data->addContact({{QStringLiteral("Name"), QStringLiteral("张三")},
                            {QStringLiteral("TID"), m_group},
                            {QStringLiteral("Sex"), QStringLiteral("男")},
                            {QStringLiteral("Moblie1"), QStringLiteral("13800138000")},
                            {QStringLiteral("Address"), QStringLiteral("")},
                            {QStringLiteral("Photo"), PictureBag::ofPicture({})}});
    const qint64 other =
        m_data->addContact({{QStringLiteral("Name"), QStringLiteral("李四")},
                            {QStringLiteral("TID"), m_group},
                            {QStringLiteral("Sex"), QStringLiteral("男 ")},
                            {QStringLiteral("Moblie1"), QStringLiteral("13912345678")},
                            {QStringLiteral("Moblie2"), QStringLiteral("138-0013-8000")},
                            {QStringLiteral("Address"), QStringLiteral("北京市")},
                            {QStringLiteral("Photo"), photo}});
    belongTo(kept, QStringLiteral("F"));
    belongTo(other, QStringLiteral("P"));
    belongTo(other, QStringLiteral("F"));

    // Only the name differs: the same number written otherwise and the sex with a blank do not.
    const ContactMerge::Plan plan = planOf(kept, other);
    QCOMPARE(plan.conflicts.size(), 1u);
    const ContactMerge::Conflict& name = plan.conflicts.front();
    QCOMPARE(name.columns, QStringList{QStringLiteral("Name")});
    QCOMPARE(name.candidates.size(), 2u);
    QCOMPARE(name.candidates[1].shown, QStringLiteral("李四"));
    QCOMPARE(name.candidates[1].contactId, other);
    QCOMPARE(name.defaults, std::vector<int>{0});

    auto merged = ContactMerge::merge(
        m_data->db(),
        request(kept, other, plan, {{QStringLiteral("Name"), QStringLiteral("李四")}}));
    QVERIFY(merged.ok());
    QCOMPARE(merged.value(), ContactMerge::Outcome::Merged);
    QCOMPARE(field(kept, QStringLiteral("Name")).toString(), QStringLiteral("李四"));
    QCOMPARE(field(kept, QStringLiteral("Py")).toString(), QStringLiteral("L"));
    QCOMPARE(field(kept, QStringLiteral("Sex")).toString(), QStringLiteral("男"));
    QCOMPARE(field(kept, QStringLiteral("Moblie1")).toString(), QStringLiteral("13800138000"));
    QCOMPARE(field(kept, QStringLiteral("Moblie2")).toString(), QStringLiteral("13912345678"));
    QCOMPARE(field(kept, QStringLiteral("Address")).toString(), QStringLiteral("北京市"));
    QCOMPARE(field(kept, QStringLiteral("Photo")).toByteArray(), photo);
    QCOMPARE(field(kept, QStringLiteral("AddDate")).toString(), QStringLiteral("2026-12-07"));
    QCOMPARE(count(QStringLiteral("SELECT count(*) FROM Vardelin_Contact WHERE ID = ?"), {other}),
             0);
    QCOMPARE(count(QStringLiteral("SELECT count(*) FROM Vardelin_Files WHERE CID = ?"), {kept}), 3);
    QCOMPARE(count(QStringLiteral("SELECT count(*) FROM Vardelin_History WHERE CID = ?"), {kept}),
             3);
    QCOMPARE(count(QStringLiteral("SELECT count(*) FROM Vardelin_Files")), 3);
}

void TestContactMerge::valuesBeyondTheSlotsAreChosenOrDropped()
{
    const qint64 kept = m_data->addContact({{QStringLiteral("Name"), QStringLiteral("甲")},
                                            {QStringLiteral("Mail1"), QStringLiteral("a@x.cn")},
                                            {QStringLiteral("Mail2"), QStringLiteral("b@x.cn")}});
    const qint64 other = m_data->addContact({{QStringLiteral("Name"), QStringLiteral("甲")},
                                             {QStringLiteral("Mail1"), QStringLiteral("A@X.CN")},
                                             {QStringLiteral("Mail2"), QStringLiteral("c@x.cn")}});
    const ContactMerge::Plan plan = planOf(kept, other);
    QCOMPARE(plan.conflicts.size(), 1u);
    const ContactMerge::Conflict& mail = plan.conflicts.front();
    QCOMPARE(mail.columns, (QStringList{QStringLiteral("Mail1"), QStringLiteral("Mail2")}));
    QCOMPARE(mail.candidates.size(), 3u);
    QCOMPARE(mail.candidates[2].shown, QStringLiteral("c@x.cn"));
    QCOMPARE(mail.defaults, (std::vector<int>{0, 1}));

    // A column left without a choice refuses the merge.
    auto refused = ContactMerge::merge(
        m_data->db(),
        request(kept, other, plan, {{QStringLiteral("Mail1"), QStringLiteral("a@x.cn")}}));
    QCOMPARE(refused.value(), ContactMerge::Outcome::Changed);
    QCOMPARE(count(QStringLiteral("SELECT count(*) FROM Vardelin_Contact")), 2);

    auto merged = ContactMerge::merge(
        m_data->db(), request(kept, other, plan,
                              {{QStringLiteral("Mail1"), QStringLiteral("c@x.cn")},
                               {QStringLiteral("Mail2"), QStringLiteral("a@x.cn")}}));
    QCOMPARE(merged.value(), ContactMerge::Outcome::Merged);
    QCOMPARE(field(kept, QStringLiteral("Mail1")).toString(), QStringLiteral("c@x.cn"));
    QCOMPARE(field(kept, QStringLiteral("Mail2")).toString(), QStringLiteral("a@x.cn"));
}

void TestContactMerge::aMergeThatCannotFinishWritesNothing()
{
    const qint64 kept = m_data->addContact(
        {{QStringLiteral("Name"), QStringLiteral("甲")}, {QStringLiteral("UID"), 2}});
    const qint64 other = m_data->addContact({{QStringLiteral("Name"), QStringLiteral("甲")},
                                             {QStringLiteral("UID"), 2},
                                             {QStringLiteral("Address"), QStringLiteral("上海")}});
    const qint64 foreign = m_data->addContact(
        {{QStringLiteral("Name"), QStringLiteral("甲")}, {QStringLiteral("UID"), 3}});
    belongTo(other, QStringLiteral("F"));
    auto unchanged = [&] {
        return field(kept, QStringLiteral("Address")).toString().isEmpty() &&
               count(QStringLiteral("SELECT count(*) FROM Vardelin_Contact")) == 3 &&
               count(QStringLiteral("SELECT count(*) FROM Vardelin_Files WHERE CID = ?"),
                     {other}) == 1;
    };

    // Another user's contact is no part of a merge.
    QVERIFY(!ContactMerge::plan(m_data->db(), 2, kept, {foreign}).value());

    // The delete fails last: the kept row and the moved file must come back.
    const ContactMerge::Plan plan = planOf(kept, other);
    m_data->run(QStringLiteral("CREATE TRIGGER refuse BEFORE DELETE ON Vardelin_Contact "
                               "BEGIN SELECT RAISE(ABORT, 'refused'); END"));
    auto failed = ContactMerge::merge(m_data->db(), request(kept, other, plan, {}));
    QVERIFY(!failed.ok());
    QVERIFY(unchanged());
    m_data->run(QStringLiteral("DROP TRIGGER refuse"));

    // The other contact changed since the plan was shown: a value the user never saw.
    m_data->run(QStringLiteral("UPDATE Vardelin_Contact SET Name = '乙' WHERE ID = ?"), {other});
    QCOMPARE(ContactMerge::merge(m_data->db(), request(kept, other, plan, {})).value(),
             ContactMerge::Outcome::Changed);
    QVERIFY(unchanged());

    m_data->run(QStringLiteral("DELETE FROM Vardelin_Contact WHERE ID = ?"), {other});
    QCOMPARE(ContactMerge::merge(m_data->db(), request(kept, other, plan, {})).value(),
             ContactMerge::Outcome::Vanished);
    QCOMPARE(field(kept, QStringLiteral("Address")).toString(), QString());
}

void TestContactMerge::theLunarMarkGoesWithTheBirthdayKept()
{
    const auto lunar = [this](qint64 id) {
        return count(QStringLiteral("SELECT count(*) FROM Vardelin_LunarBirthday WHERE CID = ?"),
                     {id}) > 0;
    };
    // The kept contact has no birthday: it takes the other's, read by the lunar calendar.
    const qint64 kept = m_data->addContact({{QStringLiteral("Name"), QStringLiteral("甲")}});
    const qint64 other =
        m_data->addContact({{QStringLiteral("Name"), QStringLiteral("甲")},
                            {QStringLiteral("Birthday"), QStringLiteral("1980-03-05")}});
    m_data->run(QStringLiteral("INSERT INTO Vardelin_LunarBirthday (CID) VALUES (?)"), {other});
    auto merged = ContactMerge::merge(m_data->db(), request(kept, other, planOf(kept, other), {}));
    QCOMPARE(merged.value(), ContactMerge::Outcome::Merged);
    QCOMPARE(field(kept, QStringLiteral("Birthday")).toString().left(10),
             QStringLiteral("1980-03-05"));
    QVERIFY(lunar(kept));

    // The user picks the other's solar birthday over the kept lunar one: the mark goes.
    const qint64 third =
        m_data->addContact({{QStringLiteral("Name"), QStringLiteral("甲")},
                            {QStringLiteral("Birthday"), QStringLiteral("1980-04-01")}});
    const ContactMerge::Plan plan = planOf(kept, third);
    QCOMPARE(plan.conflicts.size(), 1u);
    merged = ContactMerge::merge(
        m_data->db(),
        request(kept, third, plan, {{QStringLiteral("Birthday"), QStringLiteral("1980-04-01")}}));
    QCOMPARE(merged.value(), ContactMerge::Outcome::Merged);
    QCOMPARE(field(kept, QStringLiteral("Birthday")).toString().left(10),
             QStringLiteral("1980-04-01"));
    QVERIFY(!lunar(kept));
}

QTEST_GUILESS_MAIN(TestContactMerge)
#include "tst_contactmerge.moc"
