// SPDX-License-Identifier: GPL-3.0-or-later
#include "ContactCard.h"

#include "CardFields.h"

#include "contacts/PinyinInitial.h"
#include "contacts/SearchIndex.h"
#include "db/Database.h"
#include "db/LunarMark.h"

#include <QSqlError>
#include <QSqlRecord>
#include <QStringList>

namespace {

bool isDateColumn(const QString& column)
{
    for (const CardField& field : CardFields::all) {
        if (field.editor == CardField::Editor::Date && QString(field.column) == column)
            return true;
    }
    return false;
}

// Dates written by other tools may carry a time after the day.
std::optional<QDate> storedDate(const QVariant& value)
{
    if (value.isNull())
        return std::nullopt;
    const QString text = value.toString().trimmed();
    const QDate date = QDate::fromString(text.left(10), ContactCard::dateFormat);
    if (!date.isValid())
        return std::nullopt;
    return date;
}

ContactRecord recordOf(const QSqlQuery& row)
{
    ContactRecord record;
    const QSqlRecord columns = row.record();
    bool isNumber = false;
    const qint64 groupId = row.value(QStringLiteral("TID")).toLongLong(&isNumber);
    record.groupId = isNumber ? groupId : 0;
    for (const CardField& field : CardFields::all) {
        const QString column(field.column);
        if (column.isEmpty() || field.editor == CardField::Editor::GroupList ||
            columns.indexOf(column) < 0)
            continue;
        const QVariant value = row.value(column);
        switch (field.editor) {
        case CardField::Editor::Date:
            record.dates.insert(column, storedDate(value));
            break;
        case CardField::Editor::Picture:
            record.photo = value.toByteArray();
            break;
        default:
            record.texts.insert(column, value.isNull() ? QString() : value.toString());
            break;
        }
    }
    return record;
}

QVariant valueFor(const QString& column, const ContactCard::SaveRequest& request)
{
    const ContactRecord& record = request.record;
    if (column == CardFields::userColumn)
        return request.userId;
    if (column == QLatin1StringView("TID"))
        return record.groupId;
    if (column == CardFields::initialColumn)
        return pinyinInitial(record.texts.value(QStringLiteral("Name")));
    if (column == CardFields::savedOnColumn)
        return request.today.toString(ContactCard::dateFormat);
    if (column == QLatin1StringView("Photo"))
        return record.photo.isNull() ? QByteArray("") : record.photo;
    if (isDateColumn(column)) {
        const std::optional<QDate> date = record.dates.value(column);
        return date ? QVariant(date->toString(ContactCard::dateFormat))
                    : QVariant(QMetaType::fromType<QString>());
    }
    // A text box stores what it shows, and an empty one the empty string, never Null.
    const QString text = record.texts.value(column);
    return text.isNull() ? QStringLiteral("") : text;
}

Status insertRow(const Database& db, const ContactCard::SaveRequest& request, qint64& contactId)
{
    const QStringList columns = CardFields::saveOrder();
    QStringList marks;
    QVariantList values;
    for (const QString& column : columns) {
        marks << QStringLiteral("?");
        values << valueFor(column, request);
    }
    // Column names come from the card's own field table, never from input.
    auto inserted = db.query(QStringLiteral("INSERT INTO Vardelin_Contact (") + columns.join(u',') +
                                 QStringLiteral(") VALUES (") + marks.join(u',') + u')',
                             values);
    if (!inserted)
        return inserted.error();
    auto id = db.insertedId(inserted.value());
    if (!id)
        return id.error();
    contactId = id.value();
    return {};
}

Status updateRow(const Database& db, const ContactCard::SaveRequest& request, bool& found)
{
    QStringList assignments;
    QVariantList values;
    for (const QString& column : CardFields::saveOrder()) {
        assignments << column + QStringLiteral(" = ?");
        values << valueFor(column, request);
    }
    values << *request.updateId;
    auto updated =
        db.query(QStringLiteral("UPDATE Vardelin_Contact SET ") +
                     assignments.join(QStringLiteral(", ")) + QStringLiteral(" WHERE ID = ?"),
                 values);
    if (!updated)
        return updated.error();
    found = updated.value().numRowsAffected() > 0;
    return {};
}

// The lunar mark goes with the row: set only while there is a birthday to keep so.
Status writeLunarMark(const Database& db, qint64 contactId, const ContactRecord& record)
{
    return LunarMark::set(db, contactId,
                          record.lunarBirthday && record.dates.value(QStringLiteral("Birthday")));
}

Result<bool> groupExists(const Database& db, qint64 groupId)
{
    auto found = db.query(QStringLiteral("SELECT 1 FROM Vardelin_Type WHERE ID = ?"), {groupId});
    if (!found)
        return found.error();
    const bool exists = found.value().next();
    if (Status ended = db.finished(found.value()); !ended)
        return ended.error();
    return exists;
}

} // namespace

RowVersion::Row ContactCard::versionedRow(qint64 contactId)
{
    return {QStringLiteral("Vardelin_Contact"), QStringLiteral("ID"), contactId,
            CardFields::saveOrder()};
}

Result<std::optional<ContactRecord>> ContactCard::load(const Database& db, qint64 contactId,
                                                       RowVersion::Version* readAs)
{
    auto row = db.query(QStringLiteral("SELECT * FROM Vardelin_Contact WHERE ID = ?"), {contactId});
    if (!row)
        return row.error();
    QSqlQuery& query = row.value();
    if (!query.next()) {
        if (Status ended = db.finished(query); !ended)
            return ended.error();
        return std::optional<ContactRecord>();
    }
    ContactRecord record = recordOf(query);
    if (readAs)
        *readAs = RowVersion::of(query.record(), CardFields::saveOrder());
    query.finish();
    auto lunar = LunarMark::isSet(db, contactId);
    if (!lunar)
        return lunar.error();
    record.lunarBirthday = lunar.value();
    return std::optional<ContactRecord>(std::move(record));
}

Result<ContactCard::Saved> ContactCard::save(const Database& db, const SaveRequest& request)
{
    Saved saved;
    const Status written = db.writeTransaction([&]() -> Status {
        if (request.updateId && request.readAs) {
            const RowVersion::Expected asRead{versionedRow(*request.updateId), *request.readAs};
            auto changed = RowVersion::conflicts(db, {&asRead, 1});
            if (!changed)
                return changed.error();
            if (!changed.value().empty()) {
                saved.outcome = changed.value().front().change == RowVersion::Change::Deleted
                                    ? SaveOutcome::RowVanished
                                    : SaveOutcome::RowChanged;
                return {};
            }
        }
        auto group = groupExists(db, request.record.groupId);
        if (!group)
            return group.error();
        if (!group.value()) {
            saved.outcome = SaveOutcome::GroupVanished;
            return {};
        }
        if (!request.updateId) {
            if (Status inserted = insertRow(db, request, saved.contactId); !inserted)
                return inserted;
            if (Status marked = writeLunarMark(db, saved.contactId, request.record); !marked)
                return marked;
            return SearchIndex::refresh(db);
        }
        bool found = false;
        if (Status updated = updateRow(db, request, found); !updated)
            return updated;
        saved.contactId = *request.updateId;
        if (!found) {
            saved.outcome = SaveOutcome::RowVanished;
            return {};
        }
        if (Status marked = writeLunarMark(db, saved.contactId, request.record); !marked)
            return marked;
        // The search's pinyin and digits of the row are committed with it.
        return SearchIndex::refresh(db);
    });
    if (!written)
        return written.error();
    return saved;
}
