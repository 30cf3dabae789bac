// SPDX-License-Identifier: GPL-3.0-or-later
// The settings window's fixed list widths are given in twips.
#pragma once

namespace Twips {

// Fifteen twips to a pixel at the usual 96 dots per inch.
constexpr int toPixels(int twips)
{
    return twips / 15;
}

} // namespace Twips
