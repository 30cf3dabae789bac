// SPDX-License-Identifier: GPL-3.0-or-later
// Reading a CSV file into an import table and writing one, as RFC 4180 lays the format out.
#pragma once

#include "admin/ImportTable.h"
#include "db/Result.h"

#include <QByteArray>
#include <QString>
#include <QStringEncoder>
#include <QStringList>

class QIODevice;

namespace CsvTable {

// The first record gives the column names, every further record a row. Fields may be quoted
// ("" inside stands for one quote; commas and line breaks inside are kept); records end with
// CRLF, LF or CR, the last one with or without. Lines with nothing on them are skipped.
// A row with fewer cells than the header gets empty cells; cells beyond the header are dropped
// when empty (spreadsheet programs pad rows so) and refused with an error naming the line when
// they hold a value, since dropping it would lose data silently.
Result<ImportTable> parse(const QString& text);

// The file's bytes in any encoding TextDecoding::decodeFile recognises, then parse.
// The bytes are let go once decoded, so a large file is never held twice over.
Result<ImportTable> fromBytes(QByteArray bytes);
Result<ImportTable> readFile(const QString& path);

// One field as written: quoted, with doubled quotes, when it holds a comma, quote, CR or LF.
QString quoted(const QString& field);

// Writes UTF-8 with a BOM and CRLF line ends, so spreadsheet programs show Chinese text
// correctly; rows go out as they come, so a large export never holds the whole file.
class Writer {
public:
    explicit Writer(QIODevice& device);
    bool writeRow(const QStringList& cells);

private:
    QIODevice& m_device;
    QStringEncoder m_encoder{QStringEncoder::Utf8};
    QString m_line; // reused, so a row costs no allocation once lines stop growing
    bool m_bomWritten = false;
};

// The table as a whole file's bytes (header row first), and the same written to a path; the
// file is replaced only once it is written whole.
QByteArray toBytes(const ImportTable& table);
Status writeFile(const QString& path, const ImportTable& table);

} // namespace CsvTable
