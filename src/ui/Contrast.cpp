// SPDX-License-Identifier: GPL-3.0-or-later
#include "Contrast.h"

#include <algorithm>
#include <cmath>

namespace {

// One sRGB channel, 0 to 255, as linear light.
double linear(quint32 channel)
{
    const double value = double(channel & 0xFF) / 255.0;
    return value <= 0.04045 ? value / 12.92 : std::pow((value + 0.055) / 1.055, 2.4);
}

} // namespace

double Contrast::luminance(quint32 rgb)
{
    return 0.2126 * linear(rgb >> 16) + 0.7152 * linear(rgb >> 8) + 0.0722 * linear(rgb);
}

double Contrast::ratio(quint32 first, quint32 second)
{
    const double a = luminance(first);
    const double b = luminance(second);
    return (std::max(a, b) + 0.05) / (std::min(a, b) + 0.05);
}
