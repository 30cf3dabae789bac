// SPDX-License-Identifier: GPL-3.0-or-later
// The list as a table on A4 pages, its header row and grid on every page.
#pragma once

#include "PrintPages.h"

namespace ListPages {

PrintOutcome draw(QPagedPaintDevice& device, const PrintOptions& options, const PrintTable& table,
                  const PrintProgress& progress);

} // namespace ListPages
