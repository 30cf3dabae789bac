// SPDX-License-Identifier: GPL-3.0-or-later
#include "SearchTable.h"

#include "Database.h"
#include "SearchLog.h"

namespace {

// The contact fields a keyword is looked for in, as Text holds them; the group's name is
// looked up through TID.
const QStringList textFields{
    QStringLiteral("Name"),    QStringLiteral("CompanyName"), QStringLiteral("Tel1"),
    QStringLiteral("Tel2"),    QStringLiteral("Tel3"),        QStringLiteral("Moblie1"),
    QStringLiteral("Moblie2"), QStringLiteral("Moblie3"),
};

// lower() folds ASCII letters only, as LIKE compares them; the server's lower() would fold
// every script, so it is told the 26 letters.
QString textOf(Backend backend, const QString& row)
{
    const QString fold = backend == Backend::File ? QStringLiteral("lower(coalesce(%1.%2, ''))")
                                                  : QStringLiteral("translate(coalesce(%1.%2, ''), "
                                                                   "'ABCDEFGHIJKLMNOPQRSTUVWXYZ', "
                                                                   "'abcdefghijklmnopqrstuvwxyz')");
    QStringList parts;
    for (const QString& field : textFields)
        parts << fold.arg(row, field);
    return parts.join(backend == Backend::File ? QStringLiteral(" || char(31) || ")
                                               : QStringLiteral(" || chr(31) || "));
}

// A row replaced comes back without what only the program computes.
QString insertRowOf(Backend backend, const QString& row)
{
    if (backend == Backend::Server)
        return QStringLiteral("INSERT INTO Vardelin_Search (ID, TID, Text) VALUES (%1.ID, %1.TID, "
                              "%2) ON CONFLICT (ID) DO UPDATE SET TID = excluded.TID, Text = "
                              "excluded.Text, Spelling = NULL, Initials = NULL, Digits = NULL")
            .arg(row, textOf(backend, row));
    return QStringLiteral("INSERT OR REPLACE INTO Vardelin_Search (ID, TID, Text) VALUES "
                          "(%1.ID, %1.TID, %2)")
        .arg(row, textOf(backend, row));
}

const QString insertTrigger = QStringLiteral("Search_Insert");
const QString contacts = QStringLiteral("Vardelin_Contact");

QStringList insertTriggerStatements(Backend backend)
{
    return SqlDialect::createTrigger(backend, insertTrigger, QStringLiteral("AFTER INSERT"),
                                     contacts, insertRowOf(backend, QStringLiteral("NEW")));
}

QStringList triggerStatements(Backend backend)
{
    return insertTriggerStatements(backend) +
           // A new row with NULL Spelling, Initials and Digits: SearchIndex::refresh fills them.
           SqlDialect::createTrigger(backend, QStringLiteral("Search_Update"),
                                     QStringLiteral("AFTER UPDATE OF ID, Name, CompanyName, Tel1, "
                                                    "Tel2, Tel3, Moblie1, Moblie2, Moblie3"),
                                     contacts,
                                     QStringLiteral("DELETE FROM Vardelin_Search WHERE ID = "
                                                    "OLD.ID; ") +
                                         insertRowOf(backend, QStringLiteral("NEW"))) +
           // A move keeps what was computed: it changes nothing the search compares.
           SqlDialect::createTrigger(
               backend, QStringLiteral("Search_Move"), QStringLiteral("AFTER UPDATE OF TID"),
               contacts,
               QStringLiteral("UPDATE Vardelin_Search SET TID = NEW.TID WHERE ID = NEW.ID")) +
           SqlDialect::createTrigger(backend, QStringLiteral("Search_Delete"),
                                     QStringLiteral("AFTER DELETE"), contacts,
                                     QStringLiteral("DELETE FROM Vardelin_Search WHERE ID = "
                                                    "OLD.ID"));
}

} // namespace

QStringList SearchTable::createStatements(Backend backend)
{
    QStringList statements{
        SqlDialect::createTable(
            backend,
            QStringLiteral("CREATE TABLE Vardelin_Search (ID INTEGER PRIMARY KEY, TID INTEGER, "
                           "Text TEXT NOT NULL, Spelling TEXT, Initials TEXT, Digits TEXT)")),
        // Finds the rows still to fill without a scan; empty once they are filled.
        QStringLiteral("CREATE INDEX Search_Unfilled ON Vardelin_Search (ID) "
                       "WHERE Spelling IS NULL"),
    };
    return statements + triggerStatements(backend) + SearchLog::createStatements(backend);
}

Status SearchTable::withoutInsertTrigger(const Database& db, const std::function<Status()>& work)
{
    // On a server, dropping the trigger would lock the contacts against every colleague's read
    // until the commit: the trigger's rows stay, and the whole rows replace them.
    if (db.backend() == Backend::Server)
        return work();
    // Dropping and creating a trigger are part of the caller's transaction: a rollback puts
    // the trigger back as it was, and no other connection sees the file without it.
    if (Status dropped = db.exec(SqlDialect::dropTrigger(db.backend(), insertTrigger, contacts));
        !dropped)
        return dropped;
    const Status worked = work();
    Status restored;
    for (const QString& statement : insertTriggerStatements(db.backend())) {
        if (restored)
            restored = db.exec(statement);
    }
    return worked ? restored : worked;
}

QString SearchTable::wholeRowStatement(Backend backend)
{
    const QString columns = QStringLiteral("Vardelin_Search (ID, TID, Text, Spelling, Initials, "
                                           "Digits) SELECT C.ID, C.TID, ") +
                            textOf(backend, QStringLiteral("C"));
    const QString from = QStringLiteral(" FROM Vardelin_Contact C WHERE C.ID = ?");
    if (backend == Backend::File)
        return QStringLiteral("INSERT OR REPLACE INTO ") + columns + QStringLiteral(", ?, ?, ?") +
               from;
    // The server infers no type for a bare parameter in a SELECT list.
    return QStringLiteral("INSERT INTO ") + columns +
           QStringLiteral(", CAST(? AS text), CAST(? AS text), CAST(? AS text)") + from +
           QStringLiteral(" ON CONFLICT (ID) DO UPDATE SET TID = excluded.TID, Text = "
                          "excluded.Text, Spelling = excluded.Spelling, Initials = "
                          "excluded.Initials, Digits = excluded.Digits");
}

const QStringList& SearchTable::triggerNames()
{
    static const QStringList names{insertTrigger, QStringLiteral("Search_Update"),
                                   QStringLiteral("Search_Move"), QStringLiteral("Search_Delete")};
    return names;
}

Status SearchTable::addTo(const Database& db)
{
    // A file stamped with an earlier layout may still hold a table of a later one: it is built
    // anew.
    QStringList statements{QStringLiteral("DROP TABLE IF EXISTS Vardelin_Search")};
    for (const QString& trigger : triggerNames())
        statements << SqlDialect::dropTrigger(db.backend(), trigger, contacts);
    statements << createStatements(db.backend());
    statements << QStringLiteral("INSERT INTO Vardelin_Search (ID, TID, Text) SELECT C.ID, "
                                 "C.TID, ") +
                      textOf(db.backend(), QStringLiteral("C")) +
                      QStringLiteral(" FROM Vardelin_Contact C ORDER BY C.ID");
    for (const QString& statement : statements) {
        if (Status done = db.exec(statement); !done)
            return done;
    }
    return SearchLog::markWhole(db);
}
