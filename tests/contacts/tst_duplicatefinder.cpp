// SPDX-License-Identifier: GPL-3.0-or-later
// Finding duplicate contacts: shared numbers in any form, same name and company, per user.
#include "TestDatabase.h"

#include "contacts/DuplicateFinder.h"

#include <QTest>

class TestDuplicateFinder : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void numbersMatchByTheirDigitsInAnyField();
    void namesMatchWithTheSameCompany();
    void overlappingGroupsJoin();
    void aUserFindsOnlyTheirOwn();

private:
    qint64 add(const QVariantMap& fields)
    {
        QVariantMap row = fields;
        row.insert(QStringLiteral("TID"), m_group);
        return m_data->addContact(row);
    }
    // The groups found, each as its contacts' IDs.
    std::vector<std::vector<qint64>> groups(qint64 userId = 1)
    {
        auto found = DuplicateFinder::find(m_data->db(), userId);
        if (!found)
            qFatal("find failed");
        std::vector<std::vector<qint64>> ids;
        for (const DuplicateGroup& group : found.value()) {
            ids.emplace_back();
            for (const DuplicateContact& contact : group)
                ids.back().push_back(contact.id);
        }
        return ids;
    }

    std::unique_ptr<TestDatabase> m_data;
    qint64 m_group = 0;
};

using Ids = std::vector<std::vector<qint64>>;

void TestDuplicateFinder::init()
{
    m_data = std::make_unique<TestDatabase>();
    QVERIFY(m_data->ok());
    m_group = m_data->addGroup(1, 1, QStringLiteral("朋友"));
}

void TestDuplicateFinder::cleanup()
{
    m_data.reset();
}

void TestDuplicateFinder::numbersMatchByTheirDigitsInAnyField()
{
    const qint64 a = add({{QStringLiteral("Name"), QStringLiteral("甲")},
                          {QStringLiteral("Moblie1"), QStringLiteral("138-0013-8000")}});
    add({{QStringLiteral("Name"), QStringLiteral("乙")},
         {QStringLiteral("Moblie1"), QStringLiteral("13800138001")}});
    const qint64 c = add({{QStringLiteral("Name"), QStringLiteral("丙")},
                          {QStringLiteral("Tel3"), QStringLiteral("+86 138 0013 8000")}});
    // Fields without digits are no number: blanks and dashes alone join nobody.
    add({{QStringLiteral("Name"), QStringLiteral("丁")},
         {QStringLiteral("Tel1"), QStringLiteral(" - ")}});
    add({{QStringLiteral("Name"), QStringLiteral("戊")},
         {QStringLiteral("Tel1"), QStringLiteral(" - ")}});
    // The office phone is not one of the six compared fields.
    add({{QStringLiteral("Name"), QStringLiteral("己")},
         {QStringLiteral("OfficePhone1"), QStringLiteral("13800138000")}});
    const qint64 g = add({{QStringLiteral("Name"), QStringLiteral("庚")},
                          {QStringLiteral("Moblie3"), QStringLiteral("00861380013８０００")}});
    const Ids found = groups();
    QCOMPARE(found, (Ids{{a, c, g}}));

    auto details = DuplicateFinder::find(m_data->db(), 1);
    QCOMPARE(details.value().front().front().phones, QStringList{QStringLiteral("138-0013-8000")});
    QCOMPARE(details.value().front().front().groupName, QStringLiteral("朋友"));
}

void TestDuplicateFinder::namesMatchWithTheSameCompany()
{
    const qint64 a = add({{QStringLiteral("Name"), QStringLiteral("张三")},
                          {QStringLiteral("CompanyName"), QStringLiteral("华信科技")}});
    const qint64 b = add({{QStringLiteral("Name"), QStringLiteral(" 张三 ")},
                          {QStringLiteral("CompanyName"), QStringLiteral("华信科技 ")}});
    add({{QStringLiteral("Name"), QStringLiteral("张三")},
         {QStringLiteral("CompanyName"), QStringLiteral("恒通贸易")}});
    // No company on both counts as the same company; Latin letters match in any case.
    const qint64 d = add({{QStringLiteral("Name"), QStringLiteral("Li  Ming")}});
    const qint64 e = add({{QStringLiteral("Name"), QStringLiteral("li ming")}});
    // Nameless contacts are never the same person by name.
    add({{QStringLiteral("Name"), QStringLiteral("")},
         {QStringLiteral("CompanyName"), QStringLiteral("x")}});
    add({{QStringLiteral("Name"), QStringLiteral("")},
         {QStringLiteral("CompanyName"), QStringLiteral("x")}});
    QCOMPARE(groups(), (Ids{{a, b}, {d, e}}));
}

void TestDuplicateFinder::overlappingGroupsJoin()
{
    // c~a by name, a~b by number, d~b by number: all four are one person, found in ID order.
    const qint64 a = add({{QStringLiteral("Name"), QStringLiteral("王五")},
                          {QStringLiteral("Tel1"), QStringLiteral("010-66668888")}});
    const qint64 b = add({{QStringLiteral("Name"), QStringLiteral("王老五")},
                          {QStringLiteral("Tel1"), QStringLiteral("01066668888")},
                          {QStringLiteral("Moblie2"), QStringLiteral("13912345678")}});
    const qint64 lone = add({{QStringLiteral("Name"), QStringLiteral("赵六")}});
    const qint64 c = add({{QStringLiteral("Name"), QStringLiteral("王五")}});
    const qint64 d = add({{QStringLiteral("Name"), QStringLiteral("小王")},
                          {QStringLiteral("Moblie1"), QStringLiteral("139 1234 5678")}});
    const qint64 e = add({{QStringLiteral("Name"), QStringLiteral("赵六")}});
    QCOMPARE(groups(), (Ids{{a, b, c, d}, {lone, e}}));
}

void TestDuplicateFinder::aUserFindsOnlyTheirOwn()
{
    const QString number = QStringLiteral("13800138000");
    const qint64 mine = add({{QStringLiteral("Name"), QStringLiteral("甲")},
                             {QStringLiteral("UID"), 2},
                             {QStringLiteral("Moblie1"), number}});
    const qint64 alsoMine = add({{QStringLiteral("Name"), QStringLiteral("乙")},
                                 {QStringLiteral("UID"), 2},
                                 {QStringLiteral("Tel1"), number}});
    const qint64 others = add({{QStringLiteral("Name"), QStringLiteral("丙")},
                               {QStringLiteral("UID"), 3},
                               {QStringLiteral("Moblie1"), number}});
    QCOMPARE(groups(2), (Ids{{mine, alsoMine}}));
    QCOMPARE(groups(3), Ids{});
    QCOMPARE(groups(1), (Ids{{mine, alsoMine, others}}));
}

QTEST_GUILESS_MAIN(TestDuplicateFinder)
#include "tst_duplicatefinder.moc"
