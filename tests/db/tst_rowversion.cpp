// SPDX-License-Identifier: GPL-3.0-or-later
// The check every save makes before it writes: has the row changed since it was read? For each
// kind of row a window saves, as another program changes it. Rows tagged "server…" run on a
// database of the test program's PostgreSQL server.
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
        book.emplace(TestDatabase::backendOfRow());
        QVERIFY2(book->ok(), qPrintable(book->error()));
        book->addContact({{u"Name"_s, u"张三"_s}, {u"Photo"_s, QByteArray("\0p", 2)}});
        QVERIFY(Reminders::setOn(book->db(), true));
    }

    void aSaveSeesWhatAnotherProgramDidToItsRow_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("elsewhere"); // another program's changes to the row, split at |
        QTest::addColumn<int>("change");
        const auto row = [](const char* kind, const char* sets, Change change,
                            const char* where = "") {
            QTest::addRow("%s%s: %s", where, kind, sets)
                << QString::fromLatin1(kind) << QString::fromUtf8(sets) << int(change);
        };
        // Each window's row holds the columns it writes, and only those.
        row("contact", "Tel1 = '12'", Change::Changed);
        row("contact", "Photo = x'0071'", Change::Changed);
        row("options", "IsMax = 1", Change::Changed);
        row("column", "Width = 12", Change::Changed);
        row("column", "Name = 'C.Tel9'", Change::None);
        row("password", "Pass = '12'", Change::Changed);
        row("password", "Dock = 'x'", Change::None);
        row("reminders", "IsOff = 1", Change::Changed);
        row("reminders", "DELETE", Change::Deleted);
        // Null and '' differ; a change undone meanwhile loses nothing.
        row("contact", "Tel1 = ''", Change::Changed);
        row("contact", "Tel1 = 'x'|Tel1 = NULL", Change::None);
        row("contact", "Tel1 = '12'", Change::Changed, "server ");
        row("contact", "Photo = decode('0071', 'hex')", Change::Changed, "server ");
        row("contact", "Tel1 = 'x'|Tel1 = NULL", Change::None, "server ");
        row("column", "Width = 12", Change::Changed, "server ");
        row("password", "Dock = 'x'", Change::None, "server ");
        row("reminders", "DELETE", Change::Deleted, "server ");
    }

    void aSaveSeesWhatAnotherProgramDidToItsRow()
    {
        QFETCH(QString, kind);
        QFETCH(QString, elsewhere);
        QFETCH(int, change);
        const auto [row, readVersion] = rowAndReadVersion(kind);
        // The window's reader and the save's check see the same version of one row.
        QCOMPARE(RowVersion::read(book->db(), row).value(), readVersion);
        Database other;
        QVERIFY(!readVersion.isEmpty() && other.open(book->path()));
        const QString where = u" WHERE %1 = ?"_s.arg(row.keyColumn);
        for (const QString& set : elsewhere.split(u'|'))
            QVERIFY(
                other.exec((set == u"DELETE"_s ? u"DELETE FROM %1"_s : u"UPDATE %1 SET "_s + set)
                                   .arg(row.table) +
                               where,
                           {row.key}));
        const RowVersion::Expected expected{row, readVersion};
        Result<std::vector<RowVersion::Conflict>> found = DbError();
        QVERIFY(book->db().writeTransaction([&] {
            found = RowVersion::conflicts(book->db(), {&expected, 1});
            return Status();
        }));
        QCOMPARE(int(found.value().empty() ? Change::None : found.value().front().change), change);
        QCOMPARE(found.value().size(), change == int(Change::None) ? 0u : 1u);
    }

    // Once a save has checked its row, no other program changes the row before the save
    // commits: a file's lock keeps every writer out, a server's row lock the row's.
    void anotherWriterWaitsForTheWholeSave_data() { TestDatabase::addBackendRows(); }
    void anotherWriterWaitsForTheWholeSave()
    {
        Database other;
        QVERIFY(other.open(book->path()) && TestDatabase::waitBriefly(other));
        Status meanwhile;
        const auto [row, readVersion] = rowAndReadVersion(u"options"_s);
        const RowVersion::Expected expected{row, readVersion};
        QVERIFY(book->db().writeTransaction([&] {
            auto checked = RowVersion::conflicts(book->db(), {&expected, 1});
            meanwhile = other.exec(u"UPDATE Vardelin_System SET IsMax = 1"_s);
            return checked ? Status() : Status(checked.error());
        }));
        QCOMPARE(meanwhile.error().number, SqliteCode::Busy);
        QVERIFY(other.exec(u"UPDATE Vardelin_System SET IsMax = 1"_s));
    }
};

QTEST_GUILESS_MAIN(TestRowVersion)
#include "tst_rowversion.moc"
