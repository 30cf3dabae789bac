// SPDX-License-Identifier: GPL-3.0-or-later
// libxlsxwriter's entry points that the workbook export calls, read from the system's
// libxlsxwriter.so.4 on the export's first use instead of being linked: linked, the library and
// its zip library would be loaded and bound before main() at every start for a command few
// starts use.
#pragma once

#include <xlsxwriter.h>

#include <QString>

#include <optional>

struct LibXlsxWriter {
    decltype(&::format_set_bold) formatSetBold = nullptr;
    decltype(&::lxw_strerror) strerror = nullptr;
    decltype(&::workbook_add_format) workbookAddFormat = nullptr;
    decltype(&::workbook_add_worksheet) workbookAddWorksheet = nullptr;
    decltype(&::workbook_close) workbookClose = nullptr;
    decltype(&::workbook_new_opt) workbookNewOpt = nullptr;
    decltype(&::worksheet_write_string) worksheetWriteString = nullptr;

    // The entry points, read once by whichever thread asks first; null when the library or any
    // of them is missing.
    static const LibXlsxWriter* get();
    // Every entry point from the library of this name and major version ("xlsxwriter", 4), or
    // nothing when it cannot be loaded or lacks one of them.
    static std::optional<LibXlsxWriter> load(const QString& name, int version);
};
