// SPDX-License-Identifier: GPL-3.0-or-later
// How well a text colour stands out from the colour behind it, as WCAG 2 measures it.
#pragma once

#include <QtGlobal>

namespace Contrast {

// The ratio WCAG 2 asks of normal text (level AA).
inline constexpr double minimumForText = 4.5;

// The relative luminance of an sRGB colour given as 0xRRGGBB (the alpha byte is ignored):
// 0 for black, 1 for white.
double luminance(quint32 rgb);

// The contrast ratio of two colours, from 1 (the same luminance) to 21 (black and white); the
// order of the two does not matter.
double ratio(quint32 first, quint32 second);

} // namespace Contrast
