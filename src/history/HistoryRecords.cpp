// SPDX-License-Identifier: GPL-3.0-or-later
#include "HistoryRecords.h"

#include "contacts/ContactBelongings.h"
#include "db/Database.h"

namespace {

const QString selectColumns =
    QStringLiteral("SELECT ID, CID, LxDate, NextDate, Remark, IsRemind FROM Vardelin_History ");

HistoryRecord recordOf(const QSqlQuery& q)
{
    HistoryRecord record;
    record.id = q.value(0).toLongLong();
    record.contactId = q.value(1).toLongLong();
    record.lxDate = q.value(2);
    record.nextDate = q.value(3);
    record.remark = q.value(4).isNull() ? QString() : q.value(4).toString();
    record.isRemind = q.value(5);
    return record;
}

Result<std::vector<HistoryRecord>> readAll(const Database& db, const QString& sql, qint64 contactId)
{
    auto rows = db.query(sql, {contactId});
    if (!rows)
        return rows.error();
    QSqlQuery& q = rows.value();
    std::vector<HistoryRecord> records;
    while (q.next())
        records.push_back(recordOf(q));
    if (Status ended = db.finished(q); !ended)
        return ended.error();
    return records;
}

QVariantList valuesOf(const HistoryInput& input)
{
    return {input.contactId, input.lxDate.toString(HistoryRecords::dateFormat),
            input.nextDate.toString(HistoryRecords::dateFormat), input.remark,
            input.remind ? 1 : 0};
}

} // namespace

Result<std::vector<HistoryRecord>> HistoryRecords::forCard(const Database& db, qint64 contactId)
{
    return readAll(db,
                   selectColumns + QStringLiteral("WHERE CID = ? ORDER BY LxDate DESC, ID DESC"),
                   contactId);
}

Result<std::vector<HistoryRecord>> HistoryRecords::forPane(const Database& db, qint64 contactId)
{
    return readAll(db, selectColumns + QStringLiteral("WHERE CID = ? ORDER BY ID"), contactId);
}

Result<std::optional<HistoryRecord>> HistoryRecords::load(const Database& db, qint64 recordId)
{
    auto row = db.query(selectColumns + QStringLiteral("WHERE ID = ?"), {recordId});
    if (!row)
        return row.error();
    QSqlQuery& q = row.value();
    if (q.next())
        return std::optional<HistoryRecord>(recordOf(q));
    if (Status ended = db.finished(q); !ended)
        return ended.error();
    return std::optional<HistoryRecord>();
}

bool HistoryRecords::isContentAccepted(const QString& remark)
{
    return !remark.isEmpty();
}

Result<HistoryRecords::SaveOutcome> HistoryRecords::add(const Database& db,
                                                        const HistoryInput& input)
{
    SaveOutcome outcome = SaveOutcome::Written;
    // See ContactBelongings::contactExists.
    const Status written = db.writeTransaction([&]() -> Status {
        auto contact = ContactBelongings::contactExists(db, input.contactId);
        if (!contact)
            return contact.error();
        if (!contact.value()) {
            outcome = SaveOutcome::ContactVanished;
            return {};
        }
        return db.exec(QStringLiteral("INSERT INTO Vardelin_History "
                                      "(CID, LxDate, NextDate, Remark, IsRemind) "
                                      "VALUES (?, ?, ?, ?, ?)"),
                       valuesOf(input));
    });
    if (!written)
        return written.error();
    return outcome;
}

Result<HistoryRecords::SaveOutcome> HistoryRecords::update(const Database& db, qint64 recordId,
                                                           const HistoryInput& input)
{
    QVariantList values = valuesOf(input);
    values << recordId;
    auto changed = db.query(QStringLiteral("UPDATE Vardelin_History SET CID = ?, LxDate = ?, "
                                           "NextDate = ?, Remark = ?, IsRemind = ? WHERE ID = ?"),
                            values);
    if (!changed)
        return changed.error();
    // One statement: the row is either there and rewritten, or gone and nothing is written.
    return changed.value().numRowsAffected() > 0 ? SaveOutcome::Written : SaveOutcome::RowVanished;
}

Status HistoryRecords::remove(const Database& db, qint64 recordId)
{
    return db.exec(QStringLiteral("DELETE FROM Vardelin_History WHERE ID = ?"), {recordId});
}

std::optional<QDate> HistoryRecords::storedDate(const QVariant& stored)
{
    if (stored.isNull())
        return std::nullopt;
    // Other tools may have written a time after the day.
    const QDate date = QDate::fromString(stored.toString().trimmed().left(10), dateFormat);
    if (!date.isValid())
        return std::nullopt;
    return date;
}

QString HistoryRecords::listDateText(const QVariant& stored)
{
    if (const std::optional<QDate> date = storedDate(stored))
        return date->toString(dateFormat);
    return stored.isNull() ? QString() : stored.toString();
}

QString HistoryRecords::remindText(const QVariant& stored)
{
    if (stored.isNull())
        return {};
    return stored.toLongLong() != 0 ? QStringLiteral("True") : QStringLiteral("False");
}

QString HistoryRecords::paneText(const std::vector<HistoryRecord>& records)
{
    QString text;
    for (const HistoryRecord& record : records) {
        const std::optional<QDate> date = storedDate(record.lxDate);
        const QString day = date ? date->toString(QStringLiteral("yyyy年MM月dd日"))
                                 : (record.lxDate.isNull() ? QString() : record.lxDate.toString());
        text += day + u' ' + record.remark + QStringLiteral("\r\n");
    }
    return text;
}
