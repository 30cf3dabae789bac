// SPDX-License-Identifier: GPL-3.0-or-later
// Writing the contacts an account may see to an .xlsx workbook, a CSV file or a vCard file.
#pragma once

#include "db/ContactFields.h"
#include "db/Result.h"

#include <QList>
#include <QString>

#include <functional>
#include <optional>

class Database;

namespace ContactExport {

enum class Format { Xlsx, Csv, VCard };

// The format a chosen file's name ending asks for; nothing for any other ending.
std::optional<Format> formatOf(const QString& path);
// The save dialog's filter, workbook first.
QString fileFilter();

// A column of the contact table as a tabular file heads it.
struct Column {
    QString name;
    QString caption;
};

// Every column of the contact table but the photo, in table order, headed by the caption the
// list columns give it (so the import's grid offers the same words); a caption repeated after
// a rename gets its column's name added, so every header names one column.
Result<QList<Column>> tabularColumns(const Database& db);

// Told after each batch of rows: rows written so far and rows in all.
using Progress = std::function<void(qsizetype done, qsizetype total)>;

// Rows are read this many at a time, between which progress is told.
inline constexpr qsizetype batchRows = 1000;

// Writes the contacts userId may see (the administrator every contact, any other account its
// own) in ID order to path. The file is replaced only once written whole: on any failure (an
// unwritable folder, a full disk, a value the format cannot hold, a database error) the error
// comes back and no file is left, an existing one untouched. Gives the number of contacts.
Result<qsizetype> writeFile(const Database& db, qint64 userId, const QString& path, Format format,
                            const Progress& progress = {});

} // namespace ContactExport
