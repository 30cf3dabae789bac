// SPDX-License-Identifier: GPL-3.0-or-later
// Column widths of every list: stored in twips, shown in pixels of the screen's resolution.
#pragma once

#include <QtGlobal>

namespace ListWidths {

inline constexpr int twipsPerInch = 1440;
// The resolution at which a pixel is 15 twips.
inline constexpr int referenceDpi = 96;
// Wider than any screen; keeps a damaged stored width from overflowing the conversion.
inline constexpr int largestPixels = 100000;

// A stored width in pixels at logicalDpi, rounded to the nearest pixel. Zero and less give 0,
// which hides the column.
int pixelsFromTwips(qint64 twips, qreal logicalDpi);
// A width in pixels at logicalDpi as twips, rounded to the nearest twip; zero and less give 0.
qint64 twipsFromPixels(qint64 pixels, qreal logicalDpi);

} // namespace ListWidths
