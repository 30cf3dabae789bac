// SPDX-License-Identifier: GPL-3.0-or-later
#include "PrintContacts.h"

#include "contacts/IdBatches.h"
#include "db/ContactFields.h"
#include "db/Database.h"

#include <QDate>
#include <QDateTime>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QStringList>

#include <unordered_map>

namespace {

QString asText(const QVariant& value)
{
    if (value.typeId() == QMetaType::QDate)
        return value.toDate().toString(Qt::ISODate);
    if (value.typeId() == QMetaType::QDateTime)
        return value.toDateTime().date().toString(Qt::ISODate);
    return value.toString();
}

QString selectHead()
{
    QStringList columns;
    for (const ContactField& field : ContactFields::all)
        columns << QStringLiteral("C.") + QString(field.name);
    return QStringLiteral("SELECT ") + columns.join(u',') +
           QStringLiteral(", T.Name FROM Vardelin_Contact C LEFT JOIN Vardelin_Type T "
                          "ON T.ID = C.TID WHERE C.ID IN ");
}

PrintContact fromRow(const QSqlQuery& row)
{
    PrintContact contact;
    contact.id = row.value(0).toLongLong();
    for (int i = 0; i < int(ContactFields::all.size()); ++i) {
        const ContactField& field = ContactFields::all[std::size_t(i)];
        if (field.kind == ContactField::Kind::Binary)
            contact.photo = row.value(i).toByteArray();
        else
            contact.values.insert(QString(field.name), asText(row.value(i)));
    }
    contact.values.insert(QStringLiteral("TID"),
                          row.value(int(ContactFields::all.size())).toString());
    return contact;
}

} // namespace

QString PrintContact::address() const
{
    const QString home = value(QLatin1StringView("Address"));
    return home.isEmpty() ? value(QLatin1StringView("CompanyAddress")) : home;
}

Result<std::vector<PrintContact>> PrintContacts::load(const Database& db,
                                                      const std::vector<qint64>& ids)
{
    std::unordered_map<qint64, PrintContact> found;
    const QString head = selectHead();
    Status read = IdBatches::forEach(ids, [&](const QString& marks, const QVariantList& values) {
        auto rows = db.query(head + marks, values);
        if (!rows)
            return Status(rows.error());
        while (rows.value().next()) {
            PrintContact contact = fromRow(rows.value());
            found.emplace(contact.id, std::move(contact));
        }
        return db.finished(rows.value());
    });
    if (!read)
        return read.error();
    std::vector<PrintContact> contacts;
    contacts.reserve(found.size());
    for (qint64 id : ids) {
        if (auto it = found.find(id); it != found.end()) {
            contacts.push_back(std::move(it->second));
            found.erase(it);
        }
    }
    return contacts;
}

QStringList PrintContacts::withGaps(const std::vector<PrintContact>& contacts)
{
    QStringList names;
    for (const PrintContact& contact : contacts) {
        if (!contact.postcode().isEmpty() && !contact.address().isEmpty())
            continue;
        names << (contact.name().isEmpty() ? QStringLiteral("编号 %1").arg(contact.id)
                                           : contact.name());
    }
    return names;
}
