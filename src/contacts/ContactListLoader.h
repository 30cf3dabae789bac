// SPDX-License-Identifier: GPL-3.0-or-later
// Runs the contact list's statement and collects its rows.
#pragma once

#include "ContactListQuery.h"
#include "ContactRows.h"

#include "db/Result.h"

class Database;

namespace ContactListLoader {

// Reads the displayed columns from Vardelin_Alias and the rows that pass the filter.
Result<ContactRows> load(const Database& db, const ContactListFilter& filter);

// The rows for columns already read.
Result<ContactRows> load(const Database& db, std::vector<ListColumn> columns,
                         const ContactListFilter& filter);

// How many rows load() gives for the filter, without reading them.
Result<qint64> count(const Database& db, const ContactListFilter& filter);

} // namespace ContactListLoader
