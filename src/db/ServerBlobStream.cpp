// SPDX-License-Identifier: GPL-3.0-or-later
#include "ServerBlobStream.h"

#include "Database.h"

#include <QByteArray>
#include <QIODevice>

namespace {

// The session's own, emptied at every commit or rollback, so a stopped write leaves nothing.
const QString createChunks =
    QStringLiteral("CREATE TEMPORARY TABLE IF NOT EXISTS vardelin_blob_chunks "
                   "(Seq integer PRIMARY KEY, Chunk bytea NOT NULL) ON COMMIT DELETE ROWS");

// The table and column names are the program's own (BlobStream::Cell); only the row is bound.
QString cellSql(const QString& pattern, const BlobStream::Cell& cell)
{
    return pattern.arg(QString::fromLatin1(cell.table), QString::fromLatin1(cell.column));
}

DbError fileFailure(const QIODevice& device, const QString& shortened)
{
    return DbError{BlobStream::fileErrorNumber,
                   device.errorString().isEmpty() ? shortened : device.errorString()};
}

DbError rowGone()
{
    return DbError::fromSqlite(SqliteCode::Misuse, QStringLiteral("the row is gone"));
}

// Joins the chunks into the cell in one statement and says how long the value now is.
Result<qint64> joinChunks(const Database& db, const BlobStream::Cell& cell)
{
    auto joined = db.readOne(
        cellSql(QStringLiteral("UPDATE %1 SET %2 = (SELECT coalesce(string_agg(Chunk, "
                               "''::bytea ORDER BY Seq), ''::bytea) FROM vardelin_blob_chunks) "
                               "WHERE ID = ? RETURNING length(%2)"),
                cell),
        {cell.rowId});
    if (!joined)
        return joined.error();
    if (!joined.value())
        return rowGone();
    if (Status emptied = db.exec(QStringLiteral("DELETE FROM vardelin_blob_chunks")); !emptied)
        return emptied.error();
    return joined.value()->value(0).toLongLong();
}

} // namespace

QString ServerBlobStream::sizedValue()
{
    // Empty until write() joins the chunks in; the count is not needed in advance.
    return QStringLiteral("substring(''::bytea from 1 for ?)");
}

Result<BlobStream::Moved> ServerBlobStream::write(const Database& db, const BlobStream::Cell& cell,
                                                  QIODevice& source, qint64 total,
                                                  const BlobStream::Progress& progress)
{
    if (Status made = db.exec(createChunks); !made)
        return made.error();
    // Chunks of an earlier write in the same transaction were joined and deleted; a failed
    // one ended the transaction.
    QByteArray chunk(qsizetype(qMin(total, BlobStream::chunkBytes)), Qt::Uninitialized);
    int seq = 0;
    for (qint64 done = 0; done < total; ++seq) {
        const qint64 got = source.read(chunk.data(), qMin(total - done, BlobStream::chunkBytes));
        if (got <= 0)
            return fileFailure(source, QStringLiteral("文件在读取时变短了。"));
        if (Status sent = db.exec(
                QStringLiteral("INSERT INTO vardelin_blob_chunks (Seq, Chunk) VALUES (?, ?)"),
                {seq, QByteArray::fromRawData(chunk.constData(), qsizetype(got))});
            !sent)
            return sent.error();
        done += got;
        if (progress && !progress(done, total))
            return BlobStream::Moved::Stopped;
    }
    auto length = joinChunks(db, cell);
    if (!length)
        return length.error();
    if (length.value() != total) {
        return DbError::fromSqlite(SqliteCode::Misuse,
                                   QStringLiteral("the row was not sized for the file"));
    }
    return BlobStream::Moved::All;
}

Result<BlobStream::Moved> ServerBlobStream::read(const Database& db, const BlobStream::Cell& cell,
                                                 QIODevice& target,
                                                 const BlobStream::Progress& progress)
{
    BlobStream::Moved moved = BlobStream::Moved::All;
    // One snapshot for every chunk: a colleague's change in between cannot splice two values.
    const Status read = db.transaction([&]() -> Status {
        if (Status one = db.exec(QStringLiteral("SET TRANSACTION ISOLATION LEVEL REPEATABLE READ"));
            !one)
            return one;
        auto length = db.readOne(
            cellSql(QStringLiteral("SELECT length(%2) FROM %1 WHERE ID = ?"), cell), {cell.rowId});
        if (!length)
            return length.error();
        if (!length.value())
            return rowGone();
        const qint64 total = length.value()->value(0).toLongLong();
        const QString chunkSql =
            cellSql(QStringLiteral("SELECT substring(%2 from ? for ?) FROM %1 WHERE ID = ?"), cell);
        for (qint64 done = 0; done < total;) {
            const qint64 wanted = qMin(total - done, BlobStream::chunkBytes);
            auto chunk = db.readOne(chunkSql, {done + 1, wanted, cell.rowId});
            if (!chunk)
                return chunk.error();
            const QByteArray bytes =
                chunk.value() ? chunk.value()->value(0).toByteArray() : QByteArray();
            if (bytes.size() != wanted)
                return rowGone();
            if (target.write(bytes) != wanted)
                return DbError{BlobStream::fileErrorNumber, target.errorString()};
            done += wanted;
            if (progress && !progress(done, total)) {
                moved = BlobStream::Moved::Stopped;
                return {};
            }
        }
        return {};
    });
    if (!read)
        return read.error();
    return moved;
}
