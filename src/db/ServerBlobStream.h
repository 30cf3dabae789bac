// SPDX-License-Identifier: GPL-3.0-or-later
// BlobStream on a PostgreSQL server, where a bytea value cannot be written or read in place:
// chunks go up into a temporary table and are joined into the cell by one statement at the end
// of the write, and come down as substrings of the cell. The stored value is the same bytea a
// copy or a file's cell holds.
#pragma once

#include "BlobStream.h"

namespace ServerBlobStream {

// The longest bytea value the server takes.
inline constexpr qint64 largestValue = 0x3FFFFFFF;
// What an INSERT gives the cell before write() fills it; it takes the byte count as its one
// bound value, as the file's zeroblob(?) does.
QString sizedValue();

Result<BlobStream::Moved> write(const Database& db, const BlobStream::Cell& cell, QIODevice& source,
                                qint64 total, const BlobStream::Progress& progress);
Result<BlobStream::Moved> read(const Database& db, const BlobStream::Cell& cell, QIODevice& target,
                               const BlobStream::Progress& progress);

} // namespace ServerBlobStream
