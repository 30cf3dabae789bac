// SPDX-License-Identifier: GPL-3.0-or-later
// Sheets of A4 address labels, filled row by row from a chosen first position.
#pragma once

#include "PrintPages.h"

#include <QRectF>

namespace LabelPages {

// The label at position (0-based, row by row) of a sheet, in millimetres from the sheet's
// top left corner.
QRectF labelCell(const LabelSheet& sheet, int position);

PrintOutcome draw(QPagedPaintDevice& device, const PrintOptions& options,
                  const std::vector<PrintContact>& contacts, const PrintProgress& progress);

} // namespace LabelPages
