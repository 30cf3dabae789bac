// SPDX-License-Identifier: GPL-3.0-or-later
#include "RowVersion.h"

#include "Database.h"

#include <QCryptographicHash>
#include <QSqlRecord>
#include <QtEndian>

namespace {

void addNumber(QCryptographicHash& digest, quint64 number)
{
    const quint64 little = qToLittleEndian(number);
    digest.addData(QByteArrayView(reinterpret_cast<const char*>(&little), sizeof little));
}

void addBytes(QCryptographicHash& digest, char kind, QByteArrayView bytes)
{
    digest.addData(QByteArrayView(&kind, 1));
    addNumber(digest, quint64(bytes.size()));
    digest.addData(bytes);
}

void addValue(QCryptographicHash& digest, const QVariant& value)
{
    if (value.isNull()) {
        addBytes(digest, 'N', {});
        return;
    }
    switch (value.typeId()) {
    case QMetaType::LongLong:
    case QMetaType::Int:
    case QMetaType::ULongLong:
    case QMetaType::UInt:
    case QMetaType::Bool: {
        const quint64 number = quint64(value.toLongLong());
        addBytes(digest, 'I', QByteArrayView(reinterpret_cast<const char*>(&number), 8));
        return;
    }
    case QMetaType::Double: {
        const double real = value.toDouble();
        addBytes(digest, 'R', QByteArrayView(reinterpret_cast<const char*>(&real), 8));
        return;
    }
    case QMetaType::QByteArray:
        addBytes(digest, 'B', value.toByteArray());
        return;
    default:
        addBytes(digest, 'T', value.toString().toUtf8());
        return;
    }
}

} // namespace

RowVersion::Version RowVersion::of(const QSqlRecord& record, const QStringList& columns)
{
    QCryptographicHash digest(QCryptographicHash::Sha256);
    for (const QString& column : columns) {
        // A column the row lacks enters as a kind of its own, never as Null.
        if (record.indexOf(column) < 0)
            addBytes(digest, 'M', column.toUtf8());
        else
            addValue(digest, record.value(column));
    }
    return digest.result();
}

Result<RowVersion::Version> RowVersion::read(const Database& db, const Row& row, Lock lock)
{
    QStringList quoted;
    for (const QString& column : row.columns)
        quoted << SqlDialect::columnName(db.backend(), column);
    // The names are the program's own (see Row); only the key is a value.
    auto found = db.readOne(QStringLiteral("SELECT ") + quoted.join(u',') +
                                QStringLiteral(" FROM ") + row.table + QStringLiteral(" WHERE ") +
                                SqlDialect::columnName(db.backend(), row.keyColumn) +
                                QStringLiteral(" = ?") + SqlDialect::lockRow(db.backend(), lock),
                            {row.key});
    if (!found)
        return found.error();
    if (!found.value())
        return Version();
    return of(*found.value(), row.columns);
}

RowVersion::Change RowVersion::compare(const Version& asRead, const Version& now)
{
    if (now == asRead)
        return Change::None;
    return now.isEmpty() ? Change::Deleted : Change::Changed;
}

Result<std::vector<RowVersion::Conflict>> RowVersion::conflicts(const Database& db,
                                                                std::span<const Expected> rows)
{
    std::vector<Conflict> found;
    for (const Expected& expected : rows) {
        auto now = read(db, expected.row, Lock::UntilCommit);
        if (!now)
            return now.error();
        if (const Change change = compare(expected.asRead, now.value()); change != Change::None)
            found.push_back({expected.row, change});
    }
    return found;
}
