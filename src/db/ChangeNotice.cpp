// SPDX-License-Identifier: GPL-3.0-or-later
#include "ChangeNotice.h"

#include "Database.h"

namespace {

// The table each trigger watches, the payload's first part, and the ID it names: a history
// record names its contact, which is what a window shows.
struct Watched {
    QLatin1StringView table;
    QLatin1StringView kind;
    QLatin1StringView id;
};
constexpr Watched watched[] = {
    {QLatin1StringView("Vardelin_Contact"), QLatin1StringView("contact"), QLatin1StringView("ID")},
    {QLatin1StringView("Vardelin_Type"), QLatin1StringView("group"), QLatin1StringView("ID")},
    {QLatin1StringView("Vardelin_History"), QLatin1StringView("history"), QLatin1StringView("CID")},
};

QString triggerName(const Watched& table)
{
    return QStringLiteral("Notify_") + table.table.mid(9) + QStringLiteral("Changed");
}

} // namespace

QStringList ChangeNotice::triggerNames()
{
    QStringList names;
    for (const Watched& table : watched)
        names << triggerName(table);
    return names;
}

Status ChangeNotice::createTriggers(const Database& db)
{
    if (db.backend() == Backend::File)
        return {};
    for (const Watched& table : watched) {
        // NEW is null when a row is deleted, OLD when one is added. The notification goes out
        // at the commit, and not at all when the transaction is rolled back; the same payload
        // twice in one transaction goes out once.
        const QString body =
            QStringLiteral("PERFORM pg_notify('%1', '%2:' || coalesce(NEW.%3, OLD.%3))")
                .arg(channel, table.kind, table.id);
        for (const QString& statement : SqlDialect::createTrigger(
                 db.backend(), triggerName(table),
                 QStringLiteral("AFTER INSERT OR UPDATE OR DELETE"), table.table, body)) {
            if (Status done = db.exec(statement); !done)
                return done;
        }
    }
    return {};
}

ChangeNotice::Refresh ChangeNotice::refreshFor(const QStringList& payloads, qint64 shownContactId)
{
    Refresh refresh;
    for (const QString& payload : payloads) {
        const QString kind = payload.section(u':', 0, 0);
        bool numbered = false;
        const qint64 id = payload.section(u':', 1).toLongLong(&numbered);
        if (kind == QLatin1StringView("contact") && numbered) {
            refresh.list = true;
            // A changed or deleted contact takes its records with it.
            refresh.history = refresh.history || id == shownContactId;
        } else if (kind == QLatin1StringView("group") && numbered) {
            // The list shows each contact's group name.
            refresh.groups = refresh.list = true;
        } else if (kind == QLatin1StringView("history") && numbered) {
            refresh.history = refresh.history || id == shownContactId;
        } else {
            return {true, true, true};
        }
    }
    return refresh;
}
