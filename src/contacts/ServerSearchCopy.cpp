// SPDX-License-Identifier: GPL-3.0-or-later
#include "ServerSearchCopy.h"

#include "db/Database.h"
#include "db/LibPq.h"
#include "db/SearchLog.h"
#include "db/ServerRows.h"

#include <algorithm>
#include <memory>
#include <mutex>
#include <optional>
#include <unordered_map>

namespace {

struct ServerCopy {
    SearchCopy::Copy rows;
    bool read = false;
    // The oldest transaction still running when the copy was last brought up to date: every
    // write the copy has not seen is logged with that transaction's ID or a later one.
    qint64 oldestRunning = 0;
    // Read inside a transaction, which may have been rolled back since.
    bool readInTransaction = false;
};

// One copy per open connection, let go when libpq closes it; a sync's thread closes its own.
struct Copies {
    std::mutex guard;
    std::unordered_map<pg_conn*, std::unique_ptr<ServerCopy>> byConnection;
};
Copies& copies()
{
    static Copies all;
    return all;
}

int forgetOnClose(PGEventId event, void* info, void*)
{
    if (event == PGEVT_CONNDESTROY) {
        Copies& all = copies();
        const std::lock_guard lock(all.guard);
        all.byConnection.erase(static_cast<PGEventConnDestroy*>(info)->conn);
    }
    return 1;
}

Result<ServerCopy*> copyOf(const Database& db)
{
    pg_conn* connection = ServerRows::handleOf(db);
    if (!connection)
        return ServerRows::noConnection();
    Copies& all = copies();
    const std::lock_guard lock(all.guard);
    auto found = all.byConnection.find(connection);
    if (found == all.byConnection.end()) {
        if (!LibPq::get()->registerEventProc(connection, forgetOnClose, "vardelin search copy",
                                             nullptr))
            return DbError::fromSqlite(SqliteCode::Error,
                                       QStringLiteral("cannot follow the server connection"));
        found = all.byConnection.emplace(connection, std::make_unique<ServerCopy>()).first;
    }
    return found->second.get();
}

const QString oldestRunning =
    QStringLiteral("CAST(pg_snapshot_xmin(pg_current_snapshot()) AS text)");

// The oldest running transaction first, then the table: a write committed in between is read
// with the table and again from the log, which does no harm.
Status readWhole(const Database& db, ServerCopy& copy)
{
    qint64 oldest = 0;
    const Status noted =
        ServerRows::forEach(db, QStringLiteral("SELECT ") + oldestRunning, {},
                            [&oldest](const ServerRows& row) { oldest = row.integer(0); });
    if (!noted)
        return noted;
    if (Status read = SearchCopy::readWhole(db, copy.rows); !read)
        return read;
    copy.oldestRunning = oldest;
    return {};
}

// The IDs written since the copy was brought up to date, ascending, with the oldest
// transaction running now; nothing when the table is to be read whole.
struct Written {
    std::vector<qint64> ids;
    qint64 oldestRunning = 0;
};
Result<std::optional<Written>> writtenSince(const Database& db, const ServerCopy& copy)
{
    // One ID more than reading again is worth: past it the table is read whole anyway. One
    // statement, so that the oldest running transaction is that of the entries' snapshot; its
    // one row without an ID when there are none.
    const std::size_t worthReading = copy.rows.whole.size() / 8 + 1;
    Written written;
    bool markedWhole = false;
    const Status read = ServerRows::forEach(
        db,
        QStringLiteral("SELECT %1, Written.ID FROM (SELECT 1) AS One LEFT JOIN (SELECT DISTINCT "
                       "ID FROM Vardelin_SearchLog WHERE Xid >= CAST(? AS xid8) LIMIT ?) AS "
                       "Written ON true ORDER BY Written.ID")
            .arg(oldestRunning),
        {copy.oldestRunning, qint64(worthReading + 1)}, [&](const ServerRows& row) {
            written.oldestRunning = row.integer(0);
            if (row.text(1).empty())
                return;
            written.ids.push_back(row.integer(1));
            markedWhole = markedWhole || row.integer(1) == SearchLog::readWhole;
        });
    if (!read)
        return read.error();
    if (markedWhole || copy.rows.wholeIsQuicker(written.ids.size()))
        return std::optional<Written>();
    return std::optional<Written>(std::move(written));
}

Status bringUpToDate(const Database& db, ServerCopy& copy)
{
    if (!copy.read || copy.readInTransaction)
        return readWhole(db, copy);
    auto written = writtenSince(db, copy);
    if (!written)
        return written.error();
    if (!written.value())
        return readWhole(db, copy);
    if (!written.value()->ids.empty()) {
        if (Status read = SearchCopy::readAgain(db, copy.rows, written.value()->ids); !read)
            return read;
    }
    copy.oldestRunning = written.value()->oldestRunning;
    return {};
}

} // namespace

Result<const SearchCopy::Copy*> ServerSearchCopy::current(const Database& db)
{
    auto found = copyOf(db);
    if (!found)
        return found.error();
    ServerCopy& copy = *found.value();
    const bool inTransaction =
        LibPq::get()->transactionStatus(ServerRows::handleOf(db)) != PQTRANS_IDLE;
    const Status done = bringUpToDate(db, copy);
    copy.read = bool(done);
    copy.readInTransaction = inTransaction;
    if (!done)
        return done.error();
    return &copy.rows;
}
