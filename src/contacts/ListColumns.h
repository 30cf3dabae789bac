// SPDX-License-Identifier: GPL-3.0-or-later
// The columns the contact list shows, as configured in Vardelin_Alias.
#pragma once

#include "db/Result.h"

#include <QString>

#include <vector>

class Database;

struct ListColumn {
    qint64 aliasId = 0;
    // "C." + a contact field, or "T.Name" for the group's name.
    QString field;
    QString caption;
    int width = 0; // twips
};

namespace ListColumns {

// Whether a configured column names something the list can show. Only these
// names ever reach the statement text, so a damaged or hostile Vardelin_Alias
// row cannot change what the list query does.
bool isListable(const QString& field);

// The displayed columns in Seq order; rows naming nothing listable are skipped.
// Never empty: with no displayed column the name is shown.
Result<std::vector<ListColumn>> displayed(const Database& db);

} // namespace ListColumns
