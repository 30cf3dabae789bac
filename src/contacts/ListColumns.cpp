// SPDX-License-Identifier: GPL-3.0-or-later
#include "ListColumns.h"

#include "db/ContactFields.h"
#include "db/Database.h"
#include "db/SystemOptions.h"

#include <QSet>

namespace {

QSet<QString> listableFields()
{
    QSet<QString> fields{QString(ContactFields::groupNameColumn)};
    for (const ContactField& field : ContactFields::all) {
        if (field.kind == ContactField::Kind::Text || field.kind == ContactField::Kind::Date)
            fields.insert(QStringLiteral("C.") + QString(field.name));
    }
    return fields;
}

} // namespace

bool ListColumns::isListable(const QString& field)
{
    static const QSet<QString> fields = listableFields();
    return fields.contains(field);
}

Result<std::vector<ListColumn>> ListColumns::displayed(const Database& db)
{
    // The flag is read as every yes/no value is: SQL's "IsDisplay <> 0" would count a
    // stored 'false' as shown.
    auto rows = db.query(QStringLiteral("SELECT ID, Name, Alias, Width, IsDisplay "
                                        "FROM Vardelin_Alias ORDER BY Seq, ID"));
    if (!rows)
        return rows.error();
    QSqlQuery& q = rows.value();
    std::vector<ListColumn> columns;
    while (q.next()) {
        const QString field = q.value(1).toString().trimmed();
        if (yesNo(q.value(4)) && isListable(field))
            columns.push_back(
                {q.value(0).toLongLong(), field, q.value(2).toString(), q.value(3).toInt()});
    }
    if (Status finished = db.finished(q); !finished)
        return finished.error();
    // A list without a single column could not be read or clicked; show the
    // name until the user picks columns again.
    if (columns.empty())
        columns.push_back({0, QStringLiteral("C.Name"), QStringLiteral("姓名"), 1650});
    return columns;
}
