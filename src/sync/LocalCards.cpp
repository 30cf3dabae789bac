// SPDX-License-Identifier: GPL-3.0-or-later
#include "LocalCards.h"

#include "contacts/IdBatches.h"

#include "contacts/PinyinInitial.h"
#include "db/ContactFields.h"
#include "db/Database.h"
#include "db/PictureBag.h"
#include "db/RowStatement.h"

#include <QCryptographicHash>
#include <QSqlRecord>

#include <string>

namespace {

constexpr qint64 rootGroupId = 1;

// The text columns a card fills, in table order.
QStringList cardColumns()
{
    QStringList columns;
    for (const ContactField& field : ContactFields::all)
        if (field.kind != ContactField::Kind::Identifier &&
            field.kind != ContactField::Kind::Binary && field.name != QLatin1StringView("Py") &&
            field.name != QLatin1StringView("AddDate"))
            columns << QString(field.name);
    return columns;
}

const QStringList& columns()
{
    static const QStringList all = cardColumns();
    return all;
}

// The group a category names: the first of that name, else a new one below the root group.
Result<qint64> groupNamed(const Database& db, const QString& name)
{
    auto found = db.readOne(
        QStringLiteral("SELECT ID FROM Vardelin_Type WHERE Name = ? ORDER BY ID LIMIT 1"), {name});
    if (!found)
        return found.error();
    if (found.value())
        return found.value()->value(0).toLongLong();
    if (Status made = db.exec(
            QStringLiteral("INSERT INTO Vardelin_Type (PID, Number, Name) VALUES (?, 0, ?)"),
            {rootGroupId, name});
        !made)
        return made.error();
    auto made = db.readOne(
        QStringLiteral("SELECT ID FROM Vardelin_Type WHERE Name = ? ORDER BY ID DESC LIMIT 1"),
        {name});
    if (!made)
        return made.error();
    return made.value() ? made.value()->value(0).toLongLong() : rootGroupId;
}

Result<qint64> groupFor(const Database& db, const VCardContact& card,
                        const LocalCards::Filing& filing)
{
    if (card.categories.isEmpty())
        return filing.defaultGroupId;
    return groupNamed(db, card.categories.front());
}

QVariantList valuesOf(const VCardContact& card)
{
    QVariantList values;
    for (const QString& column : columns()) {
        const QString value = card.value(column);
        values << (value.isEmpty() ? QVariant() : QVariant(value));
    }
    values << pinyinInitial(card.value(QStringLiteral("Name")));
    values << (card.photo.isEmpty() ? QVariant() : QVariant(PictureBag::ofPicture(card.photo)));
    return values;
}

} // namespace

namespace {

// SELECT of the card's columns, the photo and the group's name; where follows.
const QString& cardSelect()
{
    static const QString sql =
        QStringLiteral("SELECT C.%1, C.Photo, C.TID, T.Name, C.ID FROM Vardelin_Contact C LEFT "
                       "JOIN Vardelin_Type T ON T.ID = C.TID WHERE C.ID ")
            .arg(columns().join(QStringLiteral(", C.")));
    return sql;
}

template <typename Row> VCardContact cardOf(const Row& record)
{
    VCardContact card;
    const QStringList& names = columns();
    for (qsizetype i = 0; i < names.size(); ++i)
        if (const QString value = record.value(int(i)).toString(); !value.isEmpty())
            card.columns.insert(names[i], value);
    const int photoAt = int(names.size());
    card.photo = PictureBag::pictureOf(record.value(photoAt).toByteArray()).value_or(QByteArray());
    const QString group = record.value(photoAt + 2).toString();
    if (record.value(photoAt + 1).toLongLong() != rootGroupId && !group.isEmpty())
        card.categories = {group};
    return card;
}

} // namespace

