// SPDX-License-Identifier: GPL-3.0-or-later
// The mapping grid's targets and the links the user makes from file columns to them.
#pragma once

#include "db/Result.h"

#include <QList>
#include <QString>

class Database;

// A column of Vardelin_Contact a file column can be linked to, as the list columns name it.
struct ImportTarget {
    qint64 aliasId = 0;
    QString alias;  // the caption shown in the grid
    QString column; // the contact table's column
};

// Target column ← the file's column of that name.
struct ImportLink {
    QString column;
    QString source;
};

namespace ImportMapping {

// Every list column except the group name, in ID order.
Result<QList<ImportTarget>> targets(const Database& db);

// The contact column behind a list column's expression: every "C." taken out, so "C.Name"
// gives "Name".
QString targetColumn(const QString& listExpression);

} // namespace ImportMapping
