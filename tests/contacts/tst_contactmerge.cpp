// SPDX-License-Identifier: GPL-3.0-or-later
// Merging duplicates: empty fields filled, the user's choice kept, belongings moved, all or
// nothing.
#include "TestDatabase.h"

#include "db/PictureBag.h"
#include "contacts/ContactMerge.h"

#include <QTest>

using namespace Qt::StringLiterals;
using Outcome = ContactMerge::Outcome;

class TestContactMerge : public QObject {
    Q_OBJECT

private slots:
    void init() { QVERIFY(m_data.emplace().ok()); }

    void mergeFillsEmptyFieldsKeepsTheChoiceAndMovesBelongings()
    {
        const qint64 group = m_data->addGroup(1, 1, u"朋友"_s);
        const QByteArray photo = PictureBag::ofPicture("picture bytes");
        const qint64 kept = m_data->addContact({{u"Name"_s, u"张三"_s},
                                                {u"TID"_s, group},
                                                {u"Sex"_s, u"男"_s},
                                                {u"Moblie1"_s, u"13800138000"_s},
                                                {u"Address"_s, u""_s},
                                                {u"Photo"_s, PictureBag::ofPicture({})}});
        const qint64 other = m_data->addContact({{u"Name"_s, u"李四"_s},
                                                 {u"TID"_s, group},
                                                 {u"Sex"_s, u"男 "_s},
                                                 {u"Moblie1"_s, u"13912345678"_s},
                                                 {u"Moblie2"_s, u"138-0013-8000"_s},
                                                 {u"Address"_s, u"北京市"_s},
                                                 {u"Photo"_s, photo}});
        belongTo(kept, u"F"_s);
        belongTo(other, u"P"_s);
        belongTo(other, u"F"_s);

        // Only the name differs: the same number written otherwise and the sex with a blank do not.
        const ContactMerge::Plan plan = planOf(kept, other);
        QCOMPARE(plan.conflicts.size(), 1u);
        const ContactMerge::Conflict& name = plan.conflicts.front();
        QCOMPARE(name.columns, QStringList{u"Name"_s});
        QCOMPARE(name.candidates.size(), 2u);
        QCOMPARE(name.candidates[1].shown, u"李四"_s);
        QCOMPARE(name.candidates[1].contactId, other);
        QCOMPARE(name.defaults, std::vector<int>{0});

        QCOMPARE(merge(kept, other, plan, {{u"Name"_s, u"李四"_s}}), Outcome::Merged);
        QCOMPARE(fields(kept, u"Name, Py, Sex, Moblie1, Moblie2, Address, AddDate"_s),
                 u"李四 L 男 13800138000 13912345678 北京市 2026-12-07"_s);
        QCOMPARE(m_data->scalar(u"SELECT Photo FROM Vardelin_Contact WHERE ID = ?"_s, {kept})
                     .toByteArray(),
                 photo);
        QCOMPARE(count(u"SELECT count(*) FROM Vardelin_Contact WHERE ID = ?"_s, {other}), 0);
        QCOMPARE(count(u"SELECT count(*) FROM Vardelin_Files WHERE CID = ?"_s, {kept}), 3);
        QCOMPARE(count(u"SELECT count(*) FROM Vardelin_History WHERE CID = ?"_s, {kept}), 3);
        QCOMPARE(count(u"SELECT count(*) FROM Vardelin_Files"_s), 3);
    }

    void valuesBeyondTheSlotsAreChosenOrDropped()
    {
        const qint64 kept = m_data->addContact(
            {{u"Name"_s, u"甲"_s}, {u"Mail1"_s, u"a@x.cn"_s}, {u"Mail2"_s, u"b@x.cn"_s}});
        const qint64 other = m_data->addContact(
            {{u"Name"_s, u"甲"_s}, {u"Mail1"_s, u"A@X.CN"_s}, {u"Mail2"_s, u"c@x.cn"_s}});
        const ContactMerge::Plan plan = planOf(kept, other);
        QCOMPARE(plan.conflicts.size(), 1u);
        const ContactMerge::Conflict& mail = plan.conflicts.front();
        QCOMPARE(mail.columns, (QStringList{u"Mail1"_s, u"Mail2"_s}));
        QCOMPARE(mail.candidates.size(), 3u);
        QCOMPARE(mail.candidates[2].shown, u"c@x.cn"_s);
        QCOMPARE(mail.defaults, (std::vector<int>{0, 1}));
        // A column left without a choice refuses the merge.
        QCOMPARE(merge(kept, other, plan, {{u"Mail1"_s, u"a@x.cn"_s}}), Outcome::Changed);
        QCOMPARE(count(u"SELECT count(*) FROM Vardelin_Contact"_s), 2);
        QCOMPARE(merge(kept, other, plan, {{u"Mail1"_s, u"c@x.cn"_s}, {u"Mail2"_s, u"a@x.cn"_s}}),
                 Outcome::Merged);
        QCOMPARE(fields(kept, u"Mail1, Mail2"_s), u"c@x.cn a@x.cn"_s);
    }

