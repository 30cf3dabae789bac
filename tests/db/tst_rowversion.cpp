// SPDX-License-Identifier: GPL-3.0-or-later
// The check every save makes before it writes: has the row changed since it was read? For each
// kind of row a window saves, as another program changes it.
#include "TestDatabase.h"

#include "admin/ColumnSettings.h"
#include "admin/PasswordChange.h"
#include "card/ContactCard.h"
#include "db/RowVersion.h"
#include "db/SystemOptions.h"
#include "history/Reminders.h"

#include <QTest>

using namespace Qt::StringLiterals;

namespace {

enum class Kind { Contact, Options, Column, Password, RemindSwitch };

} // namespace

Q_DECLARE_METATYPE(Kind)
Q_DECLARE_METATYPE(RowVersion::Change)

class TestRowVersion : public QObject {
    Q_OBJECT

    std::optional<TestDatabase> book;
    qint64 contactId = 0;
    qint64 columnId = 0;

    RowVersion::Row rowOf(Kind kind) const
    {
        switch (kind) {
        case Kind::Contact:
            return ContactCard::versionedRow(contactId);
        case Kind::Options:
            return SystemOptions::versionedRow();
        case Kind::Column:
            return ColumnSettings::versionedRow(columnId);
        case Kind::Password:
            return PasswordChange::passwordRow(1);
        case Kind::RemindSwitch:
            break;
        }
        return Reminders::switchRow();
    }

    // The version as the window's own reader gives it, from the read that fills the window.
    RowVersion::Version readerVersion(Kind kind)
    {
        RowVersion::Version version;
        const Database& db = book->db();
        switch (kind) {
        case Kind::Contact:
            return ContactCard::load(db, contactId, &version).ok() ? version : "failed";
        case Kind::Options:
            return SystemOptions::read(db, &version).ok() ? version : "failed";
        case Kind::Column:
            return ColumnSettings::read(db).value().at(0).readAs;
        case Kind::Password:
            return PasswordChange::currentPlain(db, 1, 0, &version).ok() ? version : "failed";
        case Kind::RemindSwitch:
            break;
        }
        return Reminders::isOn(db, &version).ok() ? version : "failed";
    }

private slots:
    void init()
    {
        QVERIFY(book.emplace().ok());
        contactId = book->addContact({{u"Name"_s, u"张三"_s}, {u"Photo"_s, QByteArray("\0p", 2)}});
        columnId = book->scalar(u"SELECT min(ID) FROM Vardelin_Alias"_s).toLongLong();
        QVERIFY(Reminders::setOn(book->db(), true));
    }

