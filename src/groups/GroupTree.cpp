// SPDX-License-Identifier: GPL-3.0-or-later
#include "GroupTree.h"

#include "db/Database.h"

#include <QHash>
#include <QSet>

std::vector<GroupNode> GroupTree::arrange(const std::vector<GroupNode>& sortedRows)
{
    QHash<qint64, std::vector<const GroupNode*>> children;
    for (const GroupNode& row : sortedRows) {
        if (row.id != rootId)
            children[row.parentId].push_back(&row);
    }

    // Depth-first with an explicit stack, so a deep tree cannot exhaust the
    // call stack. Rows reached twice (rows handed in with a repeated ID) are
    // shown once, so no input can make the walk go round for ever.
    QSet<qint64> placed;
    std::vector<GroupNode> ordered;
    ordered.reserve(sortedRows.size());
    std::vector<const GroupNode*> pending;
    const auto pushChildren = [&](qint64 parentId) {
        const auto found = children.constFind(parentId);
        if (found != children.cend())
            pending.insert(pending.end(), found->rbegin(), found->rend());
    };
    pushChildren(rootId);
    while (!pending.empty()) {
        const GroupNode* node = pending.back();
        pending.pop_back();
        if (placed.contains(node->id))
            continue;
        placed.insert(node->id);
        ordered.push_back(*node);
        pushChildren(node->id);
    }
    return ordered;
}

Result<std::vector<GroupNode>> GroupTree::load(const Database& db)
{
    // One query for all groups; a query per group costs twenty times as much.
    auto rows = db.query(QStringLiteral("SELECT ID, PID, Name FROM Vardelin_Type "
                                        "ORDER BY Number, ID"));
    if (!rows)
        return rows.error();
    QSqlQuery& q = rows.value();
    std::vector<GroupNode> sorted;
    while (q.next())
        sorted.push_back({q.value(0).toLongLong(), q.value(1).toLongLong(), q.value(2).toString()});
    if (Status finished = db.finished(q); !finished)
        return finished.error();
    return arrange(sorted);
}
