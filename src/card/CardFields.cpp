// SPDX-License-Identifier: GPL-3.0-or-later
#include "CardFields.h"

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
