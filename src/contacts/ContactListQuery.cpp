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

// instr() finds the keyword literally at any length; LIKE would need an escaped
// pattern, and SQLite refuses patterns over 50,000 bytes. Folding the columns
// costs a copy of each, so it is done only when the keyword has a letter to fold.
QString keywordCondition(bool foldCase)
{
    QStringList tests;
    for (QLatin1StringView field : searchedFields) {
        const QString column = foldCase ? QStringLiteral("lower(") + field + u')' : QString(field);
        tests << QStringLiteral("instr(") + column + QStringLiteral(", ?) > 0");
    }
    return QStringLiteral(" AND (") + tests.join(QStringLiteral(" OR ")) + u')';
}

} // namespace

bool ContactListQuery::hasAsciiLetter(const QString& keyword)
{
    return std::any_of(keyword.begin(), keyword.end(), [](QChar c) {
        return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z');
    });
}

QString ContactListQuery::foldedKeyword(const QString& keyword)
{
    QString folded = keyword;
    for (QChar& c : folded) {
        if (c >= u'A' && c <= u'Z')
            c = QChar(c.unicode() + (u'a' - u'A'));
    }
    return folded;
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
        const bool foldCase = hasAsciiLetter(*filter.keyword);
        statement.sql += keywordCondition(foldCase);
        const QString keyword = foldCase ? foldedKeyword(*filter.keyword) : *filter.keyword;
        for (std::size_t i = 0; i < searchedFields.size(); ++i)
            statement.values << keyword;
    }
    if (filter.top && filter.groupId == GroupTree::rootId)
        statement.sql += QStringLiteral(" LIMIT %1").arg(topRowCount);
    return statement;
}
