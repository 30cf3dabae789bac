// SPDX-License-Identifier: GPL-3.0-or-later
#include "SkinColours.h"

namespace {

QColor rgb(QRgb value)
{
    return QColor::fromRgb(value);
}

} // namespace

namespace Skin {

const std::array<SkinColours, 3>& themes()
{
    static const std::array<SkinColours, 3> table{{
        {
            .name = QLatin1StringView("Blue"),
            .base = rgb(0xFFFFFF),
            .alternateBase = rgb(0xF2F7FD),
            .text = rgb(0x1A1A1A),
            .grid = rgb(0xDCE6F2),
            .highlight = rgb(0xC4DCF8),
            .highlightText = rgb(0x0C1E36),
            .pane = rgb(0xFFFFFF),
            .paneText = rgb(0x1A1A1A),
            .warningText = rgb(0xB00000),
            .window = rgb(0xCFDDEE),
            .windowText = rgb(0x1E395B),
            .frameTop = rgb(0xE4EEFB),
            .frameBottom = rgb(0xC9DAEF),
            .frameBorder = rgb(0x8DAED9),
            .frameText = rgb(0x1E395B),
            .tabTop = rgb(0xDEE8F6),
            .tabBottom = rgb(0xC6D7EE),
            .tabText = rgb(0x1E395B),
            .headerTop = rgb(0xFAFCFF),
            .headerBottom = rgb(0xDDE8F5),
            .headerText = rgb(0x1E395B),
            .buttonTop = rgb(0xFDFEFF),
            .buttonBottom = rgb(0xD8E5F5),
            .buttonBorder = rgb(0x8DAED9),
            .buttonText = rgb(0x1E395B),
            .inputBorder = rgb(0xA3BEDF),
            .groupBorder = rgb(0x9CB8DC),
            .groupTitle = rgb(0x15428B),
            .disabledText = rgb(0x8D99A8),
            .hoverTop = rgb(0xFFF4C8),
            .hoverBottom = rgb(0xFFD767),
            .hoverBorder = rgb(0xDDAE48),
        },
        {
            .name = QLatin1StringView("Silver"),
            .base = rgb(0xFFFFFF),
            .alternateBase = rgb(0xF4F5F7),
            .text = rgb(0x1A1A1A),
            .grid = rgb(0xE1E4E8),
            .highlight = rgb(0xCCD8E6),
            .highlightText = rgb(0x141A22),
            .pane = rgb(0xFFFFFF),
            .paneText = rgb(0x1A1A1A),
            .warningText = rgb(0xB00000),
            .window = rgb(0xE3E6EA),
            .windowText = rgb(0x2E3238),
            .frameTop = rgb(0xF6F7F9),
            .frameBottom = rgb(0xDADEE3),
            .frameBorder = rgb(0xA7AFB9),
            .frameText = rgb(0x2E3238),
            .tabTop = rgb(0xEEF0F3),
            .tabBottom = rgb(0xD6DADF),
            .tabText = rgb(0x2E3238),
            .headerTop = rgb(0xFCFCFD),
            .headerBottom = rgb(0xE3E6EA),
            .headerText = rgb(0x2E3238),
            .buttonTop = rgb(0xFFFFFF),
            .buttonBottom = rgb(0xE2E5E9),
            .buttonBorder = rgb(0xA7AFB9),
            .buttonText = rgb(0x2E3238),
            .inputBorder = rgb(0xB4BBC4),
            .groupBorder = rgb(0xB0B7C0),
            .groupTitle = rgb(0x3C4A5C),
            .disabledText = rgb(0x9096A0),
            .hoverTop = rgb(0xFFF4C8),
            .hoverBottom = rgb(0xFFD767),
            .hoverBorder = rgb(0xDDAE48),
        },
        {
            .name = QLatin1StringView("Black"),
            .base = rgb(0xFFFFFF),
            .alternateBase = rgb(0xF3F3F3),
            .text = rgb(0x141414),
            .grid = rgb(0xE0E0E0),
            .highlight = rgb(0xF8D98A),
            .highlightText = rgb(0x1A1408),
            .pane = rgb(0x525252),
            .paneText = rgb(0xF4F4F4),
            .warningText = rgb(0xFFB8B8),
            .window = rgb(0x4A4A4A),
            .windowText = rgb(0xF0F0F0),
            .frameTop = rgb(0x5E5E5E),
            .frameBottom = rgb(0x3C3C3C),
            .frameBorder = rgb(0x262626),
            .frameText = rgb(0xF2F2F2),
            .tabTop = rgb(0x5A5A5A),
            .tabBottom = rgb(0x444444),
            .tabText = rgb(0xEEEEEE),
            .headerTop = rgb(0xF7F7F7),
            .headerBottom = rgb(0xDCDCDC),
            .headerText = rgb(0x262626),
            .buttonTop = rgb(0x6E6E6E),
            .buttonBottom = rgb(0x4E4E4E),
            .buttonBorder = rgb(0x2A2A2A),
            .buttonText = rgb(0xF4F4F4),
            .inputBorder = rgb(0x8A8A8A),
            .groupBorder = rgb(0x777777),
            .groupTitle = rgb(0xF4F4F4),
            .disabledText = rgb(0xA0A0A0),
            .hoverTop = rgb(0xFFF4C8),
            .hoverBottom = rgb(0xFFD767),
            .hoverBorder = rgb(0xDDAE48),
        },
    }};
    return table;
}

const SkinColours* themeNamed(QStringView name)
{
    for (const SkinColours& theme : themes()) {
        if (name.compare(theme.name, Qt::CaseInsensitive) == 0)
            return &theme;
    }
    return nullptr;
}

} // namespace Skin
