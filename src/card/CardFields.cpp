// SPDX-License-Identifier: GPL-3.0-or-later
#include "CardFields.h"

#include <algorithm>

QStringList CardFields::saveOrder()
{
    const QStringList leading{QString(userColumn), QStringLiteral("TID"), QStringLiteral("Name"),
                              QString(initialColumn), QStringLiteral("Sex")};
    QStringList columns = leading;
    for (const CardField& field : all) {
        const QString column(field.column);
        if (column.isEmpty() || leading.contains(column) || field.editor == E::Picture)
            continue;
        columns << column;
    }
    columns << QStringLiteral("Photo") << QString(savedOnColumn);
    return columns;
}

std::vector<const CardField*> CardFields::tabOrder()
{
    std::vector<const CardField*> fields;
    fields.reserve(all.size());
    for (const CardField& field : all)
        fields.push_back(&field);
    std::stable_sort(fields.begin(), fields.end(),
                     [](const CardField* a, const CardField* b) { return a->frame < b->frame; });
    return fields;
}
