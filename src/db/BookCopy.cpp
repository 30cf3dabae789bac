// SPDX-License-Identifier: GPL-3.0-or-later
#include "BookCopy.h"

#include "Database.h"
#include "Schema.h"
#include "SearchLog.h"
#include "ServerCopyIn.h"

#include <QCryptographicHash>
#include <QHash>
#include <QSqlRecord>

#include <algorithm>
#include <optional>
#include <vector>

namespace {

struct CopiedTable {
    QString name;
    QStringList columns; // the first is the row's ID
    QStringList blobColumns;
};

// The seven tables and ours beside them, in an order that lets the target's triggers run where
// they stay on (a file): the search rows the contacts' triggers write are replaced by the
// source's, which hold the pinyin too. The layout stamp is each database's own.
std::vector<CopiedTable> copiedTables()
{
    std::vector<CopiedTable> tables;
    for (const Schema::Table& table : Schema::tables()) {
        CopiedTable copied{table.name, {}, {}};
        for (const Schema::Column& column : table.columns) {
            copied.columns << column.name;
            if (column.declaration == QLatin1StringView("BLOB"))
                copied.blobColumns << column.name;
        }
        tables.push_back(copied);
    }
    const auto ours = [](const char* name, const char* columns) {
        return CopiedTable{QString::fromLatin1(name), QString::fromLatin1(columns).split(u' '), {}};
    };
    tables.push_back(ours("Vardelin_Search", "ID TID Text Spelling Initials Digits"));
    tables.push_back(ours("Vardelin_Remind", "UID IsOff SilencedOn"));
    tables.push_back(ours("Vardelin_LunarBirthday", "CID"));
    tables.push_back(ours("Vardelin_Book", "ID Uuid"));
    tables.push_back(ours("Vardelin_Print", "ID SenderAddress SenderPostcode OffsetX OffsetY"));
    return tables;
}

// The columns' names as backend spells them.
QStringList columnNames(Backend backend, const QStringList& columns)
{
    QStringList names;
    for (const QString& column : columns)
        names << SqlDialect::columnName(backend, column);
    return names;
}

QString columnList(Backend backend, const QStringList& columns)
{
    return columnNames(backend, columns).join(QStringLiteral(", "));
}

// Every blob's checksum by table, then row ID and column.
using Checksums = QHash<QString, QByteArray>;

QString blobKey(const QString& table, qint64 id, const QString& column)
{
    return QStringLiteral("%1/%2/%3").arg(table).arg(id).arg(column);
}

QByteArray checksumOf(const QVariant& blob)
{
    return QCryptographicHash::hash(blob.toByteArray(), QCryptographicHash::Sha256);
}

DbError mismatch(const QString& what)
{
    return {SqliteCode::Error,
            QStringLiteral("复制后的检查未通过：%1。目标中什么也没有留下。").arg(what)};
}

// Rows per INSERT into a file: the bound values within what SQLite takes in one statement
// (32,766), and the pictures and files held for one statement small.
constexpr int rowsPerInsert = 1000;
constexpr int valuesPerInsert = 30000;
constexpr qsizetype blobBytesPerInsert = 32 * 1024 * 1024;

QString insertStatement(Backend backend, const CopiedTable& table, int rows)
{
    const QString row =
        u'(' + QStringList(table.columns.size(), QStringLiteral("?")).join(u',') + u')';
    // Table and column names from our own lists.
    return QStringLiteral("INSERT INTO %1 (%2) VALUES %3")
        .arg(table.name, columnList(backend, table.columns),
             QStringList(rows, row).join(QStringLiteral(", ")));
}

// Where copyTable() puts the rows it reads: a server takes them as one COPY stream, a file many
// rows a statement.
class RowSink {
public:
    static Result<RowSink> into(const Database& target, const CopiedTable& table)
    {
        RowSink sink(target, table);
        if (target.backend() == Backend::Server) {
            auto copy = ServerCopyIn::start(target, table.name,
                                            columnNames(target.backend(), table.columns),
                                            columnNames(target.backend(), table.blobColumns));
            if (!copy)
                return copy.error();
            sink.m_copy.emplace(std::move(copy).value());
        }
        return sink;
    }

