// SPDX-License-Identifier: GPL-3.0-or-later
// A server's search copy, kept current through the server's log of written search rows.
#pragma once

#include "SearchCopy.h"

namespace ServerSearchCopy {

// The copy of db's server connection, brought up to date with what the server holds now. It
// belongs to the connection and goes with it. Each search asks the log (db/SearchLog) which rows
// anyone wrote since the copy was last brought up to date and reads those again; a log that
// asks for it or more rows written than an eighth of the table have it read again whole, as does a
// search after one made inside a transaction (its writes may have been rolled back since). So no
// write can leave it behind.
Result<const SearchCopy::Copy*> current(const Database& db);

} // namespace ServerSearchCopy
