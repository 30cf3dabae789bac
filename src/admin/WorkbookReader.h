// SPDX-License-Identifier: GPL-3.0-or-later
// The sheet "Sheet1" of an .xls or .xlsx workbook, read by a process of its own.
#pragma once

#include "admin/ImportTable.h"
#include "db/Result.h"

#include <functional>

// Workbook parsers are large C and XML code fed with files from anywhere; a damaged file may
// crash or hang them. Run in the helper program vardelin-readsheet, such a failure ends only
// the helper, and the import reports it as an error.
namespace WorkbookReader {

struct Options {
    // The helper to run; empty means the one installed beside this program.
    QString helper;
    // A helper that has not finished by then is stopped and the file reported unreadable.
    int timeoutMs = 60'000;
    // Called every few tens of milliseconds while the helper works, so a window can repaint.
    std::function<void()> waiting;
};

// The helper program beside the running executable.
QString installedHelper();

// The sheet's column names and records. Values as the helper gives them: see WorkbookCells
// in src/admin/workbook.
Result<ImportTable> readFile(const QString& path, const Options& options = {});

} // namespace WorkbookReader
