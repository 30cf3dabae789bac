// SPDX-License-Identifier: GPL-3.0-or-later
// Moves a large column value between a file and its row in chunks, so that only one chunk of it
// is ever in memory.
#pragma once

#include "Result.h"

#include <QVariant>
#include <QtGlobal>

#include <functional>

class Database;
class QIODevice;

namespace BlobStream {

// Told the bytes moved so far and the whole count after every chunk; returning false stops.
using Progress = std::function<bool(qint64 done, qint64 total)>;

enum class Moved { All, Stopped };

inline constexpr qint64 chunkBytes = 1024 * 1024;

// The longest value one column of db's connection can hold.
Result<qint64> largestValue(const Database& db);

// What an INSERT gives the cell that write() fills, taking the byte count as its one bound
// value: zeros of that length in a file, filled in place; a value the chunks replace on a server.
QString sizedValue(const Database& db);

// A blob column of one row, named the way sqlite3_blob_open wants it (on a server, rowId is the
// table's ID column). The names are the program's own; only rowId comes from the data.
struct Cell {
    const char* table;
    const char* column;
    qint64 rowId;
};

// Fills the cell, which already holds a zero blob of total bytes, from source. A source that
// fails or ends early is an error (with the file's own error text when it has one). The caller
// runs this inside its transaction, so a stop or an error leaves nothing written. Only one
// chunk is in memory, on a server as in a file.
Result<Moved> write(const Database& db, const Cell& cell, QIODevice& source, qint64 total,
                    const Progress& progress);

// Writes the whole cell to target. A target that refuses a write is an error. On a server the
// chunks are read in a transaction of their own, so the caller must not have one open.
Result<Moved> read(const Database& db, const Cell& cell, QIODevice& target,
                   const Progress& progress);

// While it lives, the connection keeps up to bytes of the pages it writes in memory until the
// commit (at most largestCacheBytes), instead of spilling each one to the file and reading it
// back for the next write; or it reads through a memory map of the file instead of with one read
// call per page. Either is put back as it was at the end.
class Room {
public:
    enum class For { Writing, Reading };
    Room(const Database& db, qint64 bytes, For use);
    ~Room();
    Room(const Room&) = delete;
    Room& operator=(const Room&) = delete;

    static constexpr qint64 largestCacheBytes = qint64(512) * 1024 * 1024;

private:
    const Database& m_db;
    For m_use;
    QVariant m_before;
};

// The number the error box shows when the file on the other side fails, with its text.
inline constexpr int fileErrorNumber = 75;

} // namespace BlobStream
