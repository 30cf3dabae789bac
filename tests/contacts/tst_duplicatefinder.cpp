// SPDX-License-Identifier: GPL-3.0-or-later
// Finding duplicate contacts: shared numbers in any form, same name and company, per user.
#include "TestDatabase.h"

#include "contacts/DuplicateFinder.h"

#include <QTest>

using namespace Qt::StringLiterals;

class TestDuplicateFinder : public QObject {
    Q_OBJECT

private slots:
    void groupsFound_data()
    {
        // Each contact as "Field=value|…"; the groups as the contacts' positions.
        QTest::addColumn<QStringList>("contacts");
        QTest::addColumn<int>("user");
        QTest::addColumn<QString>("expected");
        // Fields without digits are no number; the office phone is not one of the six compared.
        QTest::newRow("numbers by their digits in any field")
            << QStringList{u"Moblie1=138-0013-8000"_s,
                           u"Moblie1=13800138001"_s,
                           u"Tel3=+86 138 0013 8000"_s,
                           u"Tel1= - "_s,
                           u"Tel1= - "_s,
                           u"OfficePhone1=13800138000"_s,
                           u"Moblie3=00861380013８０００"_s}
            << 1 << u"0 2 6"_s;
        // No company on both counts as the same; Latin letters match in any case; nameless
        // contacts are never the same person by name.
        QTest::newRow("names with the same company")
            << QStringList{u"Name=张三|CompanyName=华信科技"_s,
                           u"Name= 张三 |CompanyName=华信科技 "_s,
                           u"Name=张三|CompanyName=恒通贸易"_s,
                           u"Name=Li  Ming"_s,
                           u"Name=li ming"_s,
                           u"Name=|CompanyName=x"_s,
                           u"Name=|CompanyName=x"_s}
            << 1 << u"0 1,3 4"_s;
        // 3~0 by name, 0~1 by number, 4~1 by number: one person, found in ID order.
        QTest::newRow("overlapping groups join")
            << QStringList{u"Name=王五|Tel1=010-66668888"_s,
                           u"Name=王老五|Tel1=01066668888|Moblie2=13912345678"_s,
                           u"Name=赵六"_s,
                           u"Name=王五"_s,
                           u"Name=小王|Moblie1=139 1234 5678"_s,
                           u"Name=赵六"_s}
            << 1 << u"0 1 3 4,2 5"_s;
        const QStringList users{u"UID=2|Moblie1=13800138000"_s, u"UID=2|Tel1=13800138000"_s,
                                u"UID=3|Moblie1=13800138000"_s};
        QTest::newRow("a user finds only their own") << users << 2 << u"0 1"_s;
        QTest::newRow("a user with one of a number") << users << 3 << QString();
        QTest::newRow("the administrator finds all") << users << 1 << u"0 1 2"_s;
    }

    void groupsFound()
    {
        QFETCH(QStringList, contacts);
        QFETCH(int, user);
        QFETCH(QString, expected);
        TestDatabase book;
        QVERIFY(book.ok());
        const qint64 group = book.addGroup(1, 1, u"朋友"_s);
        std::vector<qint64> ids;
        for (const QString& contact : contacts) {
            QVariantMap fields{{u"TID"_s, group}, {u"Name"_s, u"某%1"_s.arg(ids.size())}};
            for (const QString& field : contact.split(u'|'))
                fields.insert(field.section(u'=', 0, 0), field.section(u'=', 1));
            ids.push_back(book.addContact(fields));
        }
        auto found = DuplicateFinder::find(book.db(), user);
        QVERIFY(found);
        QStringList groups;
        for (const DuplicateGroup& members : found.value()) {
            QStringList positions;
            for (const DuplicateContact& contact : members)
                positions << QString::number(std::find(ids.begin(), ids.end(), contact.id) -
                                             ids.begin());
            groups << positions.join(u' ');
        }
        QCOMPARE(groups.join(u','), expected);
        if (QTest::currentDataTag() == QByteArray("numbers by their digits in any field")) {
            QCOMPARE(found.value().front().front().phones, QStringList{u"138-0013-8000"_s});
            QCOMPARE(found.value().front().front().groupName, u"朋友"_s);
        }
    }
};

QTEST_GUILESS_MAIN(TestDuplicateFinder)
#include "tst_duplicatefinder.moc"
