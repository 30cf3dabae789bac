// SPDX-License-Identifier: GPL-3.0-or-later
// Millimetres on a paint device, and the font every printed page uses.
#pragma once

#include <QFont>
#include <QPaintDevice>
#include <QRectF>

class PageUnits {
public:
    explicit PageUnits(const QPaintDevice& device)
        : m_perMm(device.logicalDpiX() / 25.4)
    {
    }
    double px(double mm) const { return mm * m_perMm; }
    QRectF rect(const QRectF& mm) const
    {
        return {px(mm.x()), px(mm.y()), px(mm.width()), px(mm.height())};
    }

private:
    double m_perMm;
};

// A Simplified Chinese face named outright: a fallback chosen by the font database could be a
// face that draws Japanese glyph forms or embeds none of the characters.
QFont printFont(double pointSize, bool bold = false);
