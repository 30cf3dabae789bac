// SPDX-License-Identifier: GPL-3.0-or-later
#include "ContactListQuery.h"

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

ContactListStatement ContactListQuery::build(const std::vector<ListColumn>& columns,
                                             const ContactListFilter& filter)
{
    // CROSS JOIN keeps contacts as the outer loop: once statistics exist for the
    // TID index, SQLite would otherwise start from the groups and take twice as
    // long over the whole list.
    ContactListStatement statement;
    statement.sql = QStringLiteral("SELECT ") + selectList(columns) +
                    QStringLiteral(" FROM Vardelin_Contact C CROSS JOIN Vardelin_Type T"
                                   " WHERE T.ID = C.TID");
    if (filter.groupId != GroupTree::rootId) {
        statement.sql += QStringLiteral(" AND C.TID = ?");
        statement.values << filter.groupId;
    }
    if (filter.userId != Session::administratorId) {
        statement.sql += QStringLiteral(" AND C.UID = ?");
        statement.values << filter.userId;
    }
    if (!filter.letter.isEmpty()) {
        statement.sql += QStringLiteral(" AND C.Py = ?");
        statement.values << filter.letter;
    }
    if (filter.keyword) {
        const KeywordTest test = keywordTest(*filter.keyword);
        statement.sql += keywordCondition(test);
        for (std::size_t i = 0; i < searchedFields.size(); ++i)
            statement.values << test.value;
    }
    if (filter.top && filter.groupId == GroupTree::rootId)
        statement.sql += QStringLiteral(" LIMIT %1").arg(topRowCount);
    return statement;
}
