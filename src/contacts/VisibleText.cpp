// SPDX-License-Identifier: GPL-3.0-or-later
#include "VisibleText.h"

#include <algorithm>

namespace {

constexpr char16_t lineBreakSign = u'\u21B5';
constexpr char16_t controlPictures = u'\u2400';
constexpr char16_t deletePicture = u'\u2421';
constexpr char16_t otherControlSign = u'\u00B7';

bool isLineBreak(char16_t c)
{
    return c == u'\n' || c == u'\r' || c == u'\u0085' || c == u'\u2028' || c == u'\u2029';
}

bool needsSign(char16_t c)
{
    return c < 0x20 || (c >= 0x7F && c <= 0x9F) || c == u'\u2028' || c == u'\u2029';
}

} // namespace

QString VisibleText::oneLine(QStringView text)
{
    // Nearly every cell has nothing to show: hand it back without building a new one.
    if (std::none_of(text.begin(), text.end(), [](QChar c) { return needsSign(c.unicode()); }))
        return text.toString();

    QString shown;
    shown.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (isLineBreak(c)) {
            if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n')
                ++i;
            shown += QChar(lineBreakSign);
        } else if (c < 0x20) {
            shown += QChar(char16_t(controlPictures + c));
        } else if (c == 0x7F) {
            shown += QChar(deletePicture);
        } else if (c >= 0x80 && c <= 0x9F) {
            shown += QChar(otherControlSign);
        } else {
            shown += QChar(c);
        }
    }
    return shown;
}
