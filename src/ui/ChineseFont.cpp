// SPDX-License-Identifier: GPL-3.0-or-later
// The preference list of Simplified Chinese font families.
#include "ChineseFont.h"

#include <QApplication>
#include <QFont>
#include <QFontDatabase>
#include <QStringList>

namespace {

// Under a C locale a large pan-CJK font picked by fallback may draw Japanese glyph forms for
// shared code points; naming a Simplified Chinese family avoids that.
constexpr const char16_t* preferred[] = {
    u"WenQuanYi Micro Hei", u"Noto Sans CJK SC", u"Source Han Sans SC",
    u"Microsoft YaHei",     u"PingFang SC",      u"WenQuanYi Zen Hei",
};

// The font database spells a family offered by several foundries "Family [Foundry]".
QString withoutFoundry(const QString& family)
{
    const qsizetype bracket = family.indexOf(QLatin1StringView(" ["));
    return bracket < 0 ? family : family.left(bracket);
}

} // namespace

void preferSimplifiedChineseFont()
{
    QStringList installed;
    const QStringList families = QFontDatabase::families();
    for (const QString& family : families)
        installed.append(withoutFoundry(family));
    for (const char16_t* wanted : preferred) {
        const QString family = QString::fromUtf16(wanted);
        if (installed.contains(family, Qt::CaseInsensitive)) {
            QFont font = QApplication::font();
            font.setFamily(family);
            QApplication::setFont(font);
            return;
        }
    }
}
