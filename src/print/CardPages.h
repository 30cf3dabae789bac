// SPDX-License-Identifier: GPL-3.0-or-later
// Contact cards on A4: one or two to a page, the photo and every filled field under its label.
#pragma once

#include "PrintPages.h"

namespace CardPages {

PrintOutcome draw(QPagedPaintDevice& device, const PrintOptions& options,
                  const std::vector<PrintContact>& contacts, const PrintProgress& progress);

} // namespace CardPages
