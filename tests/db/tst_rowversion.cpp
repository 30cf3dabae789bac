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
using Change = RowVersion::Change;

class TestRowVersion : public QObject {
    Q_OBJECT
    std::optional<TestDatabase> book;

    // The row a save checks, and its version as the reader that fills the window gave it.
    std::pair<RowVersion::Row, RowVersion::Version> rowAndReadVersion(const QString& kind)
    {
        RowVersion::Version v;
        const Database& db = book->db();
        const qint64 contact = book->scalar(u"SELECT ID FROM Vardelin_Contact"_s).toLongLong();
        if (kind == u"contact"_s)
            return {ContactCard::versionedRow(contact),
                    ContactCard::load(db, contact, &v) ? v : ""};
        if (kind == u"options"_s)
            return {SystemOptions::versionedRow(), SystemOptions::read(db, &v) ? v : ""};
        if (kind == u"password"_s)
            return {PasswordChange::passwordRow(1),
                    PasswordChange::currentPlain(db, 1, 0, &v) ? v : ""};
        if (kind == u"column"_s) {
            const auto first = ColumnSettings::read(db).value().at(0);
            return {ColumnSettings::versionedRow(first.id), first.readAs};
        }
        return {Reminders::switchRow(), Reminders::isOn(db, &v) ? v : ""};
    }

private slots:
    void init()
    {
        QVERIFY(book.emplace().ok());
        book->addContact({{u"Name"_s, u"张三"_s}, {u"Photo"_s, QByteArray("\0p", 2)}});
        QVERIFY(Reminders::setOn(book->db(), true));
    }

    void aSaveSeesWhatAnotherProgramDidToItsRow_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("elsewhere"); // statements of another program; ? is the key
        QTest::addColumn<int>("change");
        const auto row = [](const char* kind, const QString& sql, Change change) {
            QTest::addRow("%s: %s", kind, qPrintable(sql))
                << QString::fromLatin1(kind) << sql << int(change);
        };
        // Each window's row holds the columns it writes, and only those.
        row("contact", u"UPDATE Vardelin_Contact SET Tel1 = '12' WHERE ID = ?"_s, Change::Changed);
        row("contact", u"UPDATE Vardelin_Contact SET Photo = x'0071' WHERE ID = ?"_s,
            Change::Changed);
        row("options", u"UPDATE Vardelin_System SET IsMax = 1 WHERE ID = ?"_s, Change::Changed);
        row("column", u"UPDATE Vardelin_Alias SET Width = 12 WHERE ID = ?"_s, Change::Changed);
        row("column", u"UPDATE Vardelin_Alias SET Name = 'C.Tel9' WHERE ID = ?"_s, Change::None);
        row("password", u"UPDATE Vardelin_Login SET Pass = '12' WHERE ID = ?"_s, Change::Changed);
        row("password", u"UPDATE Vardelin_Login SET Dock = 'x' WHERE ID = ?"_s, Change::None);
        row("reminders", u"UPDATE Vardelin_Remind SET IsOff = 1 WHERE UID = ?"_s, Change::Changed);
        row("reminders", u"DELETE FROM Vardelin_Remind WHERE UID = ?"_s, Change::Deleted);
        // Null and '', 0 and '' differ; a change undone meanwhile loses nothing.
        row("contact", u"UPDATE Vardelin_Contact SET Tel1 = '' WHERE ID = ?"_s, Change::Changed);
        row("options", u"UPDATE Vardelin_System SET IsMax = '' WHERE ID = ?"_s, Change::Changed);
        row("contact",
            u"UPDATE Vardelin_Contact SET Tel1 = 'x' WHERE ID = ?;UPDATE Vardelin_Contact SET Tel1 = NULL WHERE ID = ?"_s,
            Change::None);
    }

    void aSaveSeesWhatAnotherProgramDidToItsRow()
    {
        QFETCH(QString, kind);
        QFETCH(QString, elsewhere);
        QFETCH(int, change);
        const auto [row, readVersion] = rowAndReadVersion(kind);
        // The window's reader and the save's check see the same version of one row.
        QCOMPARE(RowVersion::read(book->db(), row).value(), readVersion);
        QVERIFY(!readVersion.isEmpty());
        Database other;
        QVERIFY(other.open(book->path()));
        for (const QString& statement : elsewhere.split(u';', Qt::SkipEmptyParts))
            QVERIFY(other.exec(statement, {row.key}));
        const RowVersion::Expected expected{row, readVersion};
        std::vector<RowVersion::Conflict> found;
        QVERIFY(book->db().writeTransaction([&]() -> Status {
            auto conflicts = RowVersion::conflicts(book->db(), {&expected, 1});
            found = conflicts ? conflicts.value() : found;
            return conflicts ? Status() : conflicts.error();
        }));
        QCOMPARE(int(found.empty() ? Change::None : found.front().change), change);
        QCOMPARE(found.size(), change == int(Change::None) ? 0u : 1u);
    }

    void anotherWriterWaitsForTheWholeSave()
    {
        Database other;
        QVERIFY(other.open(book->path()) && other.exec(u"PRAGMA busy_timeout = 50"_s));
        Status meanwhile;
        QVERIFY(book->db().writeTransaction([&] {
            meanwhile = other.exec(u"UPDATE Vardelin_System SET IsMax = 1"_s);
            return Status();
        }));
        QCOMPARE(meanwhile.error().number, SqliteCode::Busy);
        QVERIFY(other.exec(u"UPDATE Vardelin_System SET IsMax = 1"_s));
    }
};

QTEST_GUILESS_MAIN(TestRowVersion)
#include "tst_rowversion.moc"
