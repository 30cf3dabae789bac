// SPDX-License-Identifier: GPL-3.0-or-later
// The colours of one theme, and the table of the three themes.
#pragma once

#include <QColor>
#include <QLatin1StringView>

#include <array>

struct SkinColours {
    QLatin1StringView name;
    // Content areas: lists, tables, edits.
    QColor base;
    QColor alternateBase;
    QColor text;
    QColor grid;
    QColor highlight;
    QColor highlightText;
    // The page of a tab control and the caption of its chosen tab, which joins it. The captions
    // on the page are drawn in windowText, so the page must stand apart from it.
    QColor pane;
    QColor paneText;
    // A refusal written into a dialog (not a message box), on the window or a page.
    QColor warningText;
    // The frame around them: window background, toolbar, menu and status bars, dock titles.
    QColor window;
    QColor windowText;
    QColor frameTop;
    QColor frameBottom;
    QColor frameBorder;
    QColor frameText;
    QColor tabTop;
    QColor tabBottom;
    QColor tabText;
    QColor headerTop;
    QColor headerBottom;
    QColor headerText;
    QColor buttonTop;
    QColor buttonBottom;
    QColor buttonBorder;
    QColor buttonText;
    QColor inputBorder;
    QColor groupBorder;
    QColor groupTitle;
    QColor disabledText;
    // Pointer feedback; pressed and focus colours are derived from it.
    QColor hoverTop;
    QColor hoverBottom;
    QColor hoverBorder;

    // The warm hover and tool tip colours are light in every theme, so their text is always dark.
    static constexpr QRgb hoverText = 0x1A1A1A;
    static constexpr QRgb toolTipBase = 0xFFFBE6;

    // Pressed is hover turned upside down and a shade darker, the usual sunken look.
    QColor pressedTop() const { return hoverBottom; }
    QColor pressedBottom() const { return hoverTop.darker(108); }
    QColor pressedBorder() const { return hoverBorder.darker(115); }
};

namespace Skin {

// The three themes in the order the settings page offers them.
const std::array<SkinColours, 3>& themes();

// The theme of that name, matched without regard to case; null for an unknown name.
const SkinColours* themeNamed(QStringView name);

} // namespace Skin
