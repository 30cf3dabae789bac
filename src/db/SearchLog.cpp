// SPDX-License-Identifier: GPL-3.0-or-later
#include "SearchLog.h"

#include "Database.h"

namespace {

// How many transactions back the log reaches, and how often a statement lets the older entries
// go: a reader further behind reads the table whole, which then costs no more than catching up
// would. No sequence numbers the entries: a trigger's nextval() would become the session's
// lastval(), which is how an insert learns the ID it was given.
constexpr int transactionsKept = 100000;
constexpr double pruneShare = 0.001;

// The triggers on the search table, their event and the transition table of the rows the
// statement wrote.
struct Logged {
    QLatin1StringView name;
    QLatin1StringView event;
    QLatin1StringView rows;
};
constexpr Logged logged[] = {
    {QLatin1StringView("SearchLog_Insert"), QLatin1StringView("INSERT"),
     QLatin1StringView("NEW TABLE AS Written")},
    {QLatin1StringView("SearchLog_Update"), QLatin1StringView("UPDATE"),
     QLatin1StringView("NEW TABLE AS Written")},
    {QLatin1StringView("SearchLog_Delete"), QLatin1StringView("DELETE"),
     QLatin1StringView("OLD TABLE AS Written")},
};
// Not listed by the server's information_schema, so made again each time with the others.
const QString truncateTrigger = QStringLiteral("SearchLog_Truncate");
const QString lostTrigger = QStringLiteral("SearchLog_Lost");
const QString emptiedTrigger = QStringLiteral("SearchLog_Emptied");

// Once per statement, not per row: an import writes one statement a contact, a rebuild one for
// all.
QString loggedFunction()
{
    return QStringLiteral(
               "CREATE OR REPLACE FUNCTION vardelin_search_logged() RETURNS trigger "
               "LANGUAGE plpgsql AS $body$ BEGIN "
               "IF TG_OP = 'TRUNCATE' THEN "
               "INSERT INTO Vardelin_SearchLog (ID) VALUES (%1); RETURN NULL; END IF; "
               "INSERT INTO Vardelin_SearchLog (ID) SELECT ID FROM Written; "
               "IF random() < %2 THEN DELETE FROM Vardelin_SearchLog WHERE Xid < CAST(CAST("
               "CAST(CAST(pg_current_xact_id() AS text) AS bigint) - %3 AS text) AS xid8); "
               "END IF; RETURN NULL; END $body$")
        .arg(SearchLog::readWhole)
        .arg(pruneShare)
        .arg(transactionsKept);
}

// Entries deleted (let go, or by anyone) leave a mark as new as the newest of them: a reader
// that might not have seen them reads the table whole. An emptied log marks it as new as the
// transaction that emptied it.
QString lostFunction()
{
    return QStringLiteral("CREATE OR REPLACE FUNCTION vardelin_search_log_lost() RETURNS trigger "
                          "LANGUAGE plpgsql AS $body$ BEGIN "
                          "IF TG_OP = 'TRUNCATE' THEN "
                          "INSERT INTO Vardelin_SearchLog (ID) VALUES (%1); "
                          "ELSE INSERT INTO Vardelin_SearchLog (ID, Xid) SELECT %1, Xid FROM "
                          "Gone ORDER BY Xid DESC LIMIT 1; END IF; "
                          "RETURN NULL; END $body$")
        .arg(SearchLog::readWhole);
}

QString trigger(const QString& name, const QString& event, const QString& table,
                const QString& rows, const QString& function)
{
    return QStringLiteral("CREATE OR REPLACE TRIGGER %1 AFTER %2 ON %3 %4 FOR EACH STATEMENT "
                          "EXECUTE FUNCTION %5()")
        .arg(name, event, table, rows.isEmpty() ? QString() : QStringLiteral("REFERENCING ") + rows,
             function);
}

} // namespace

QStringList SearchLog::names()
{
    QStringList all{QStringLiteral("Vardelin_SearchLog"), lostTrigger};
    for (const Logged& trigger : logged)
        all << trigger.name;
    return all;
}

QStringList SearchLog::createStatements(Backend backend)
{
    if (backend == Backend::File)
        return {};
    const QString searchTable = QStringLiteral("Vardelin_Search");
    const QString logTable = QStringLiteral("Vardelin_SearchLog");
    QStringList statements{
        QStringLiteral("CREATE TABLE IF NOT EXISTS Vardelin_SearchLog (Xid xid8 NOT NULL DEFAULT "
                       "pg_current_xact_id(), ID BIGINT NOT NULL)"),
        QStringLiteral("CREATE INDEX IF NOT EXISTS SearchLog_Xid ON Vardelin_SearchLog (Xid)"),
        loggedFunction(),
        lostFunction(),
        trigger(truncateTrigger, QStringLiteral("TRUNCATE"), searchTable, {},
                QStringLiteral("vardelin_search_logged")),
        trigger(lostTrigger, QStringLiteral("DELETE"), logTable,
                QStringLiteral("OLD TABLE AS Gone"), QStringLiteral("vardelin_search_log_lost")),
        trigger(emptiedTrigger, QStringLiteral("TRUNCATE"), logTable, {},
                QStringLiteral("vardelin_search_log_lost")),
    };
    for (const Logged& logs : logged) {
        statements << trigger(logs.name, logs.event, searchTable, logs.rows,
                              QStringLiteral("vardelin_search_logged"));
    }
    return statements;
}

Status SearchLog::markWhole(const Database& db)
{
    if (db.backend() == Backend::File)
        return {};
    return db.exec(QStringLiteral("INSERT INTO Vardelin_SearchLog (ID) VALUES (?)"), {readWhole});
}
