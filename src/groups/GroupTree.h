// SPDX-License-Identifier: GPL-3.0-or-later
// The groups as the tree shows them: everything reachable from the root.
#pragma once

#include "db/Result.h"

#include <QString>

#include <vector>

class Database;

struct GroupNode {
    qint64 id = 0;
    qint64 parentId = 0;
    QString name;
};

namespace GroupTree {

inline constexpr qint64 rootId = 1;

// Pre-order (a group's whole subtree before its next sibling), siblings by
// Number then ID. The root row itself is not part of the result. A group whose
// parent does not exist, or that sits in a loop of parents, is unreachable from
// the root and left out; its row stays in the database.
Result<std::vector<GroupNode>> load(const Database& db);

// The same ordering over rows already read, given sorted by Number then ID.
std::vector<GroupNode> arrange(const std::vector<GroupNode>& sortedRows);

} // namespace GroupTree
