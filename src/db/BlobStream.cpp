// SPDX-License-Identifier: GPL-3.0-or-later
#include "BlobStream.h"

#include "Database.h"
#include "ServerBlobStream.h"
#include "SqliteStatement.h"

#include <QByteArray>
#include <QFileInfo>
#include <QIODevice>

#include <sqlite3.h>

namespace {

DbError sqliteError(sqlite3* handle, int code)
{
    return DbError::fromSqlite(code, QString::fromUtf8(sqlite3_errmsg(handle)));
}

DbError noConnection()
{
    return DbError::fromSqlite(SqliteCode::Misuse, QStringLiteral("no open database"));
}

bool onServer(const Database& db)
{
    return db.isOpen() && db.backend() == Backend::Server;
}

// Closes the blob handle on every way out.
class OpenBlob {
public:
    OpenBlob() = default;
    OpenBlob(const OpenBlob&) = delete;
    OpenBlob& operator=(const OpenBlob&) = delete;
    ~OpenBlob() { sqlite3_blob_close(m_blob); }

    int open(sqlite3* handle, const BlobStream::Cell& cell, bool forWriting)
    {
        return sqlite3_blob_open(handle, "main", cell.table, cell.column, cell.rowId,
                                 forWriting ? 1 : 0, &m_blob);
    }
    sqlite3_blob* get() const { return m_blob; }

private:
    sqlite3_blob* m_blob = nullptr;
};

} // namespace

BlobStream::Room::Room(const Database& db, qint64 bytes, For use)
    : m_db(db)
    , m_use(use)
{
    if (onServer(db))
        return; // the server keeps its own caches
    const QString pragma =
        use == For::Writing ? QStringLiteral("cache_size") : QStringLiteral("mmap_size");
    auto before = db.query(QStringLiteral("PRAGMA ") + pragma);
    if (!before || !before.value().next())
        return; // left as it is: slower, never wrong
    m_before = before.value().value(0);
    // A negative cache size counts kibibytes. Each cached page carries about 300 bytes of
    // bookkeeping beside its 4096 (an eighth more covers it), and a few megabytes hold the
    // b-tree pages the insert touches. The map starts at the file's beginning, so it must
    // reach wherever the value lies.
    const qint64 cached = qMin(bytes, largestCacheBytes);
    const qint64 wanted = use == For::Writing ? -((cached + cached / 8) / 1024 + 4096)
                                              : QFileInfo(db.path()).size() + qint64(1024) * 1024;
    before.value().finish();
    db.exec(QStringLiteral("PRAGMA %1 = %2").arg(pragma).arg(wanted));
}

BlobStream::Room::~Room()
{
    if (!m_before.isValid())
        return;
    m_db.exec(
        QStringLiteral("PRAGMA %1 = %2")
            .arg(m_use == For::Writing ? QStringLiteral("cache_size") : QStringLiteral("mmap_size"))
            .arg(m_before.toLongLong()));
}

QString BlobStream::sizedValue(const Database& db)
{
    return onServer(db) ? ServerBlobStream::sizedValue() : QStringLiteral("zeroblob(?)");
}

Result<qint64> BlobStream::largestValue(const Database& db)
{
    if (onServer(db))
        return ServerBlobStream::largestValue;
    sqlite3* handle = SqliteStatement::handleOf(db);
    if (!handle)
        return noConnection();
    return qint64(sqlite3_limit(handle, SQLITE_LIMIT_LENGTH, -1));
}

Result<BlobStream::Moved> BlobStream::write(const Database& db, const Cell& cell, QIODevice& source,
                                            qint64 total, const Progress& progress)
{
    if (onServer(db))
        return ServerBlobStream::write(db, cell, source, total, progress);
    sqlite3* handle = SqliteStatement::handleOf(db);
    if (!handle)
        return noConnection();
    OpenBlob blob;
    if (const int code = blob.open(handle, cell, true); code != SQLITE_OK)
        return sqliteError(handle, code);
    if (sqlite3_blob_bytes(blob.get()) != total) {
        return DbError::fromSqlite(SqliteCode::Misuse,
                                   QStringLiteral("the row was not sized for the file"));
    }
    QByteArray chunk(qsizetype(qMin(total, chunkBytes)), Qt::Uninitialized);
    for (qint64 done = 0; done < total;) {
        const qint64 wanted = qMin(total - done, chunkBytes);
        const qint64 got = source.read(chunk.data(), wanted);
        if (got <= 0) {
            return DbError{fileErrorNumber,
                           got < 0 ? source.errorString() : QStringLiteral("文件在读取时变短了。")};
        }
        if (const int code = sqlite3_blob_write(blob.get(), chunk.constData(), int(got), int(done));
            code != SQLITE_OK)
            return sqliteError(handle, code);
        done += got;
        if (progress && !progress(done, total))
            return Moved::Stopped;
    }
    return Moved::All;
}

Result<BlobStream::Moved> BlobStream::read(const Database& db, const Cell& cell, QIODevice& target,
                                           const Progress& progress)
{
    if (onServer(db))
        return ServerBlobStream::read(db, cell, target, progress);
    sqlite3* handle = SqliteStatement::handleOf(db);
    if (!handle)
        return noConnection();
    OpenBlob blob;
    if (const int code = blob.open(handle, cell, false); code != SQLITE_OK)
        return sqliteError(handle, code);
    const qint64 total = sqlite3_blob_bytes(blob.get());
    QByteArray chunk(qsizetype(qMin(total, chunkBytes)), Qt::Uninitialized);
    for (qint64 done = 0; done < total;) {
        const int length = int(qMin(total - done, chunkBytes));
        if (const int code = sqlite3_blob_read(blob.get(), chunk.data(), length, int(done));
            code != SQLITE_OK)
            return sqliteError(handle, code);
        if (target.write(chunk.constData(), length) != length)
            return DbError{fileErrorNumber, target.errorString()};
        done += length;
        if (progress && !progress(done, total))
            return Moved::Stopped;
    }
    return Moved::All;
}
