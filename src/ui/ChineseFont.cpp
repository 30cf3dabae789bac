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
struct Family {
    const char16_t* name;
    // The font's own fontconfig rule turns hinting off (Debian's fonts-wqy-microhei ships
    // 65-wqy-microhei.conf). Qt reads fontconfig's hint style but not that switch, so it ran
    // FreeType's autohinter over every glyph: drawn blurrier-edged than the desktop's other
    // programs draw it, and about 10 ms of each start-up.
    bool unhinted = false;
};

constexpr Family preferred[] = {
    {u"WenQuanYi Micro Hei", true}, {u"Noto Sans CJK SC"}, {u"Source Han Sans SC"},
    {u"Microsoft YaHei"},           {u"PingFang SC"},      {u"WenQuanYi Zen Hei"},
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
    for (const Family& wanted : preferred) {
        const QString family = QString::fromUtf16(wanted.name);
        if (installed.contains(family, Qt::CaseInsensitive)) {
            QFont font = QApplication::font();
            font.setFamily(family);
            // Chinese needs none of the shaping a font may offer, and Latin text loses only
            // its kerning: shaping every caption, group and cell was a tenth of the work
            // before the first frame.
            font.setStyleStrategy(QFont::PreferNoShaping);
            if (wanted.unhinted)
                font.setHintingPreference(QFont::PreferNoHinting);
            QApplication::setFont(font);
            return;
        }
    }
}