    // blobBytes: how much of the row is pictures and files.
    Status add(const QVariantList& row, qsizetype blobBytes)
    {
        if (m_copy)
            return m_copy->add(row);
        m_batch << row;
        m_batchedBytes += blobBytes;
        const int batchRows = std::clamp(valuesPerInsert / int(row.size()), 1, rowsPerInsert);
        return ++m_batchedRows == batchRows || m_batchedBytes >= blobBytesPerInsert ? writeBatch()
                                                                                    : Status{};
    }

    Status finish() { return m_copy ? m_copy->finish() : writeBatch(); }

private:
    RowSink(const Database& target, const CopiedTable& table)
        : m_target(&target)
        , m_table(&table)
    {
    }

    Status writeBatch()
    {
        if (m_batchedRows == 0)
            return {};
        const Status written =
            m_target->exec(insertStatement(m_target->backend(), *m_table, m_batchedRows), m_batch);
        m_batch.clear();
        m_batchedRows = 0;
        m_batchedBytes = 0;
        return written;
    }

    const Database* m_target;
    const CopiedTable* m_table;
    std::optional<ServerCopyIn> m_copy;
    QVariantList m_batch;
    int m_batchedRows = 0;
    qsizetype m_batchedBytes = 0;
};

// The rows copied of all tables, told to the caller's progress after each.
struct RowsDone {
    const BookCopy::Progress& progress;
    qint64 total = 0;
    qint64 done = 0;
    bool stopped = false;
    bool next()
    {
        ++done;
        stopped = progress && !progress(done, total);
        return !stopped;
    }
};

DbError stoppedError()
{
    return {SqliteCode::Error, QStringLiteral("stopped")}; // rolls back; not shown
}

// The table's rows from source into target; the checksums of its blobs noted on the way.
// Returns the number of rows.
Result<qint64> copyTable(const Database& source, const Database& target, const CopiedTable& table,
                         Checksums& checksums, RowsDone& rowsDone)
{
    if (Status emptied = target.exec(QStringLiteral("DELETE FROM ") + table.name); !emptied)
        return emptied.error();
    auto rows = source.query(QStringLiteral("SELECT %1 FROM %2 ORDER BY 1")
                                 .arg(columnList(source.backend(), table.columns), table.name));
    if (!rows)
        return rows.error();
    auto sink = RowSink::into(target, table);
    if (!sink)
        return sink.error();
    qint64 copied = 0;
    QSqlQuery& row = rows.value();
    while (row.next()) {
        QVariantList values;
        qsizetype blobBytes = 0;
        for (int c = 0; c < table.columns.size(); ++c) {
            const QVariant value = row.value(c);
            values << value;
            if (table.blobColumns.contains(table.columns[c]) && !value.isNull()) {
                checksums.insert(blobKey(table.name, row.value(0).toLongLong(), table.columns[c]),
                                 checksumOf(value));
                blobBytes += value.toByteArray().size();
            }
        }
        if (Status written = sink.value().add(values, blobBytes); !written)
            return written.error();
        ++copied;
        if (!rowsDone.next())
            return stoppedError();
    }
    if (Status finished = source.finished(row); !finished)
        return finished.error();
    if (Status written = sink.value().finish(); !written)
        return written.error();
    return copied;
}

// copyTable() into a table this transaction made, its triggers off where that saves their work
// (only the table's owner may turn them off, and it locks the table to others till the commit).
Result<qint64> copyTableQuietly(const Database& source, const Database& target,
                                const CopiedTable& table, Checksums& checksums, RowsDone& rowsDone)
{
    for (const QString& statement : SqlDialect::userTriggers(target.backend(), table.name, false)) {
        if (Status off = target.exec(statement); !off)
            return off.error();
    }
    auto rows = copyTable(source, target, table, checksums, rowsDone);
    if (!rows)
        return rows;
    for (const QString& statement : SqlDialect::userTriggers(target.backend(), table.name, true)) {
        if (Status on = target.exec(statement); !on)
            return on.error();
    }
    return rows;
}

Result<qint64> countOf(const Database& db, const QString& table)
{
    auto counted = db.readOne(QStringLiteral("SELECT count(*) FROM ") + table);
    if (!counted)
        return counted.error();
    return counted.value() ? counted.value()->value(0).toLongLong() : 0;
}

// The blobs as the target holds them, each against the source's checksum.
Result<qint64> checkBlobs(const Database& target, const CopiedTable& table,
                          const Checksums& checksums)
{
    qint64 checked = 0;
    for (const QString& column : table.blobColumns) {
        const QString name = SqlDialect::columnName(target.backend(), column);
        const QString hashed = SqlDialect::blobChecksum(target.backend(), name);
        auto rows = target.query(QStringLiteral("SELECT ID, %1 FROM %2")
                                     .arg(hashed.isEmpty() ? name : hashed, table.name));
        if (!rows)
            return rows.error();
        while (rows.value().next()) {
            const QVariant blob = rows.value().value(1);
            const QString key = blobKey(table.name, rows.value().value(0).toLongLong(), column);
            const QByteArray checksum = hashed.isEmpty() ? checksumOf(blob) : blob.toByteArray();
            if (blob.isNull() != !checksums.contains(key) ||
                (!blob.isNull() && checksum != checksums.value(key)))
                return mismatch(QStringLiteral("%1 的第 %2 行的 %3 与原来的不同")
                                    .arg(table.name, rows.value().value(0).toString(), column));
            checked += blob.isNull() ? 0 : 1;
        }
        if (Status finished = target.finished(rows.value()); !finished)
            return finished.error();
    }
    return checked;
}

// Every table of source into target, each table's rows counted and its blobs checked there.
// madeHere: the target's tables were made in this transaction.
Status copyEvery(const Database& source, const Database& target, bool madeHere, RowsDone& rowsDone,
                 BookCopy::Copied& copied)
{
    Checksums checksums;
    for (const CopiedTable& table : copiedTables()) {
        auto rows = madeHere ? copyTableQuietly(source, target, table, checksums, rowsDone)
                             : copyTable(source, target, table, checksums, rowsDone);
        if (!rows)
            return rows.error();
        auto held = countOf(target, table.name);
        if (!held)
            return held.error();
        if (held.value() != rows.value())
            return mismatch(QStringLiteral("%1 有 %2 行，原来有 %3 行")
                                .arg(table.name)
                                .arg(held.value())
                                .arg(rows.value()));
        auto blobs = checkBlobs(target, table, checksums);
        if (!blobs)
            return blobs.error();
        copied.rows += rows.value();
        copied.blobs += blobs.value();
    }
    if (copied.blobs != checksums.size())
        return mismatch(
            QStringLiteral("少了 %1 个图片或文件").arg(checksums.size() - copied.blobs));
    // The search table was written with its triggers off, or replaced whole.
    return SearchLog::markWhole(target);
}

// The source opened to read, with its rows in all counted for the progress.
Status openSource(Database& source, const QString& from, RowsDone& rowsDone)
{
    if (Status opened = source.openReadOnly(from); !opened)
        return opened;
    for (const CopiedTable& table : copiedTables()) {
        auto rows = countOf(source, table.name);
        if (!rows)
            return rows.error();
        rowsDone.total += rows.value();
    }
    return {};
}

// What the copy gives once its transaction has ended with made.
Result<BookCopy::Copied> outcome(const Status& made, const RowsDone& rowsDone,
                                 const BookCopy::Copied& copied)
{
    if (rowsDone.stopped)
        return BookCopy::Copied{0, 0, true};
    if (!made)
        return made.error();
    return copied;
}

} // namespace

