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
        QTest::addColumn<QString>("elsewhere"); // statements run by another program; ? is the key
        QTest::addColumn<int>("change");
        const auto row = [](const QString& kind, const QString& what, const QString& sql,
                            Change c) {
            QTest::addRow("%s %s", qPrintable(kind), qPrintable(what)) << kind << sql << int(c);
        };
        for (const QString& kindTableKeyColumn :
             {u"contact Vardelin_Contact ID Tel1"_s, u"options Vardelin_System ID IsMax"_s,
              u"column Vardelin_Alias ID Width"_s, u"password Vardelin_Login ID Pass"_s,
              u"reminders Vardelin_Remind UID IsOff"_s}) {
            const QStringList k = kindTableKeyColumn.split(u' ');
            const QString where = u" WHERE %1 = ?"_s.arg(k[2]);
            row(k[0], u"unchanged"_s, {}, Change::None);
            row(k[0], u"changed"_s, u"UPDATE %1 SET %2 = '12'"_s.arg(k[1], k[3]) + where,
                Change::Changed);
            row(k[0], u"deleted"_s, u"DELETE FROM "_s + k[1] + where, Change::Deleted);
        }
        // Null and '', 0 and '' differ; a change undone meanwhile loses nothing.
        const QString contact = u"UPDATE Vardelin_Contact SET %1 WHERE ID = ?"_s;
        row(u"contact"_s, u"emptied"_s, contact.arg(u"Tel1 = ''"_s), Change::Changed);
        row(u"options"_s, u"emptied"_s, u"UPDATE Vardelin_System SET IsMax = '' WHERE ID = ?"_s,
            Change::Changed);
        row(u"contact"_s, u"rewritten alike"_s, contact.arg(u"Tel1 = Tel1"_s), Change::None);
        row(u"contact"_s, u"changed back"_s,
            contact.arg(u"Tel1 = 'x'"_s) + u';' + contact.arg(u"Tel1 = NULL"_s), Change::None);
        row(u"contact"_s, u"photo"_s, contact.arg(u"Photo = x'0071'"_s), Change::Changed);
        // Columns the window never writes are no reason to stop it.
        row(u"password"_s, u"pane layout beside"_s,
            u"UPDATE Vardelin_Login SET Dock = 'x' WHERE ID = ?"_s, Change::None);
        row(u"column"_s, u"expression beside"_s,
            u"UPDATE Vardelin_Alias SET Name = 'C.Tel9' WHERE ID = ?"_s, Change::None);
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
