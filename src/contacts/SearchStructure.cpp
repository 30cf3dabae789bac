// SPDX-License-Identifier: GPL-3.0-or-later
#include "SearchStructure.h"

#include "ContactListQuery.h"
#include "IdBatches.h"

#include "db/Database.h"
#include "db/SqliteStatement.h"

#include <sqlite3.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

namespace {

// Between records, and between the fields of Text: a keyword the structure serves never holds
// it, so no match runs from one record into the next.
constexpr char recordSeparator = 0x1F;

// One field kind of every row, end to end, with where each row's part ends.
struct PackedField {
    std::string bytes;
    std::vector<std::uint32_t> ends;

    void append(std::string_view value)
    {
        bytes.append(value);
        bytes.push_back(recordSeparator);
        ends.push_back(std::uint32_t(bytes.size()));
    }
    std::string_view of(std::size_t row) const
    {
        const std::uint32_t start = row == 0 ? 0 : ends[row - 1];
        return std::string_view(bytes).substr(start, ends[row] - 1 - start);
    }
    // Marks every row whose part holds needle; memmem runs over the whole text at once.
    void markHolding(std::string_view needle, std::vector<bool>& hit) const
    {
        const char* begin = bytes.data();
        const char* end = begin + bytes.size();
        const char* from = begin;
        while (from < end) {
            const void* found =
                ::memmem(from, std::size_t(end - from), needle.data(), needle.size());
            if (!found)
                return;
            const auto offset = std::uint32_t(static_cast<const char*>(found) - begin);
            const std::size_t row =
                std::size_t(std::upper_bound(ends.begin(), ends.end(), offset) - ends.begin());
            hit[row] = true;
            from = begin + ends[row];
        }
    }
    void squeeze()
    {
        bytes.shrink_to_fit();
        ends.shrink_to_fit();
    }
};

// Rows of Vardelin_Search, ascending by ID.
struct Rows {
    std::vector<qint64> ids;
    std::vector<qint64> groupIds;
    PackedField text;
    PackedField spelling;
    PackedField initials;
    PackedField digits;

