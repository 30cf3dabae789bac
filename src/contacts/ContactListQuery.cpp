// SPDX-License-Identifier: GPL-3.0-or-later
#include "ContactListQuery.h"

#include "PhoneDigits.h"

#include "db/SearchTable.h"
#include "db/Session.h"
#include "groups/GroupTree.h"

#include <QStringList>

#include <algorithm>

namespace {

// The fields a keyword is looked for in, with the group's name among them.
const std::array<QLatin1StringView, 9> searchedFields{{
    QLatin1StringView("C.Name"),
    QLatin1StringView("C.CompanyName"),
    QLatin1StringView("T.Name"),
    QLatin1StringView("C.Tel1"),
    QLatin1StringView("C.Tel2"),
    QLatin1StringView("C.Tel3"),
    QLatin1StringView("C.Moblie1"),
    QLatin1StringView("C.Moblie2"),
    QLatin1StringView("C.Moblie3"),
}};

QString selectList(const std::vector<ListColumn>& columns)
{
    QStringList fields;
    for (const ListColumn& column : columns) {
        if (ListColumns::isListable(column.field))
            fields << column.field;
    }
    fields << QStringLiteral("C.ID") << QStringLiteral("C.Sex");
    return fields.join(QStringLiteral(", "));
}

bool hasAsciiLetter(const QString& keyword)
{
    return std::any_of(keyword.begin(), keyword.end(), [](QChar c) {
        return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z');
    });
}

// ASCII letters in lower case, as SQLite's lower() gives the columns.
QString foldedKeyword(const QString& keyword)
{
    QString folded = keyword;
    for (QChar& c : folded) {
        if (c >= u'A' && c <= u'Z')
            c = QChar(c.unicode() + (u'a' - u'A'));
    }
    return folded;
}

// SQLite refuses LIKE patterns longer than this many bytes (its default limit).
constexpr qsizetype likePatternLimit = 50000;

struct KeywordTest {
    QString perField; // %1 is the field
    QString value;
};

// All three tests find the same rows: the keyword literally, ASCII letters without regard to
// case. instr() works at any length and is the fastest where there is no case to fold. LIKE
// folds case without copying the column, but its pattern has a length limit and ends at a NUL;
// past those, instr() on lower() folds by copying every column, at over twice the cost.
KeywordTest keywordTest(const QString& keyword)
{
    if (!hasAsciiLetter(keyword))
        return {QStringLiteral("instr(%1, ?) > 0"), keyword};
    const QString pattern = ContactListQuery::containsPattern(keyword);
    if (!keyword.contains(QChar(0)) && pattern.toUtf8().size() <= likePatternLimit)
        return {QStringLiteral("%1 LIKE ? ESCAPE '\\'"), pattern};
    return {QStringLiteral("instr(lower(%1), ?) > 0"), foldedKeyword(keyword)};
}

QString keywordCondition(const KeywordTest& test)
{
    QStringList tests;
    for (QLatin1StringView field : searchedFields)
        tests << test.perField.arg(field);
    return QStringLiteral(" AND (") + tests.join(QStringLiteral(" OR ")) + u')';
}

} // namespace

QString ContactListQuery::containsPattern(const QString& keyword)
{
    QString escaped;
    escaped.reserve(keyword.size() + 2);
    for (QChar c : keyword) {
        if (c == u'\\' || c == u'%' || c == u'_')
            escaped += u'\\';
        escaped += c;
    }
    return u'%' + escaped + u'%';
}

namespace {

struct Filters {
    QString sql;
    QVariantList values;
};

// The group, the user and the letter tab, as every list applies them.
Filters rowFilters(const ContactListFilter& filter)
{
    Filters filters;
    if (filter.groupId != GroupTree::rootId) {
        filters.sql += QStringLiteral(" AND C.TID = ?");
        filters.values << filter.groupId;
    }
    if (filter.userId != Session::administratorId) {
        filters.sql += QStringLiteral(" AND C.UID = ?");
        filters.values << filter.userId;
    }
    if (!filter.letter.isEmpty()) {
        filters.sql += QStringLiteral(" AND C.Py = ?");
        filters.values << filter.letter;
    }
    return filters;
}

bool topApplies(const ContactListFilter& filter)
{
    return filter.top && filter.groupId == GroupTree::rootId;
}

} // namespace

