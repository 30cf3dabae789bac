// SPDX-License-Identifier: GPL-3.0-or-later
#include "SearchIndex.h"

#include "NamePinyin.h"
#include "PhoneDigits.h"

#include "db/Database.h"

#include <QSqlError>
#include <QStringList>

#include <vector>

namespace {

struct Unfilled {
    qint64 id;
    QString name;
    QStringList telephones;
};

constexpr int telephoneCount = 6;

// The index that lists the rows still to fill: SQLite's planner scans the whole table instead
// (10 to 25 ms at 100,000 contacts, at every search) unless it is named.
const QString unfilledIndex = QStringLiteral("Search_Unfilled");

// LEFT JOIN: a row whose contact is gone still gets values and so stops being looked at.
QString unfilledSql(Backend backend)
{
    return QStringLiteral("SELECT S.ID, C.Name, C.Tel1, C.Tel2, C.Tel3, C.Moblie1, C.Moblie2, "
                          "C.Moblie3 FROM Vardelin_Search S") +
           SqlDialect::indexedBy(backend, unfilledIndex) +
           QStringLiteral(" LEFT JOIN Vardelin_Contact C ON C.ID = S.ID WHERE S.Spelling IS NULL");
}

Result<std::vector<Unfilled>> unfilledRows(const Database& db)
{
    auto rows = db.query(unfilledSql(db.backend()));
    if (!rows)
        return rows.error();
    std::vector<Unfilled> found;
    QSqlQuery& query = rows.value();
    while (query.next()) {
        Unfilled row{query.value(0).toLongLong(), query.value(1).toString(), {}};
        for (int t = 0; t < telephoneCount; ++t)
            row.telephones << query.value(2 + t).toString();
        found.push_back(std::move(row));
    }
    if (Status ended = db.finished(query); !ended)
        return ended.error();
    return found;
}

} // namespace

QString SearchIndex::digitsOf(const QStringList& telephones)
{
    QStringList digits;
    for (const QString& telephone : telephones)
        digits << PhoneDigits::normalized(telephone);
    return digits.join(u',');
}

SearchIndex::Computed SearchIndex::computedFor(const QString& name, const QStringList& telephones)
{
    const NamePinyin pinyin = namePinyin(name);
    // Empty rather than NULL: NULL marks the row as still to fill.
    return {pinyin.spelling.isNull() ? QStringLiteral("") : pinyin.spelling,
            pinyin.initials.isNull() ? QStringLiteral("") : pinyin.initials, digitsOf(telephones)};
}

Status SearchIndex::refresh(const Database& db)
{
    auto rows = unfilledRows(db);
    if (!rows)
        return rows.error();
    if (rows.value().empty())
        return {};
    // One prepared statement for all rows: an import fills thousands.
    QSqlQuery update(db.connection());
    if (!update.prepare(QStringLiteral(
            "UPDATE Vardelin_Search SET Spelling = ?, Initials = ?, Digits = ? WHERE ID = ?")))
        return DbError::fromSql(update.lastError());
    for (const Unfilled& row : rows.value()) {
        const Computed computed = computedFor(row.name, row.telephones);
        update.addBindValue(computed.spelling);
        update.addBindValue(computed.initials);
        update.addBindValue(computed.digits);
        update.addBindValue(row.id);
        if (!update.exec()) {
            return db.noteFailure(DbError::fromSql(update.lastError()));
        }
    }
    return {};
}

Status SearchIndex::refreshAlone(const Database& db)
{
    auto any = db.readOne(QStringLiteral("SELECT 1 FROM Vardelin_Search") +
                          SqlDialect::indexedBy(db.backend(), unfilledIndex) +
                          QStringLiteral(" WHERE Spelling IS NULL LIMIT 1"));
    if (!any)
        return any.error();
    if (!any.value())
        return {};
    return db.transaction([&db] { return refresh(db); });
}
