// SPDX-License-Identifier: GPL-3.0-or-later
#include "ScaledPicture.h"

QImage ScaledPicture::of(const QImage& image, QSize size)
{
    if (image.isNull() || size.isEmpty() || size == image.size())
        return image;
    const QImage::Format averaged =
        image.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32;
    const QImage source = image.format() == averaged ? image : image.convertToFormat(averaged);
    return source.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}
