// SPDX-License-Identifier: GPL-3.0-or-later
// One envelope per contact: the postcode in its six boxes, the address, the recipient with
// "收", and the sender at the foot.
#pragma once

#include "PrintPages.h"

#include <QRectF>

namespace EnvelopePages {

// The postcode box at index (0 to 5) on the envelope, in millimetres from its top left
// corner, the offset setting applied: where a printed digit must land.
QRectF postcodeBox(int index, const PrintSettings& settings);

PrintOutcome draw(QPagedPaintDevice& device, const PrintOptions& options,
                  const std::vector<PrintContact>& contacts, const PrintProgress& progress);

} // namespace EnvelopePages
