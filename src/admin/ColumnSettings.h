// SPDX-License-Identifier: GPL-3.0-or-later
// Every row of Vardelin_Alias as the column page edits it: caption, shown, width and order.
#pragma once

#include "db/Result.h"
#include "db/RowVersion.h"

#include <QString>

#include <optional>
#include <vector>

class Database;

struct ColumnSetting {
    qint64 id = 0;
    QString caption;
    // In the unit Vardelin_Alias.Width holds, which the list uses as it stands.
    int width = 0;
    int seq = 0;
    bool shown = false;
    // The row's version when it was read (RowVersion); empty for a setting not read from the file.
    RowVersion::Version readAs;
};

namespace ColumnSettings {

// Every column row in ID order, each with its version.
Result<std::vector<ColumnSetting>> read(const Database& db);

// The row of a column and the fields write() writes of it.
RowVersion::Row versionedRow(qint64 id);
// Whether write() would store something else for b than for a.
bool differs(const ColumnSetting& a, const ColumnSetting& b);

// Writes caption, width, order and shown of every row, changed or not. Run it inside the
// caller's transaction: it stops at the first failure.
Status write(const Database& db, const std::vector<ColumnSetting>& columns);

// A width or order as typed: plain decimal digits with an optional minus sign,
// small enough for the column; anything else (blanks, "1e3", "0x10", "1.5",
// full-width digits) is no number.
std::optional<int> wholeNumber(const QString& text);

// A caption the list can head a column with: anything but nothing or blanks alone.
bool showableCaption(const QString& text);

} // namespace ColumnSettings
