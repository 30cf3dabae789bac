// SPDX-License-Identifier: GPL-3.0-or-later
// A picture smoothly scaled for the screen, in its own colours whatever its pixel format.
#pragma once

#include <QImage>

namespace ScaledPicture {

// The image at size (as PictureFit gives it). Palette and 1-bit images are first turned into
// 32-bit colour: scaled in their own format they are sampled, not averaged, and a fine pattern
// such as a scanned logo's dither turns into black-and-white noise.
QImage of(const QImage& image, QSize size);

} // namespace ScaledPicture
