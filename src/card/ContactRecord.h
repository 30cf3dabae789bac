// SPDX-License-Identifier: GPL-3.0-or-later
// One contact's values as the card shows and saves them.
#pragma once

#include <QByteArray>
#include <QDate>
#include <QHash>
#include <QString>

#include <optional>

struct ContactRecord {
    // TID; 0 when no group is chosen.
    qint64 groupId = 0;
    // Text columns by name (Name, Sex, Tel1, ...); a column that is Null reads as empty.
    QHash<QString, QString> texts;
    // Date columns by name; nothing for Null or a stored value that is not a date.
    QHash<QString, std::optional<QDate>> dates;
    // Photo as stored: a picture bag, or whatever bytes the column holds.
    QByteArray photo;
    // The birthday is kept by the lunar calendar (a mark beside the row, never without a
    // birthday).
    bool lunarBirthday = false;
};