Result<QString> LocalCards::digest(const Database& db, const QList<qint64>& inScope)
{
    // A change detector, not a seal: MD5 is quick, and no one gains by making two books alike.
    QCryptographicHash digest(QCryptographicHash::Md5);
    const auto add = [&digest](std::string_view bytes) {
        const qint64 size = qint64(bytes.size());
        digest.addData(QByteArrayView(reinterpret_cast<const char*>(&size), sizeof size));
        digest.addData(QByteArrayView(bytes.data(), qsizetype(bytes.size())));
    };
    // Every value with its length, so that no two rows join alike; none and empty are alike,
    // as on the card.
    const QString sql =
        cardSelect().section(QStringLiteral(" WHERE "), 0, 0) + QStringLiteral(" ORDER BY C.ID");
    const int width = int(columns().size()) + 4; // the photo, the group, its name, the ID
    // Straight from SQLite in a file: Qt's conversion of fifty values a row would cost more than
    // the comparison it saves. Stepped on a server too, where the photos make the rows large.
    auto rows = RowStatements::prepare(db, sql, {});
    if (!rows)
        return rows.error();
    const Status read = std::visit(
        [&](auto& statement) {
            while (statement.step())
                for (int i = 0; i < width; ++i)
                    add(statement.text(i));
            return statement.error();
        },
        rows.value());
    if (!read)
        return read.error();
    for (qint64 id : inScope)
        add(std::to_string(id));
    return QString::fromLatin1(digest.result().toHex());
}

Result<std::optional<VCardContact>> LocalCards::read(const Database& db, qint64 contactId)
{
    auto row = db.readOne(cardSelect() + QStringLiteral("= ?"), {contactId});
    if (!row)
        return row.error();
    if (!row.value())
        return std::optional<VCardContact>();
    return std::optional<VCardContact>(cardOf(*row.value()));
}

Result<QHash<qint64, VCardContact>> LocalCards::readMany(const Database& db,
                                                         const std::vector<qint64>& ids)
{
    QHash<qint64, VCardContact> cards;
    const int idAt = int(columns().size()) + 3;
    const Status read =
        IdBatches::forEach(ids, [&](const QString& marks, const QVariantList& values) -> Status {
            auto rows = db.query(cardSelect() + QStringLiteral("IN ") + marks, values);
            if (!rows)
                return rows.error();
            while (rows.value().next())
                cards.insert(rows.value().value(idAt).toLongLong(), cardOf(rows.value()));
            return db.finished(rows.value());
        });
    if (!read)
        return read.error();
    return cards;
}

Result<qint64> LocalCards::add(const Database& db, const VCardContact& card, const Filing& filing)
{
    auto group = groupFor(db, card, filing);
    if (!group)
        return group.error();
    QStringList names = columns();
    names << QStringLiteral("Py") << QStringLiteral("Photo") << QStringLiteral("UID")
          << QStringLiteral("TID") << QStringLiteral("AddDate");
    QVariantList values = valuesOf(card);
    values << filing.ownerId << group.value()
           << filing.today.toString(QStringLiteral("yyyy-MM-dd"));
    auto added = db.query(
        QStringLiteral("INSERT INTO Vardelin_Contact (%1) VALUES (%2)")
            .arg(names.join(u','), QStringList(names.size(), QStringLiteral("?")).join(u',')),
        values);
    if (!added)
        return added.error();
    return db.insertedId(added.value());
}

Status LocalCards::update(const Database& db, qint64 contactId, const VCardContact& card,
                          bool groupChanged, const Filing& filing)
{
    QStringList names = columns();
    names << QStringLiteral("Py") << QStringLiteral("Photo") << QStringLiteral("AddDate");
    QVariantList values = valuesOf(card);
    values << filing.today.toString(QStringLiteral("yyyy-MM-dd"));
    if (groupChanged) {
        auto group = groupFor(db, card, filing);
        if (!group)
            return group.error();
        names << QStringLiteral("TID");
        values << group.value();
    }
    values << contactId;
    return db.exec(QStringLiteral("UPDATE Vardelin_Contact SET %1 = ? WHERE ID = ?")
                       .arg(names.join(QStringLiteral(" = ?, "))),
                   values);
}
