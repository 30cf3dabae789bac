// SPDX-License-Identifier: GPL-3.0-or-later
#include "FileSearchCopy.h"

#include "db/Database.h"
#include "db/SqliteStatement.h"

#include <sqlite3.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <unordered_map>
#include <unordered_set>

namespace {

struct FileCopy {
    SearchCopy::Copy rows;
    // The IDs of rows this connection has written since they were last read, as SQLite's
    // update hook reports them (triggers' writes included).
    std::unordered_set<qint64> written;
    // Set once written holds so many rows that the whole table will be read again anyway; the
    // rows are no longer kept (an import writes tens of thousands).
    bool manyWritten = false;
    bool read = false;
    // What the file was when whole was read: another connection's commit moves data_version,
    // a table dropped and made again (which no row write reports) moves schema_version.
    qint64 dataVersion = -1;
    qint64 schemaVersion = -1;
};

constexpr std::string_view tableName = "Vardelin_Search";

void noteWrite(void* copy, int, const char* database, const char* table, sqlite3_int64 rowId)
{
    if (std::strcmp(database, "main") != 0 || table != tableName)
        return;
    auto& noted = *static_cast<FileCopy*>(copy);
    if (noted.manyWritten)
        return;
    noted.written.insert(rowId);
    if (noted.rows.wholeIsQuicker(noted.written.size())) {
        noted.manyWritten = true;
        noted.written = {};
    }
}

// A rollback undoes writes without reporting them again: rows the copy read inside the
// transaction may be gone, so the whole table is read at the next search.
void noteRollback(void* copy)
{
    auto& noted = *static_cast<FileCopy*>(copy);
    noted.manyWritten = true;
    noted.written = {};
}

// One copy per open connection. SQLite calls forget() when the connection closes, so a
// connection opened later at the same address never finds a copy of another file.
std::unordered_map<sqlite3*, std::unique_ptr<FileCopy>>& copies()
{
    static std::unordered_map<sqlite3*, std::unique_ptr<FileCopy>> all;
    return all;
}

void forget(void* handle)
{
    copies().erase(static_cast<sqlite3*>(handle));
}

void unusedFunction(sqlite3_context* context, int, sqlite3_value**)
{
    sqlite3_result_null(context);
}

Result<qint64> pragmaValue(const Database& db, const QString& statement)
{
    auto prepared = SqliteStatement::prepare(db, statement, {});
    if (!prepared)
        return prepared.error();
    if (!prepared.value().step())
        return prepared.value().error().error();
    return prepared.value().integer(0);
}

Result<FileCopy*> copyOf(const Database& db)
{
    sqlite3* handle = SqliteStatement::handleOf(db);
    if (!handle)
        return DbError::fromSqlite(SqliteCode::Misuse, QStringLiteral("no open database"));
    auto& all = copies();
    auto found = all.find(handle);
    if (found == all.end()) {
        // The function's only purpose is its destructor, called as the connection closes.
        const int code =
            sqlite3_create_function_v2(handle, "vardelin_search_copy", 0, SQLITE_UTF8, handle,
                                       unusedFunction, nullptr, nullptr, forget);
        if (code != SQLITE_OK)
            return DbError::fromSqlite(code, QString::fromUtf8(sqlite3_errmsg(handle)));
        found = all.emplace(handle, std::make_unique<FileCopy>()).first;
        sqlite3_update_hook(handle, noteWrite, found->second.get());
        sqlite3_rollback_hook(handle, noteRollback, found->second.get());
    }
    return found->second.get();
}

} // namespace

Result<const SearchCopy::Copy*> FileSearchCopy::current(const Database& db)
{
    auto found = copyOf(db);
    if (!found)
        return found.error();
    FileCopy& copy = *found.value();
    auto version = pragmaValue(db, QStringLiteral("PRAGMA data_version"));
    if (!version)
        return version.error();
    auto schema = pragmaValue(db, QStringLiteral("PRAGMA schema_version"));
    if (!schema)
        return schema.error();
    Status done;
    if (!copy.read || copy.dataVersion != version.value() || copy.schemaVersion != schema.value() ||
        copy.manyWritten || copy.rows.wholeIsQuicker(copy.written.size())) {
        copy.dataVersion = version.value();
        copy.schemaVersion = schema.value();
        copy.written.clear();
        copy.manyWritten = false;
        done = SearchCopy::readWhole(db, copy.rows);
    } else if (!copy.written.empty()) {
        std::vector<qint64> written(copy.written.begin(), copy.written.end());
        std::sort(written.begin(), written.end());
        done = SearchCopy::readAgain(db, copy.rows, written);
        copy.written.clear();
    }
    copy.read = bool(done);
    if (!done)
        return done.error();
    return &copy.rows;
}