    void aSaveSeesWhatAnotherProgramDidToItsRow_data()
    {
        QTest::addColumn<Kind>("kind");
        QTest::addColumn<QStringList>("elsewhere"); // run by another connection; ? is the key
        QTest::addColumn<RowVersion::Change>("change");
        using C = RowVersion::Change;
        const struct {
            const char* name;
            Kind kind;
            QString table;
            QString key;
            QString column;
        } kinds[] = {
            {"contact", Kind::Contact, u"Vardelin_Contact"_s, u"ID"_s, u"Tel1"_s},
            {"options", Kind::Options, u"Vardelin_System"_s, u"ID"_s, u"IsMax"_s},
            {"column", Kind::Column, u"Vardelin_Alias"_s, u"ID"_s, u"Width"_s},
            {"password", Kind::Password, u"Vardelin_Login"_s, u"ID"_s, u"Pass"_s},
            {"reminder switch", Kind::RemindSwitch, u"Vardelin_Remind"_s, u"UID"_s, u"IsOff"_s},
        };
        for (const auto& k : kinds) {
            const QString where = u" WHERE \"%1\" = ?"_s.arg(k.key);
            const QString set = u"UPDATE %1 SET \"%2\" = "_s.arg(k.table, k.column);
            QTest::addRow("%s unchanged", k.name) << k.kind << QStringList() << C::None;
            QTest::addRow("%s rewritten alike", k.name)
                << k.kind << QStringList{set + u"\"%1\""_s.arg(k.column) + where} << C::None;
            QTest::addRow("%s changed", k.name)
                << k.kind << QStringList{set + u"'12'"_s + where} << C::Changed;
            // Null (the contact's Tel1) and '' differ, and so do 0 and ''.
            QTest::addRow("%s emptied", k.name)
                << k.kind << QStringList{set + u"''"_s + where} << C::Changed;
            QTest::addRow("%s changed and changed back", k.name)
                << k.kind
                << QStringList{u"CREATE TEMP TABLE Kept AS SELECT * FROM %1"_s.arg(k.table) + where,
                               set + u"'x'"_s + where,
                               set + u"(SELECT \"%1\" FROM Kept)"_s.arg(k.column) + where}
                << C::None;
            QTest::addRow("%s deleted", k.name)
                << k.kind << QStringList{u"DELETE FROM "_s + k.table + where} << C::Deleted;
        }
        // Columns the window never writes are no reason to stop it.
        QTest::newRow("account's pane layout beside the password")
            << Kind::Password
            << QStringList{u"UPDATE Vardelin_Login SET Dock = 'other' WHERE ID = ?"_s} << C::None;
        QTest::newRow("column's expression beside its width")
            << Kind::Column
            << QStringList{u"UPDATE Vardelin_Alias SET Name = 'C.Tel9' WHERE ID = ?"_s} << C::None;
        QTest::newRow("contact's photo")
            << Kind::Contact
            << QStringList{u"UPDATE Vardelin_Contact SET Photo = x'0071' WHERE ID = ?"_s}
            << C::Changed;
    }

    void aSaveSeesWhatAnotherProgramDidToItsRow()
    {
        QFETCH(Kind, kind);
        QFETCH(QStringList, elsewhere);
        QFETCH(RowVersion::Change, change);
        const RowVersion::Row row = rowOf(kind);
        auto asRead = RowVersion::read(book->db(), row);
        QVERIFY(asRead.ok());
        QVERIFY(!asRead.value().isEmpty());
        // The window's reader and the save's check see the same version of one row.
        QCOMPARE(readerVersion(kind), asRead.value());

        Database other;
        QVERIFY(other.open(book->path()));
        for (const QString& statement : elsewhere)
            QVERIFY(other.exec(statement,
                               statement.contains(u'?') ? QVariantList{row.key} : QVariantList{}));

        std::vector<RowVersion::Conflict> found;
        const RowVersion::Expected expected{row, asRead.value()};
        QVERIFY(book->db().writeTransaction([&]() -> Status {
            auto conflicts = RowVersion::conflicts(book->db(), {&expected, 1});
            if (!conflicts)
                return conflicts.error();
            found = conflicts.value();
            return {};
        }));
        QCOMPARE(found.empty() ? RowVersion::Change::None : found.front().change, change);
        QCOMPARE(int(found.size()), change == RowVersion::Change::None ? 0 : 1);
    }

    void writeTransactionHoldsTheLockFromItsStart()
    {
        // Another program that wants to write meanwhile waits, then fails, rather than writing
        // between the save's look and its write.
        Database other;
        QVERIFY(other.open(book->path()));
        QVERIFY(other.exec(u"PRAGMA busy_timeout = 50"_s));
        QVERIFY(book->db().writeTransaction([&]() -> Status {
            const Status blocked = other.exec(u"UPDATE Vardelin_System SET IsMax = 1"_s);
            if (blocked || blocked.error().number != SqliteCode::Busy)
                return DbError{SqliteCode::Error, u"another program wrote meanwhile"_s};
            return {};
        }));
        QVERIFY(other.exec(u"UPDATE Vardelin_System SET IsMax = 1"_s));
    }
};

QTEST_GUILESS_MAIN(TestRowVersion)
#include "tst_rowversion.moc"
