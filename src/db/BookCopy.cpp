// SPDX-License-Identifier: GPL-3.0-or-later
#include "BookCopy.h"

#include "Database.h"
#include "Schema.h"

#include <QCryptographicHash>
#include <QHash>
#include <QSqlRecord>

#include <vector>

namespace {

struct CopiedTable {
    QString name;
    QStringList columns; // the first is the row's ID
    QStringList blobColumns;
};

// The seven tables and ours beside them, in an order that lets the target's triggers run:
// the search rows the contacts' triggers write are replaced by the source's, which hold the
// pinyin too. The layout stamp is each database's own.
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

QString columnList(Backend backend, const QStringList& columns)
{
    QStringList names;
    for (const QString& column : columns)
        names << SqlDialect::columnName(backend, column);
    return names.join(QStringLiteral(", "));
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

// The table's rows from source into target, one statement prepared for all; the checksums of
// its blobs noted on the way. Returns the number of rows.
Result<qint64> copyTable(const Database& source, const Database& target, const CopiedTable& table,
                         Checksums& checksums, RowsDone& rowsDone)
{
    // Table and column names from our own lists.
    if (Status emptied = target.exec(QStringLiteral("DELETE FROM ") + table.name); !emptied)
        return emptied.error();
    auto rows = source.query(QStringLiteral("SELECT %1 FROM %2 ORDER BY 1")
                                 .arg(columnList(source.backend(), table.columns), table.name));
    if (!rows)
        return rows.error();
    QStringList marks;
    for (qsizetype i = 0; i < table.columns.size(); ++i)
        marks << QStringLiteral("?");
    const QString insert = QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                               .arg(table.name, columnList(target.backend(), table.columns),
                                    marks.join(QStringLiteral(", ")));
    qint64 copied = 0;
    QSqlQuery& row = rows.value();
    while (row.next()) {
        QVariantList values;
        for (int c = 0; c < table.columns.size(); ++c) {
            values << row.value(c);
            if (table.blobColumns.contains(table.columns[c]) && !row.value(c).isNull())
                checksums.insert(blobKey(table.name, row.value(0).toLongLong(), table.columns[c]),
                                 checksumOf(row.value(c)));
        }
        if (Status written = target.exec(insert, values); !written)
            return written.error();
        ++copied;
        if (!rowsDone.next())
            return stoppedError();
    }
    if (Status finished = source.finished(row); !finished)
        return finished.error();
    return copied;
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
        auto rows =
            target.query(QStringLiteral("SELECT ID, %1 FROM %2")
                             .arg(SqlDialect::columnName(target.backend(), column), table.name));
        if (!rows)
            return rows.error();
        while (rows.value().next()) {
            const QVariant blob = rows.value().value(1);
            const QString key = blobKey(table.name, rows.value().value(0).toLongLong(), column);
            if (blob.isNull() != !checksums.contains(key) ||
                (!blob.isNull() && checksumOf(blob) != checksums.value(key)))
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
Status copyEvery(const Database& source, const Database& target, RowsDone& rowsDone,
                 BookCopy::Copied& copied)
{
    Checksums checksums;
    for (const CopiedTable& table : copiedTables()) {
        auto rows = copyTable(source, target, table, checksums, rowsDone);
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
    return {};
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
    const Status made = Database::create(
        to, [&](const Database& target) { return copyEvery(source, target, rowsDone, copied); });
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
        if (Status written = copyEvery(source, target, rowsDone, copied); !written)
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
