// SPDX-License-Identifier: GPL-3.0-or-later
// A sheet of text read from a foreign file: column names from its first row, then its records.
#pragma once

#include "db/DbError.h"

#include <QList>
#include <QString>
#include <QStringList>

// Every file kind the import reads as a table (CSV, workbooks) delivers this shape, so the
// mapping and the import itself never care where the values came from. Each row has exactly
// as many cells as there are columns; a missing cell is an empty string.
struct ImportTable {
    QStringList columns;
    QList<QStringList> rows;

    qsizetype columnOf(const QString& name) const { return columns.indexOf(name); }
};

// Numbers shown after "错误" when a foreign file cannot be read; kept apart from SQLite's codes.
namespace ImportErrorCode {
inline constexpr int CannotOpen = 3001;
inline constexpr int NotText = 3002;
inline constexpr int BadLayout = 3003;
inline constexpr int TooLarge = 3004;
inline constexpr int NotVCard = 3005;
inline constexpr int CannotWrite = 3006;
inline constexpr int BadValue = 3007;
inline constexpr int NotWorkbook = 3008;
inline constexpr int NoSheet = 3009;
inline constexpr int ReaderFailed = 3010;
} // namespace ImportErrorCode

inline DbError importError(int code, const QString& description)
{
    return {code, description};
}