int ContactListQuery::rowLimit(const ContactListFilter& filter)
{
    const int limit = topApplies(filter) ? topRowCount : 0;
    if (filter.firstRows > 0)
        return limit > 0 ? std::min(limit, filter.firstRows) : filter.firstRows;
    return limit;
}

namespace {

void appendLimit(ContactListStatement& statement, const ContactListFilter& filter)
{
    if (const int limit = ContactListQuery::rowLimit(filter); limit > 0) {
        statement.sql += QStringLiteral(" LIMIT ?");
        statement.values << limit;
    }
}

// Text holds the eight contact fields folded as LIKE folds them, so one instr() on it finds
// what the eight comparisons find; the group's name is tested on the few group rows. The empty
// keyword (every row with a value in a field) and one that holds the separator or a NUL are
// left to the nine comparisons.
bool searchTableServes(const QString& keyword)
{
    return !keyword.isEmpty() && !keyword.contains(SearchTable::fieldSeparator) &&
           !keyword.contains(QChar(0));
}

ContactListStatement searchTableStatement(const std::vector<ListColumn>& columns,
                                          const ContactListFilter& filter)
{
    const QString& keyword = *filter.keyword;
    // The search table is the outer loop: the keyword's tests run on its narrow rows, and
    // only the rows they pass are read from the contacts, in the same ID order.
    ContactListStatement statement;
    statement.sql = QStringLiteral("SELECT ") + selectList(columns) +
                    QStringLiteral(" FROM Vardelin_Search S CROSS JOIN Vardelin_Contact C"
                                   " CROSS JOIN Vardelin_Type T"
                                   " WHERE C.ID = S.ID AND T.ID = C.TID");
    const Filters filters = rowFilters(filter);
    statement.sql += filters.sql;
    statement.values << filters.values;

    const KeywordTest groupTest = keywordTest(keyword);
    statement.sql += QStringLiteral(" AND (instr(S.Text, ?) > 0"
                                    " OR S.TID IN (SELECT ID FROM Vardelin_Type WHERE ") +
                     groupTest.perField.arg(QStringLiteral("Name")) + u')';
    statement.values << foldedKeyword(keyword) << groupTest.value;
    if (const QString letters = ContactListQuery::pinyinKeyword(keyword); !letters.isEmpty()) {
        // Starting with the letters is lying between them and the letters with the last one
        // raised by one: two comparisons cost less per row than a substr() and one.
        QString past = letters;
        past.back() = QChar(past.back().unicode() + 1);
        statement.sql += QStringLiteral(" OR (S.Spelling >= ? AND S.Spelling < ?)"
                                        " OR (S.Initials >= ? AND S.Initials < ?)");
        statement.values << letters << past << letters << past;
    }
    if (const QString digits = ContactListQuery::numberKeyword(keyword); !digits.isEmpty()) {
        statement.sql += QStringLiteral(" OR instr(S.Digits, ?) > 0");
        statement.values << digits;
    }
    statement.sql += u')';
    appendLimit(statement, filter);
    return statement;
}

} // namespace

