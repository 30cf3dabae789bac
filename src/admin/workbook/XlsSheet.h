// SPDX-License-Identifier: GPL-3.0-or-later
// The sheet "Sheet1" of a legacy .xls workbook (BIFF5 and BIFF8), read through FreeXL.
#pragma once

#include "SheetRows.h"

#include "db/Result.h"

namespace XlsSheet {

// Text as text, numbers by WorkbookCells::numberText, date cells as "YYYY-MM-DD" (with the
// time when it is not midnight), times as "HH:MM:SS", empty cells empty.
Status read(const QString& path, SheetRows& rows);

} // namespace XlsSheet
