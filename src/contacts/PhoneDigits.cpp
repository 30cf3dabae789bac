// SPDX-License-Identifier: GPL-3.0-or-later
#include "PhoneDigits.h"

namespace {

// The ASCII digit a character stands for, or 0 when it is no decimal digit.
char16_t asciiDigit(QChar c)
{
    if (c >= u'0' && c <= u'9')
        return c.unicode();
    if (c.category() != QChar::Number_DecimalDigit)
        return 0;
    return char16_t(u'0' + c.digitValue());
}

// Drops a leading "+86" or "0086"; blanks and dashes between its signs are allowed ("+ 86").
QString withoutCountryCode(const QString& digits, bool plusSign)
{
    if (plusSign && digits.startsWith(u"86"))
        return digits.mid(2);
    if (!plusSign && digits.startsWith(u"0086"))
        return digits.mid(4);
    return digits;
}

} // namespace

QString PhoneDigits::normalized(QStringView number)
{
    QString digits;
    digits.reserve(number.size());
    bool plusSign = false;
    for (QChar c : number) {
        if (char16_t digit = asciiDigit(c))
            digits.append(QChar(digit));
        else if (digits.isEmpty() && (c == u'+' || c == u'\uFF0B'))
            plusSign = true;
    }
    return withoutCountryCode(digits, plusSign);
}
