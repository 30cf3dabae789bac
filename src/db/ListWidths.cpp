// SPDX-License-Identifier: GPL-3.0-or-later
#include "ListWidths.h"

#include <algorithm>
#include <cmath>

namespace {

// A screen that reports no resolution is taken as the reference one.
qreal usableDpi(qreal logicalDpi)
{
    return logicalDpi > 0 && std::isfinite(logicalDpi) ? logicalDpi : ListWidths::referenceDpi;
}

} // namespace

int ListWidths::pixelsFromTwips(qint64 twips, qreal logicalDpi)
{
    if (twips <= 0)
        return 0;
    const qreal pixels = std::round(qreal(twips) * usableDpi(logicalDpi) / twipsPerInch);
    return int(std::min<qreal>(pixels, largestPixels));
}

qint64 ListWidths::twipsFromPixels(qint64 pixels, qreal logicalDpi)
{
    if (pixels <= 0)
        return 0;
    const qint64 bounded = std::min<qint64>(pixels, largestPixels);
    return qint64(std::round(qreal(bounded) * twipsPerInch / usableDpi(logicalDpi)));
}