Result<BookCopy::Copied> BookCopy::copy(const QString& from, const QString& to,
                                        const Progress& progress)
{
    Database source;
    RowsDone rowsDone{progress};
    if (Status opened = openSource(source, from, rowsDone); !opened)
        return opened.error();
    Copied copied;
    const Status made = Database::create(to, [&](const Database& target) {
        return copyEvery(source, target, true, rowsDone, copied);
    });
    return outcome(made, rowsDone, copied);
}

Result<BookCopy::Copied> BookCopy::replace(const QString& from, const Database& target,
                                           const Progress& progress)
{
    Database source;
    RowsDone rowsDone{progress};
    if (Status opened = openSource(source, from, rowsDone); !opened)
        return opened.error();
    Copied copied;
    const Status made = target.writeTransaction([&]() -> Status {
        if (Status written = copyEvery(source, target, false, rowsDone, copied); !written)
            return written;
        // The sync's state named the replaced contacts; the next sync finds its cards again by
        // their UIDs, as after a copy.
        for (const QString& statement :
             {QStringLiteral("DELETE FROM Vardelin_Sync"),
              QStringLiteral("UPDATE Vardelin_SyncAccount SET SyncToken = NULL")}) {
            if (Status forgotten = target.exec(statement); !forgotten)
                return forgotten;
        }
        return Schema::advanceIdentities(target);
    });
    return outcome(made, rowsDone, copied);
}
