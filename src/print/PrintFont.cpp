// SPDX-License-Identifier: GPL-3.0-or-later
#include "PageUnits.h"

#include <QFontDatabase>

QFont printFont(double pointSize, bool bold)
{
    static const QString family = [] {
        for (const char* wanted :
             {"WenQuanYi Micro Hei", "Noto Sans CJK SC", "WenQuanYi Zen Hei"}) {
            const QString name = QString::fromLatin1(wanted);
            if (QFontDatabase::hasFamily(name))
                return name;
        }
        return QStringLiteral("sans-serif");
    }();
    QFont font(family);
    font.setPointSizeF(pointSize);
    font.setBold(bold);
    // Outlines as they are: hinting only distorts glyphs at printer resolution.
    font.setHintingPreference(QFont::PreferNoHinting);
    return font;
}
