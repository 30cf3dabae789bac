// SPDX-License-Identifier: GPL-3.0-or-later
// Runs the contact list's statement and collects its rows.
#pragma once

#include "ContactListQuery.h"
#include "ContactRows.h"

#include "db/Result.h"

#include <span>

class Database;

namespace ContactListLoader {

// Reads the displayed columns from Vardelin_Alias and the rows that pass the filter.
Result<ContactRows> load(const Database& db, const ContactListFilter& filter);

// The rows for columns already read.
Result<ContactRows> load(const Database& db, std::vector<ListColumn> columns,
                         const ContactListFilter& filter);

// A search's side of load(), in two steps, so that a window can show the first rows before it
// reads the others: the IDs of the contacts the keyword finds, ascending, as many as the
// filter's cap allows (firstRows aside)...
Result<std::vector<qint64>> searchIds(const Database& db, const ContactListFilter& filter);
// ...and the rows of those of ids that pass the filter, in the same order. With
// ContactListQuery::idsAreRows(filter) every ID that still names a contact gives its row.
Result<ContactRows> loadIds(const Database& db, std::vector<ListColumn> columns,
                            const ContactListFilter& filter, std::span<const qint64> ids);

// How many rows load() gives for the filter, without reading them.
Result<qint64> count(const Database& db, const ContactListFilter& filter);

} // namespace ContactListLoader