QString ContactListQuery::pinyinKeyword(const QString& keyword)
{
    QString letters;
    for (QChar c : keyword) {
        if ((c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z'))
            letters += c.toLower();
        else if (c != u' ')
            return {};
    }
    return letters;
}

namespace {

// What people write between the digits of a telephone number: blanks, dashes and brackets, in
// their ASCII and full-width forms.
bool isNumberSeparator(QChar c)
{
    static const QString separators =
        QStringLiteral(" -()[]\u3000\u2010\u2011\u2012\u2013\u2014\uFF08\uFF09\uFF0D");
    return separators.contains(c);
}

} // namespace

QString ContactListQuery::numberKeyword(const QString& keyword)
{
    QString signs;
    for (QChar c : keyword) {
        if (!isNumberSeparator(c))
            signs += c;
    }
    // A country code other than China's is no part of the numbers the search compares.
    if (signs.startsWith(u'+') || signs.startsWith(u'\uFF0B')) {
        if (signs.mid(1, 2) != u"86")
            return {};
        signs.remove(0, 3);
    }
    // "50%" or "8000 ext" holds a number but is a text. "+86" alone leaves no digits, and an
    // empty test would match every number.
    if (signs.isEmpty() ||
        !std::all_of(signs.begin(), signs.end(), [](QChar c) { return c.isDigit(); }))
        return {};
    return PhoneDigits::normalized(keyword);
}

ContactListStatement ContactListQuery::buildForIds(const std::vector<ListColumn>& columns,
                                                   const ContactListFilter& filter,
                                                   const QString& marks, const QVariantList& ids,
                                                   int limit)
{
    // The IDs drive the loop, each a look-up by row ID, taken in ascending order as the
    // search table's scan gave them.
    ContactListStatement statement;
    statement.sql = QStringLiteral("SELECT ") + selectList(columns) +
                    QStringLiteral(" FROM Vardelin_Contact C CROSS JOIN Vardelin_Type T"
                                   " WHERE C.ID IN ") +
                    marks + QStringLiteral(" AND T.ID = C.TID");
    statement.values << ids;
    const Filters filters = rowFilters(filter);
    statement.sql += filters.sql;
    statement.values << filters.values;
    statement.sql += QStringLiteral(" ORDER BY C.ID");
    if (limit > 0) {
        statement.sql += QStringLiteral(" LIMIT ?");
        statement.values << limit;
    }
    return statement;
}

bool ContactListQuery::idsAreRows(const ContactListFilter& filter)
{
    return rowFilters(filter).values.isEmpty();
}

bool ContactListQuery::usesSearchTable(const ContactListFilter& filter)
{
    return filter.keyword && searchTableServes(*filter.keyword);
}

ContactListStatement ContactListQuery::build(const std::vector<ListColumn>& columns,
                                             const ContactListFilter& filter)
{
    if (usesSearchTable(filter))
        return searchTableStatement(columns, filter);
    return buildLiteral(columns, filter);
}

ContactListStatement ContactListQuery::buildCount(const ContactListFilter& filter)
{
    // The rows of the list without its columns: the same statement, its rows counted. A cap
    // is kept inside the count, which it would not limit from outside.
    ContactListFilter whole = filter;
    whole.firstRows = 0;
    ContactListStatement rows = build({}, whole);
    rows.sql = QStringLiteral("SELECT COUNT(*) FROM (") + rows.sql + QStringLiteral(") AS counted");
    return rows;
}

ContactListStatement ContactListQuery::buildLiteral(const std::vector<ListColumn>& columns,
                                                    const ContactListFilter& filter)
{
    // CROSS JOIN keeps contacts as the outer loop: once statistics exist for the
    // TID index, SQLite would otherwise start from the groups and take twice as
    // long over the whole list.
    ContactListStatement statement;
    statement.sql = QStringLiteral("SELECT ") + selectList(columns) +
                    QStringLiteral(" FROM Vardelin_Contact C CROSS JOIN Vardelin_Type T"
                                   " WHERE T.ID = C.TID");
    const Filters filters = rowFilters(filter);
    statement.sql += filters.sql;
    statement.values << filters.values;
    if (filter.keyword) {
        const KeywordTest test = keywordTest(*filter.keyword);
        statement.sql += keywordCondition(test);
        for (std::size_t i = 0; i < searchedFields.size(); ++i)
            statement.values << test.value;
    }
    // The first rows are the first by ID on either database. A file gives the rows in that
    // order anyway, at no cost; a server gives them as they lie in its table, where a changed
    // contact moves to the end: it would drop out of the 500 it was shown among.
    if (ContactListQuery::rowLimit(filter) > 0)
        statement.sql += QStringLiteral(" ORDER BY C.ID");
    appendLimit(statement, filter);
    return statement;
}
