// SPDX-License-Identifier: GPL-3.0-or-later
// The sheet "Sheet1" of an .xlsx workbook (Office Open XML), read through QuaZip and
// QXmlStreamReader.
#pragma once

#include "SheetRows.h"

#include "db/Result.h"

namespace XlsxSheet {

// The sheet found by name in workbook.xml and its part through the relationships. Shared and
// inline strings (the text of every run; phonetic guides left out), numbers by
// WorkbookCells::numberText, booleans as TRUE/FALSE, cells with a date or time number format
// (built-in or custom) as dates, cached results of formulas, error values as shown (#N/A).
// Cells are placed by their reference (r="C5"), so sparse rows keep their columns.
Status read(const QString& path, SheetRows& rows);

} // namespace XlsxSheet
