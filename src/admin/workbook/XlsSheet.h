// SPDX-License-Identifier: GPL-3.0-or-later
// The sheet "Sheet1" of a legacy .xls workbook (Excel 5.0/95 and 97-2003: BIFF5 and BIFF8),
// its compound document read through libgsf and its records by BiffGlobals and BiffSheet.
#pragma once

#include "SheetRows.h"

#include "db/Result.h"

namespace XlsSheet {

// Text as text, numbers by WorkbookCells::numberText, cells with a date format as
// "YYYY-MM-DD" (with the time when it is not midnight), times as "HH:MM:SS", booleans as
// TRUE/FALSE, error values as shown, formulas by their cached result, empty cells empty.
// Every refusal names its reason: not a workbook, an .xlsx named .xls, a version before
// Excel 5.0, a password, no Sheet1, or damage and where it was found.
Status read(const QString& path, SheetRows& rows);

} // namespace XlsSheet
