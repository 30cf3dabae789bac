// SPDX-License-Identifier: GPL-3.0-or-later
// Reading a CSV file into an import table and writing one, as RFC 4180 lays the format out.
#pragma once

#include "admin/ImportTable.h"
#include "admin/TextDecoding.h"
#include "db/Result.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringEncoder>
#include <QStringList>
#include <QStringView>

#include <optional>

class QIODevice;

namespace CsvTable {

// The field separators a file can use, in the order they are offered: comma, semicolon, tab.
const QList<QChar>& separators();

// The separator of a text: the one an "sep=;" first line names (as spreadsheet programs
// write it), else the one the header line holds most of outside quotes; a comma when it holds
// none or ties.
QChar detectSeparator(QStringView text);

// The first record gives the column names, every further record a row. Fields may be quoted
// ("" inside stands for one quote; separators and line breaks inside are kept); records end
// with CRLF, LF, CR or CR CR LF (one line end, as text-mode writers double the CR), the last one
// with or without. Lines with nothing on them, and a "sep=" first line, are skipped.
// A row with fewer cells than the header gets empty cells; cells beyond the header are dropped
// when empty (spreadsheet programs pad rows so) and refused with an error naming the line when
// they hold a value, since dropping it would lose data silently.
Result<ImportTable> parse(const QString& text, QChar separator = u',');

// How a file is read; what is left empty is detected (TextDecoding::decodeDetecting,
// detectSeparator).
struct Format {
    std::optional<TextDecoding::Encoding> encoding;
    std::optional<QChar> separator;
};

// A table with the encoding and separator it was read by.
struct Reading {
    ImportTable table;
    TextDecoding::Encoding encoding = TextDecoding::Encoding::Utf8;
    QChar separator = u',';
};

// The file's bytes decoded and parsed. The bytes are let go once decoded, so a large file is
// never held twice over.
Result<Reading> readBytes(QByteArray bytes, const Format& format = {});
Result<Reading> readPath(const QString& path, const Format& format = {});
Result<ImportTable> fromBytes(QByteArray bytes, const Format& format = {});
Result<ImportTable> readFile(const QString& path, const Format& format = {});

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
