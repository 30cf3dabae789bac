// SPDX-License-Identifier: GPL-3.0-or-later
#include "GroupEditing.h"

#include "db/Database.h"

#include <QHash>
#include <QSet>
#include <QSqlError>

#include <limits>

namespace {

Result<std::vector<GroupChoice>> readChoices(const Database& db, const QString& sql,
                                             const QVariantList& values)
{
    auto rows = db.query(sql, values);
    if (!rows)
        return rows.error();
    QSqlQuery& q = rows.value();
    std::vector<GroupChoice> choices;
    while (q.next())
        choices.push_back({q.value(0).toLongLong(), q.value(1).toString()});
    if (Status ended = db.finished(q); !ended)
        return ended.error();
    return choices;
}

// Whether a query for one value finds a row; a failed read is an error.
Result<bool> exists(const Database& db, const QString& sql, const QVariantList& values)
{
    auto rows = db.query(sql, values);
    if (!rows)
        return rows.error();
    if (rows.value().next())
        return true;
    if (Status ended = db.finished(rows.value()); !ended)
        return ended.error();
    return false;
}

Result<bool> groupExists(const Database& db, qint64 groupId)
{
    return exists(db, QStringLiteral("SELECT 1 FROM Vardelin_Type WHERE ID = ?"), {groupId});
}

// The database's side of save(), run inside its transaction.
Result<GroupOutcome> write(const Database& db, const GroupInput& input, qint16 number)
{
    const qint64 parentId = *input.parentId;
    if (input.isEdit) {
        auto rowThere = groupExists(db, input.id);
        if (!rowThere)
            return rowThere.error();
        if (!rowThere.value())
            return GroupOutcome{QStringLiteral("分组已被删除，无法保存！")};
    }
    auto parentThere = groupExists(db, parentId);
    if (!parentThere)
        return parentThere.error();
    if (!parentThere.value())
        return GroupOutcome{QStringLiteral("上级分组已被删除，请重新选择！")};

    if (!input.isEdit) {
        if (Status added = db.exec(QStringLiteral("INSERT INTO Vardelin_Type (PID, Number, Name) "
                                                  "VALUES (?, ?, ?)"),
                                   {parentId, number, input.name});
            !added)
            return added.error();
        return GroupOutcome{};
    }

    // A parent inside the group's own branch would cut the branch off the tree.
    auto within = GroupEditing::isWithin(db, parentId, input.id);
    if (!within)
        return within.error();
    if (within.value())
        return GroupOutcome{QStringLiteral("不能把分组移到它自己的下级分组中！")};
    if (Status changed = db.exec(QStringLiteral("UPDATE Vardelin_Type SET Number = ?, Name = ?, "
                                                "PID = ? WHERE ID = ?"),
                                 {number, input.name, parentId, input.id});
        !changed)
        return changed.error();
    return GroupOutcome{};
}

// Runs work in a transaction; a refusal rolls back whatever work did before it. A write
// transaction: its checks (no contact left in a deleted group) hold until the commit, whereas on
// a server a card's save could otherwise put a contact into the group between them and the write.
Result<GroupOutcome> refusable(const Database& db,
                               const std::function<Result<GroupOutcome>()>& work)
{
    GroupOutcome outcome;
    const Status done = db.writeTransaction([&]() -> Status {
        auto result = work();
        if (!result)
            return result.error();
        outcome = result.value();
        if (!outcome.done())
            return DbError{}; // roll back; the refusal is what the caller sees
        return {};
    });
    if (!done && outcome.done())
        return done.error();
    return outcome;
}

} // namespace

Result<std::vector<GroupChoice>> GroupEditing::parentCandidates(const Database& db, qint64 editedId)
{
    return readChoices(db,
                       QStringLiteral("SELECT ID, Name FROM Vardelin_Type WHERE ID <> ? "
                                      "ORDER BY Number, ID"),
                       {editedId});
}

Result<std::vector<GroupChoice>> GroupEditing::moveTargets(const Database& db)
{
    return readChoices(db,
                       QStringLiteral("SELECT ID, Name FROM Vardelin_Type WHERE ID <> ? "
                                      "ORDER BY Number, ID"),
                       {rootId});
}

std::optional<qint16> GroupEditing::parseNumber(const QString& text)
{
    bool isNumber = false;
    const int value = text.trimmed().toInt(&isNumber);
    if (!isNumber || value < std::numeric_limits<qint16>::min() ||
        value > std::numeric_limits<qint16>::max())
        return std::nullopt;
    return qint16(value);
}

std::optional<QString> GroupEditing::inputProblem(const GroupInput& input)
{
    if (input.number.isEmpty())
        return QStringLiteral("分组编号为必填，不能为空！此分组编号用于排序！");
    if (!parseNumber(input.number))
        return QStringLiteral("分组编号必须是-32768到32767之间的整数！");
    if (input.name.isEmpty())
        return QStringLiteral("分组名称为必填，不能为空！");
    if (!input.parentId)
        return QStringLiteral("上级分组必须选择！");
    return std::nullopt;
}

Result<bool> GroupEditing::isWithin(const Database& db, qint64 candidate, qint64 group)
{
    auto rows = db.query(QStringLiteral("SELECT ID, PID FROM Vardelin_Type"));
    if (!rows)
        return rows.error();
    QSqlQuery& q = rows.value();
    QHash<qint64, qint64> parentOf;
    while (q.next())
        parentOf.insert(q.value(0).toLongLong(), q.value(1).toLongLong());
    if (Status ended = db.finished(q); !ended)
        return ended.error();

    // Walk up from the candidate; the set stops a loop of parents.
    QSet<qint64> seen;
    for (qint64 at = candidate; parentOf.contains(at) && !seen.contains(at);
         at = parentOf.value(at)) {
        if (at == group)
            return true;
        seen.insert(at);
    }
    return false;
}

Result<GroupOutcome> GroupEditing::save(const Database& db, const GroupInput& input)
{
    if (const auto problem = inputProblem(input))
        return GroupOutcome{*problem};
    const qint16 number = *parseNumber(input.number);
    return refusable(db, [&] { return write(db, input, number); });
}

Result<std::optional<QString>> GroupEditing::deletionProblem(const Database& db, qint64 groupId)
{
    if (groupId == rootId)
        return std::optional<QString>(QStringLiteral("根级分组不能删除！"));
    auto subgroups =
        exists(db, QStringLiteral("SELECT 1 FROM Vardelin_Type WHERE PID = ? LIMIT 1"), {groupId});
    if (!subgroups)
        return subgroups.error();
    if (subgroups.value())
        return std::optional<QString>(QStringLiteral("存在下级分组不能删除！"));
    // Every account's contacts count: a contact of the group's deleted row
    // would be listed nowhere again.
    auto contacts = exists(
        db, QStringLiteral("SELECT 1 FROM Vardelin_Contact WHERE TID = ? LIMIT 1"), {groupId});
    if (!contacts)
        return contacts.error();
    if (contacts.value())
        return std::optional<QString>(QStringLiteral("分组中存在联系人不能删除！"));
    return std::optional<QString>();
}

Result<GroupOutcome> GroupEditing::remove(const Database& db, qint64 groupId)
{
    return refusable(db, [&]() -> Result<GroupOutcome> {
        auto problem = deletionProblem(db, groupId);
        if (!problem)
            return problem.error();
        if (problem.value())
            return GroupOutcome{*problem.value()};
        if (Status deleted =
                db.exec(QStringLiteral("DELETE FROM Vardelin_Type WHERE ID = ?"), {groupId});
            !deleted)
            return deleted.error();
        return GroupOutcome{};
    });
}
