// SPDX-License-Identifier: GPL-3.0-or-later
// The cells of one sheet of a BIFF5/BIFF8 workbook stream.
#pragma once

#include "BiffGlobals.h"
#include "SheetRows.h"

#include "db/Result.h"

namespace Biff {

// Reads the sheet from its BOF through its EOF and hands its rows to `rows`, top to bottom,
// only when the whole sheet was read: damage anywhere in it refuses the sheet, naming the
// row after which it was found. Text as stored, numbers and dates by the cell's style,
// booleans as TRUE/FALSE, error values as shown (#N/A), and for a formula its cached result
// of any of these kinds.
Status readSheet(QByteArrayView stream, const Globals& globals, const SheetEntry& sheet,
                 SheetRows& rows);

} // namespace Biff
