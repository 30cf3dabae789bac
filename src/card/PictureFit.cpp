// SPDX-License-Identifier: GPL-3.0-or-later
#include "PictureFit.h"

#include <algorithm>
#include <cmath>

QSize PictureFit::shownSize(QSize picture, QSize room)
{
    if (picture.isEmpty() || room.isEmpty())
        return {};
    if (picture.width() <= room.width() && picture.height() <= room.height())
        return picture;
    // The side that is tighter decides; the other follows the picture's proportions.
    const double scale =
        std::min(double(room.width()) / picture.width(), double(room.height()) / picture.height());
    const int width = std::clamp(int(std::lround(picture.width() * scale)), 1, room.width());
    const int height = std::clamp(int(std::lround(picture.height() * scale)), 1, room.height());
    return {width, height};
}
