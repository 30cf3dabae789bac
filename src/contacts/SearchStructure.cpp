// SPDX-License-Identifier: GPL-3.0-or-later
#include "SearchStructure.h"

#include "ContactListQuery.h"

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

struct Copy {
    std::vector<qint64> ids;
    std::vector<qint64> groupIds;
    PackedField text;
    PackedField spelling;
    PackedField initials;
    PackedField digits;
    // What the file was when the copy was read.
    sqlite3_int64 totalChanges = -1;
    qint64 dataVersion = -1;
};

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

Result<qint64> dataVersion(const Database& db)
{
    auto statement = SqliteStatement::prepare(db, QStringLiteral("PRAGMA data_version"), {});
    if (!statement)
        return statement.error();
    if (!statement.value().step())
        return statement.value().error().error();
    return statement.value().integer(0);
}

Status read(const Database& db, Copy& copy)
{
    auto rows = SqliteStatement::prepare(
        db,
        QStringLiteral("SELECT ID, TID, Text, Spelling, Initials, Digits FROM Vardelin_Search "
                       "ORDER BY ID"),
        {});
    if (!rows)
        return rows.error();
    Copy fresh;
    SqliteStatement& row = rows.value();
    while (row.step()) {
        fresh.ids.push_back(row.integer(0));
        fresh.groupIds.push_back(row.integer(1));
        fresh.text.append(row.text(2));
        fresh.spelling.append(row.text(3));
        fresh.initials.append(row.text(4));
        fresh.digits.append(row.text(5));
    }
    if (Status ended = row.error(); !ended)
        return ended;
    for (PackedField* field : {&fresh.text, &fresh.spelling, &fresh.initials, &fresh.digits})
        field->squeeze();
    fresh.ids.shrink_to_fit();
    fresh.groupIds.shrink_to_fit();
    fresh.totalChanges = copy.totalChanges;
    fresh.dataVersion = copy.dataVersion;
    copy = std::move(fresh);
    return {};
}

// The connection's copy, read again when the file changed since it was read.
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
    }
    Copy& copy = *found->second;
    auto version = dataVersion(db);
    if (!version)
        return version.error();
    const sqlite3_int64 changes = sqlite3_total_changes64(handle);
    if (copy.totalChanges != changes || copy.dataVersion != version.value()) {
        copy.totalChanges = changes;
        copy.dataVersion = version.value();
        if (Status done = read(db, copy); !done) {
            copy.totalChanges = -1;
            return done.error();
        }
    }
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

    std::vector<bool> hit(copy.ids.size(), false);
    copy.text.markHolding(foldedUtf8(keyword), hit);
    if (!groups.value().empty()) {
        for (std::size_t row = 0; row < hit.size(); ++row)
            hit[row] = hit[row] || groups.value().contains(copy.groupIds[row]);
    }
    if (const QString letters = ContactListQuery::pinyinKeyword(keyword); !letters.isEmpty()) {
        const std::string bytes = letters.toStdString();
        markStartingWith(copy.spelling, bytes, hit);
        markStartingWith(copy.initials, bytes, hit);
    }
    if (const QString digits = ContactListQuery::numberKeyword(keyword); !digits.isEmpty())
        copy.digits.markHolding(digits.toStdString(), hit);

    std::vector<qint64> ids;
    for (std::size_t row = 0; row < hit.size(); ++row) {
        if (hit[row])
            ids.push_back(copy.ids[row]);
    }
    return ids;
}

Status SearchStructure::prepare(const Database& db)
{
    auto current = currentCopy(db);
    return current ? Status{} : Status{current.error()};
}
