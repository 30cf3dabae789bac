// SPDX-License-Identifier: GPL-3.0-or-later
#include "SearchStructure.h"

#include "ContactListQuery.h"
#include "FileSearchCopy.h"
#include "ServerSearchCopy.h"

#include "db/RowStatement.h"

#include <algorithm>
#include <string>
#include <string_view>
#include <unordered_set>

using SearchCopy::Copy;
using SearchCopy::PackedField;
using SearchCopy::Rows;

namespace {

Result<const Copy*> currentCopy(const Database& db)
{
    return db.backend() == Backend::Server ? ServerSearchCopy::current(db)
                                           : FileSearchCopy::current(db);
}

// ASCII letters in lower case, as SQLite's lower() gives Text.
std::string foldedUtf8(std::string_view text)
{
    std::string folded(text);
    for (char& c : folded) {
        if (c >= 'A' && c <= 'Z')
            c = char(c + ('a' - 'A'));
    }
    return folded;
}

// The groups whose name holds keyword, ASCII letters in either case, as the list's statement
// compares a name. Compared here rather than by the database: a server's LIKE minds the case.
Result<std::unordered_set<qint64>> matchingGroups(const Database& db, const std::string& folded)
{
    std::unordered_set<qint64> groups;
    const Status read = RowStatements::forEachRow(
        db, QStringLiteral("SELECT ID, Name FROM Vardelin_Type"), {}, [&](const auto& row) {
            if (foldedUtf8(row.text(1)).find(folded) != std::string::npos)
                groups.insert(row.integer(0));
        });
    if (!read)
        return read.error();
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
    const std::string folded = foldedUtf8(keyword.toStdString());
    auto groups = matchingGroups(db, folded);
    if (!groups)
        return groups.error();
    const Needles needles{folded, ContactListQuery::pinyinKeyword(keyword).toStdString(),
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