    void aMergeThatCannotFinishWritesNothing()
    {
        const qint64 kept = m_data->addContact({{u"Name"_s, u"甲"_s}, {u"UID"_s, 2}});
        const qint64 other =
            m_data->addContact({{u"Name"_s, u"甲"_s}, {u"UID"_s, 2}, {u"Address"_s, u"上海"_s}});
        const qint64 foreign = m_data->addContact({{u"Name"_s, u"甲"_s}, {u"UID"_s, 3}});
        belongTo(other, u"F"_s);
        const auto unchanged = [&] {
            return fields(kept, u"Address"_s).isEmpty() &&
                   count(u"SELECT count(*) FROM Vardelin_Contact"_s) == 3 &&
                   count(u"SELECT count(*) FROM Vardelin_Files WHERE CID = ?"_s, {other}) == 1;
        };
        // Another user's contact is no part of a merge.
        QVERIFY(!ContactMerge::plan(m_data->db(), 2, kept, {foreign}).value());

        // The delete fails last: the kept row and the moved file must come back.
        const ContactMerge::Plan plan = planOf(kept, other);
        m_data->run(u"CREATE TRIGGER refuse BEFORE DELETE ON Vardelin_Contact "
                    "BEGIN SELECT RAISE(ABORT, 'refused'); END"_s);
        QVERIFY(!ContactMerge::merge(m_data->db(), request(kept, other, plan, {})).ok());
        QVERIFY(unchanged());
        m_data->run(u"DROP TRIGGER refuse"_s);

        // The other contact changed since the plan was shown: a value the user never saw.
        m_data->run(u"UPDATE Vardelin_Contact SET Name = '乙' WHERE ID = ?"_s, {other});
        QCOMPARE(merge(kept, other, plan, {}), Outcome::Changed);
        QVERIFY(unchanged());
        m_data->run(u"DELETE FROM Vardelin_Contact WHERE ID = ?"_s, {other});
        QCOMPARE(merge(kept, other, plan, {}), Outcome::Vanished);
        QCOMPARE(fields(kept, u"Address"_s), QString());
    }

    void theLunarMarkGoesWithTheBirthdayKept()
    {
        const auto lunar = [this](qint64 id) {
            return count(u"SELECT count(*) FROM Vardelin_LunarBirthday WHERE CID = ?"_s, {id}) > 0;
        };
        // The kept contact has no birthday: it takes the other's, read by the lunar calendar.
        const qint64 kept = m_data->addContact({{u"Name"_s, u"甲"_s}});
        const qint64 other =
            m_data->addContact({{u"Name"_s, u"甲"_s}, {u"Birthday"_s, u"1980-03-05"_s}});
        m_data->run(u"INSERT INTO Vardelin_LunarBirthday (CID) VALUES (?)"_s, {other});
        QCOMPARE(merge(kept, other, planOf(kept, other), {}), Outcome::Merged);
        QCOMPARE(fields(kept, u"Birthday"_s).left(10), u"1980-03-05"_s);
        QVERIFY(lunar(kept));

        // The user picks the other's solar birthday over the kept lunar one: the mark goes.
        const qint64 third =
            m_data->addContact({{u"Name"_s, u"甲"_s}, {u"Birthday"_s, u"1980-04-01"_s}});
        const ContactMerge::Plan plan = planOf(kept, third);
        QCOMPARE(plan.conflicts.size(), 1u);
        QCOMPARE(merge(kept, third, plan, {{u"Birthday"_s, u"1980-04-01"_s}}), Outcome::Merged);
        QCOMPARE(fields(kept, u"Birthday"_s).left(10), u"1980-04-01"_s);
        QVERIFY(!lunar(kept));
    }

private:
    // The columns' texts, joined by blanks.
    QString fields(qint64 id, const QString& columns)
    {
        auto row = m_data->db().query(
            u"SELECT %1 FROM Vardelin_Contact WHERE ID = ?"_s.arg(columns), {id});
        QStringList texts;
        if (row && row.value().next())
            for (int column = 0; column <= columns.count(u','); ++column)
                texts << row.value().value(column).toString();
        return texts.join(u' ');
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
    Outcome merge(qint64 kept, qint64 other, const ContactMerge::Plan& plan,
                  const QHash<QString, QVariant>& choices)
    {
        auto merged = ContactMerge::merge(m_data->db(), request(kept, other, plan, choices));
        return merged ? merged.value() : Outcome(-1);
    }
    void belongTo(qint64 id, const QString& type)
    {
        m_data->run(u"INSERT INTO Vardelin_Files (CID, Type, Name) VALUES (?, ?, 'x')"_s,
                    {id, type});
        m_data->run(u"INSERT INTO Vardelin_History (CID, Remark) VALUES (?, 'x')"_s, {id});
    }

    std::optional<TestDatabase> m_data;
};

QTEST_GUILESS_MAIN(TestContactMerge)
#include "tst_contactmerge.moc"
