// SPDX-License-Identifier: GPL-3.0-or-later
// A workbook of one sheet "Sheet1" written row by row, every cell as text.
#pragma once

#include "db/Result.h"

#include <QString>
#include <QStringList>

#include <string_view>
#include <vector>

struct LibXlsxWriter;
struct lxw_workbook;
struct lxw_worksheet;
struct lxw_format;

// Rows go to disk as they come (the library's constant-memory mode), so 100,000 contacts never
// sit in memory; the sheet is packed into the workbook file by finish(). Cells are written as
// text so telephone numbers and dates read back exactly as stored; empty cells are left out.
class XlsxExport {
public:
    // Writes through the system's libxlsxwriter, loaded by the first export made.
    XlsxExport();
    // Writes through these entry points; null is a system without them, which open() refuses.
    explicit XlsxExport(const LibXlsxWriter* library);
    XlsxExport(const XlsxExport&) = delete;
    XlsxExport& operator=(const XlsxExport&) = delete;
    // A workbook not finished is closed and its file removed.
    ~XlsxExport();

    Status open(const QString& path);
    // The first row written is the header, in bold.
    Status writeRow(const QStringList& cells);
    // UTF-8 cells, each followed by a NUL in memory (as SQLite hands out its texts).
    Status writeRow(const std::vector<std::string_view>& cells);
    Status finish();

    // Excel keeps at most this many characters in a cell.
    static constexpr qsizetype maxCellLength = 32767;

private:
    DbError failure(int code, const QString& what) const;

    const LibXlsxWriter* m_xlsx;
    QString m_path;
    lxw_workbook* m_workbook = nullptr;
    lxw_worksheet* m_sheet = nullptr;
    lxw_format* m_bold = nullptr;
    quint32 m_row = 0;
};
