// SPDX-License-Identifier: GPL-3.0-or-later
#include "SearchTable.h"

#include "Database.h"

namespace {

// The contact fields a keyword is looked for in, as Text holds them; the group's name is
// looked up through TID.
const QStringList textFields{
    QStringLiteral("Name"),    QStringLiteral("CompanyName"), QStringLiteral("Tel1"),
    QStringLiteral("Tel2"),    QStringLiteral("Tel3"),        QStringLiteral("Moblie1"),
    QStringLiteral("Moblie2"), QStringLiteral("Moblie3"),
};

// lower() folds ASCII letters only, as LIKE compares them.
QString textOf(const QString& row)
{
    QStringList parts;
    for (const QString& field : textFields)
        parts << QStringLiteral("lower(coalesce(%1.%2, ''))").arg(row, field);
    return parts.join(QStringLiteral(" || char(31) || "));
}

QString insertRowOf(const QString& row)
{
    return QStringLiteral("INSERT OR REPLACE INTO Vardelin_Search (ID, TID, Text) VALUES "
                          "(%1.ID, %1.TID, %2)")
        .arg(row, textOf(row));
}

const QString insertTrigger = QStringLiteral("Search_Insert");

QString insertTriggerStatement()
{
    return QStringLiteral("CREATE TRIGGER ") + insertTrigger +
           QStringLiteral(" AFTER INSERT ON Vardelin_Contact BEGIN ") +
           insertRowOf(QStringLiteral("NEW")) + QStringLiteral("; END");
}

QStringList triggerStatements()
{
    return {
        insertTriggerStatement(),
        // A new row with NULL Spelling, Initials and Digits: SearchIndex::refresh fills them.
        QStringLiteral("CREATE TRIGGER Search_Update AFTER UPDATE OF ID, Name, CompanyName, Tel1, "
                       "Tel2, Tel3, Moblie1, Moblie2, Moblie3 ON Vardelin_Contact BEGIN "
                       "DELETE FROM Vardelin_Search WHERE ID = OLD.ID; ") +
            insertRowOf(QStringLiteral("NEW")) + QStringLiteral("; END"),
        // A move keeps what was computed: it changes nothing the search compares.
        QStringLiteral("CREATE TRIGGER Search_Move AFTER UPDATE OF TID ON Vardelin_Contact BEGIN "
                       "UPDATE Vardelin_Search SET TID = NEW.TID WHERE ID = NEW.ID; END"),
        QStringLiteral("CREATE TRIGGER Search_Delete AFTER DELETE ON Vardelin_Contact BEGIN "
                       "DELETE FROM Vardelin_Search WHERE ID = OLD.ID; END"),
    };
}

} // namespace

QStringList SearchTable::createStatements()
{
    QStringList statements{
        QStringLiteral("CREATE TABLE Vardelin_Search (ID INTEGER PRIMARY KEY, TID INTEGER, "
                       "Text TEXT NOT NULL, Spelling TEXT, Initials TEXT, Digits TEXT)"),
        // Finds the rows still to fill without a scan; empty once they are filled.
        QStringLiteral("CREATE INDEX Search_Unfilled ON Vardelin_Search (ID) "
                       "WHERE Spelling IS NULL"),
    };
    return statements + triggerStatements();
}

Status SearchTable::withoutInsertTrigger(const Database& db, const std::function<Status()>& work)
{
    // Dropping and creating a trigger are part of the caller's transaction: a rollback puts
    // the trigger back as it was, and no other connection sees the file without it.
    if (Status dropped = db.exec(QStringLiteral("DROP TRIGGER ") + insertTrigger); !dropped)
        return dropped;
    const Status worked = work();
    const Status restored = db.exec(insertTriggerStatement());
    return worked ? restored : worked;
}

QString SearchTable::wholeRowStatement()
{
    return QStringLiteral("INSERT OR REPLACE INTO Vardelin_Search (ID, TID, Text, Spelling, "
                          "Initials, Digits) SELECT C.ID, C.TID, ") +
           textOf(QStringLiteral("C")) +
           QStringLiteral(", ?, ?, ? FROM Vardelin_Contact C WHERE C.ID = ?");
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
        statements << QStringLiteral("DROP TRIGGER IF EXISTS ") + trigger;
    statements << createStatements();
    statements << QStringLiteral("INSERT INTO Vardelin_Search (ID, TID, Text) SELECT C.ID, "
                                 "C.TID, ") +
                      textOf(QStringLiteral("C")) +
                      QStringLiteral(" FROM Vardelin_Contact C ORDER BY C.ID");
    for (const QString& statement : statements) {
        if (Status done = db.exec(statement); !done)
            return done;
    }
    return {};
}
