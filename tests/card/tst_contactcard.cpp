// SPDX-License-Identifier: GPL-3.0-or-later
// The card's field table against the contact table, and the card's load, save and list fills.
#include "TestDatabase.h"

#include "card/CardFields.h"
#include "card/ContactCard.h"
#include "db/ContactFields.h"

#include <QSet>
#include <QTest>

using namespace Qt::StringLiterals;
using Outcome = ContactCard::SaveOutcome;

class TestContactCard : public QObject {
    Q_OBJECT
    std::optional<TestDatabase> book;

    static ContactCard::SaveRequest request(const QString& name, qint64 groupId = 1,
                                            std::optional<qint64> updateId = {})
    {
        ContactCard::SaveRequest request;
        request.userId = 3;
        request.today = QDate(2026, 3, 9);
        request.record.groupId = groupId;
        request.record.texts.insert(u"Name"_s, name);
        request.updateId = updateId;
        return request;
    }
    QVariant cell(const QString& sql, qint64 id) { return book->scalar(sql, {id}); }
    int contacts() { return book->scalar(u"SELECT count(*) FROM Vardelin_Contact"_s).toInt(); }

private slots:
    void init() { QVERIFY(book.emplace().ok()); }

    void everyColumnHasAControlAndEveryControlAColumn()
    {
        QSet<QString> columns{u"ID"_s, u"UID"_s, u"Py"_s, u"AddDate"_s}; // filled by the save
        QSet<QString> controls;
        for (const CardField& field : CardFields::all) {
            QVERIFY2(!controls.contains(QString(field.control)), field.control.data());
            controls << QString(field.control);
            QVERIFY2(!columns.contains(QString(field.column)), field.column.data());
            columns << QString(field.column);
        }
        columns.remove(QString()); // the one box no column holds
        QSet<QString> table;
        for (const ContactField& field : ContactFields::all)
            table << QString(field.name);
        QCOMPARE(columns, table);
        // Saved in card order from Tel1 on, after the heading; every column but the ID once.
        const QStringList order = CardFields::saveOrder();
        QCOMPARE(order.mid(0, 6),
                 QStringList({u"UID"_s, u"TID"_s, u"Name"_s, u"Py"_s, u"Sex"_s, u"Tel1"_s}));
        QCOMPARE(order.mid(order.size() - 3),
                 QStringList({u"SpouseTel"_s, u"Photo"_s, u"AddDate"_s}));
        QCOMPARE(QSet<QString>(order.begin(), order.end()), table - QSet<QString>{u"ID"_s});
        QCOMPARE(order.size(), table.size() - 1);
    }

    void updateRewritesUserInitialAndDateOfThatRowOnly()
    {
        const qint64 id = book->addContact({{u"Name"_s, u"旧名"_s},
                                            {u"AddDate"_s, u"2001-01-01"_s},
                                            {u"Birthday"_s, u"1970-05-05"_s}});
        const qint64 other = book->addContact({{u"Name"_s, u"别人"_s}});
        auto saved = ContactCard::save(book->db(), request(u"张三"_s, 1, id));
        QCOMPARE(saved.value().outcome, Outcome::Written);
        QCOMPARE(saved.value().contactId, id);
        QCOMPARE(cell(u"SELECT Name||Py||UID||AddDate FROM Vardelin_Contact WHERE ID = ?"_s, id),
                 u"张三Z32026-03-09"_s);
        // A date the card has no value for is written Null, text it does not mention empty.
        QVERIFY(cell(u"SELECT Birthday FROM Vardelin_Contact WHERE ID = ?"_s, id).isNull());
        QCOMPARE(cell(u"SELECT Tel1 FROM Vardelin_Contact WHERE ID = ?"_s, id), QVariant(u""_s));
        QCOMPARE(cell(u"SELECT Name FROM Vardelin_Contact WHERE ID = ?"_s, other), u"别人"_s);
    }

    void vanishedRowOrGroupGetsNothingWritten()
    {
        const qint64 id = book->addContact({{u"Name"_s, u"已删"_s}});
        book->run(u"DELETE FROM Vardelin_Contact WHERE ID = ?"_s, {id});
        QCOMPARE(ContactCard::save(book->db(), request(u"张三"_s, 1, id)).value().outcome,
                 Outcome::RowVanished);
        const qint64 group = book->addGroup(1, 1, u"将删分组"_s);
        book->run(u"DELETE FROM Vardelin_Type WHERE ID = ?"_s, {group});
        QCOMPARE(ContactCard::save(book->db(), request(u"李四"_s, group)).value().outcome,
                 Outcome::GroupVanished);
        QCOMPARE(contacts(), 0);
    }

    void refusedWriteLeavesTheRowAndNoTransactionOpen()
    {
        const qint64 id = book->addContact({{u"Name"_s, u"原样"_s}});
        book->run(u"CREATE TRIGGER refuse BEFORE UPDATE ON Vardelin_Contact "
                  "WHEN NEW.Remark = 'refuse' BEGIN SELECT RAISE(ABORT, 'no'); END"_s);
        ContactCard::SaveRequest refused = request(u"新名"_s, 1, id);
        refused.record.texts.insert(u"Remark"_s, u"refuse"_s);
        auto saved = ContactCard::save(book->db(), refused);
        QVERIFY(!saved.ok() && !saved.error().description.isEmpty());
        QCOMPARE(cell(u"SELECT Name FROM Vardelin_Contact WHERE ID = ?"_s, id), u"原样"_s);
        QVERIFY(book->db().exec(u"BEGIN"_s).ok());
    }
};

QTEST_GUILESS_MAIN(TestContactCard)
#include "tst_contactcard.moc"