    std::size_t size() const { return ids.size(); }
    void append(SqliteStatement& row)
    {
        ids.push_back(row.integer(0));
        groupIds.push_back(row.integer(1));
        text.append(row.text(2));
        spelling.append(row.text(3));
        initials.append(row.text(4));
        digits.append(row.text(5));
    }
    void squeeze()
    {
        for (PackedField* field : {&text, &spelling, &initials, &digits})
            field->squeeze();
        ids.shrink_to_fit();
        groupIds.shrink_to_fit();
    }
};

// The copy is the table as read whole, less the rows changed since (gone), plus those rows as
// they are now (changed). A save touches one row: reading that row again costs a fraction of
// a millisecond where reading the whole table costs 40 at 100,000 contacts.
struct Copy {
    Rows whole;
    std::vector<char> gone; // per row of whole
    Rows changed;
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

// Beyond this share of changed rows, reading the whole table again is as quick.
constexpr std::size_t wholeReadShare = 8;

constexpr std::string_view tableName = "Vardelin_Search";

void noteWrite(void* copy, int, const char* database, const char* table, sqlite3_int64 rowId)
{
    if (std::strcmp(database, "main") != 0 || table != tableName)
        return;
    auto& noted = *static_cast<Copy*>(copy);
    if (noted.manyWritten)
        return;
    noted.written.insert(rowId);
    if ((noted.written.size() + noted.changed.size()) * wholeReadShare > noted.whole.size()) {
        noted.manyWritten = true;
        noted.written = {};
    }
}

// A rollback undoes writes without reporting them again: rows the copy read inside the
// transaction may be gone, so the whole table is read at the next search.
void noteRollback(void* copy)
{
    auto& noted = *static_cast<Copy*>(copy);
    noted.manyWritten = true;
    noted.written = {};
}

// One copy per open connection. SQLite calls forget() when the connection closes, so a
// connection opened later at the same address never finds a copy of another file.
std::unordered_map<sqlite3*, std::unique_ptr<Copy>>& copies()
{
    static std::unordered_map<sqlite3*, std::unique_ptr<Copy>> all;
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

const QString rowsSql =
    QStringLiteral("SELECT ID, TID, Text, Spelling, Initials, Digits FROM Vardelin_Search");

Status readWhole(const Database& db, Copy& copy)
{
    copy.written.clear();
    copy.manyWritten = false;
    auto rows = SqliteStatement::prepare(db, rowsSql + QStringLiteral(" ORDER BY ID"), {});
    if (!rows)
        return rows.error();
    Rows fresh;
    while (rows.value().step())
        fresh.append(rows.value());
    if (Status ended = rows.value().error(); !ended)
        return ended;
    fresh.squeeze();
    copy.whole = std::move(fresh);
    copy.gone.assign(copy.whole.size(), 0);
    copy.changed = {};
    return {};
}

// Reads the written rows again: their earlier form leaves whole or changed, what the table
// holds of them now joins changed.
Status readWritten(const Database& db, Copy& copy)
{
    std::vector<qint64> written(copy.written.begin(), copy.written.end());
    std::sort(written.begin(), written.end());
    for (qint64 id : written) {
        const auto at = std::lower_bound(copy.whole.ids.begin(), copy.whole.ids.end(), id);
        if (at != copy.whole.ids.end() && *at == id)
            copy.gone[std::size_t(at - copy.whole.ids.begin())] = 1;
    }
    // The rows changed before and not written since stay, with those read now, in ID order.
    std::vector<qint64> keep;
    for (qint64 id : copy.changed.ids) {
        if (!std::binary_search(written.begin(), written.end(), id))
            keep.push_back(id);
    }
    std::vector<qint64> wanted;
    std::merge(keep.begin(), keep.end(), written.begin(), written.end(),
               std::back_inserter(wanted));
    Rows fresh;
    const Status read =
        IdBatches::forEach(wanted, [&](const QString& marks, const QVariantList& ids) {
            auto rows = SqliteStatement::prepare(db,
                                                 rowsSql + QStringLiteral(" WHERE ID IN ") + marks +
                                                     QStringLiteral(" ORDER BY ID"),
                                                 ids);
            if (!rows)
                return Status{rows.error()};
            while (rows.value().step())
                fresh.append(rows.value());
            return rows.value().error();
        });
    if (!read)
        return read;
    copy.changed = std::move(fresh);
    copy.written.clear();
    return {};
}

// The connection's copy, brought up to date with the file.
Result<const Copy*> currentCopy(const Database& db)
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
        found = all.emplace(handle, std::make_unique<Copy>()).first;
        sqlite3_update_hook(handle, noteWrite, found->second.get());
        sqlite3_rollback_hook(handle, noteRollback, found->second.get());
    }
    Copy& copy = *found->second;
    auto version = pragmaValue(db, QStringLiteral("PRAGMA data_version"));
    if (!version)
        return version.error();
    auto schema = pragmaValue(db, QStringLiteral("PRAGMA schema_version"));
    if (!schema)
        return schema.error();
    const bool many =
        copy.manyWritten ||
        (copy.written.size() + copy.changed.size()) * wholeReadShare > copy.whole.size();
    Status done;
    if (!copy.read || copy.dataVersion != version.value() || copy.schemaVersion != schema.value() ||
        many) {
        copy.dataVersion = version.value();
        copy.schemaVersion = schema.value();
        done = readWhole(db, copy);
    } else if (!copy.written.empty()) {
        done = readWritten(db, copy);
    }
    copy.read = bool(done);
    if (!done)
        return done.error();
    return &copy;
}

// ASCII letters in lower case, as SQLite's lower() gives Text.
std::string foldedUtf8(const QString& keyword)
{
    std::string folded = keyword.toStdString();
    for (char& c : folded) {
        if (c >= 'A' && c <= 'Z')
            c = char(c + ('a' - 'A'));
    }
    return folded;
}

Result<std::unordered_set<qint64>> matchingGroups(const Database& db, const QString& keyword)
{
    const ContactListStatement statement = ContactListQuery::buildGroupMatches(keyword);
    auto rows = SqliteStatement::prepare(db, statement.sql, statement.values);
    if (!rows)
        return rows.error();
    std::unordered_set<qint64> groups;
    while (rows.value().step())
        groups.insert(rows.value().integer(0));
    if (Status ended = rows.value().error(); !ended)
        return ended.error();
    return groups;
}

void markStartingWith(const PackedField& field, std::string_view letters, std::vector<bool>& hit)
{
    for (std::size_t row = 0; row < hit.size(); ++row) {
        if (!hit[row] && field.of(row).starts_with(letters))
            hit[row] = true;
    }
}

// What a keyword is looked for as: the text, letters of a name's pinyin, a number's digits
// (each empty when the keyword is not of that kind), and the groups whose name holds it.
struct Needles {
    std::string text;
    std::string letters;
    std::string digits;
    const std::unordered_set<qint64>& groups;
};

// The IDs of rows that match, ascending, leaving out those marked in skipped.
std::vector<qint64> idsMatching(const Rows& rows, const Needles& needles,
                                const std::vector<char>* skipped)
{
    std::vector<bool> hit(rows.size(), false);
    rows.text.markHolding(needles.text, hit);
    if (!needles.groups.empty()) {
        for (std::size_t row = 0; row < hit.size(); ++row)
            hit[row] = hit[row] || needles.groups.contains(rows.groupIds[row]);
    }
    if (!needles.letters.empty()) {
        markStartingWith(rows.spelling, needles.letters, hit);
        markStartingWith(rows.initials, needles.letters, hit);
    }
    if (!needles.digits.empty())
        rows.digits.markHolding(needles.digits, hit);
    std::vector<qint64> ids;
    for (std::size_t row = 0; row < hit.size(); ++row) {
        if (hit[row] && !(skipped && (*skipped)[row]))
            ids.push_back(rows.ids[row]);
    }
    return ids;
}

} // namespace

Result<std::vector<qint64>> SearchStructure::matches(const Database& db, const QString& keyword)
{
    auto current = currentCopy(db);
    if (!current)
        return current.error();
    const Copy& copy = *current.value();
    auto groups = matchingGroups(db, keyword);
    if (!groups)
        return groups.error();
    const Needles needles{foldedUtf8(keyword),
                          ContactListQuery::pinyinKeyword(keyword).toStdString(),
                          ContactListQuery::numberKeyword(keyword).toStdString(), groups.value()};
    std::vector<qint64> found = idsMatching(copy.whole, needles, &copy.gone);
    if (copy.changed.size() == 0)
        return found;
    const std::vector<qint64> changed = idsMatching(copy.changed, needles, nullptr);
    std::vector<qint64> ids;
    ids.reserve(found.size() + changed.size());
    std::merge(found.begin(), found.end(), changed.begin(), changed.end(), std::back_inserter(ids));
    return ids;
}

Status SearchStructure::prepare(const Database& db)
{
    auto current = currentCopy(db);
    return current ? Status{} : Status{current.error()};
}
