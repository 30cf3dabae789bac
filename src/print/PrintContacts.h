// SPDX-License-Identifier: GPL-3.0-or-later
// The contacts a print job draws, read whole from the address book.
#pragma once

#include "db/Result.h"

#include <QByteArray>
#include <QHash>
#include <QString>

#include <vector>

class Database;

struct PrintContact {
    qint64 id = 0;
    // Every text of the contact's row by column name ("Name", "ZipCode", …), dates as
    // yyyy-MM-dd; the group's name under "TID".
    QHash<QString, QString> values;
    QByteArray photo;

    QString value(QLatin1StringView column) const
    {
        return values.value(QString(column)).trimmed();
    }
    QString name() const { return value(QLatin1StringView("Name")); }
    QString company() const { return value(QLatin1StringView("CompanyName")); }
    // The home address, or the company's when the home one is empty.
    QString address() const;
    QString postcode() const { return value(QLatin1StringView("ZipCode")); }
};

namespace PrintContacts {

// The contacts of ids in the order given; IDs no longer stored are left out.
Result<std::vector<PrintContact>> load(const Database& db, const std::vector<qint64>& ids);

// The names of the contacts an envelope or label would leave without a postcode or an address,
// in order, each once; a nameless contact by its number.
QStringList withGaps(const std::vector<PrintContact>& contacts);

} // namespace PrintContacts
