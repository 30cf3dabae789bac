// SPDX-License-Identifier: GPL-3.0-or-later
#include "Scramble.h"

#include <algorithm>

namespace {

QString reverseHalves(QString text)
{
    if (text.size() % 2 == 0) {
        const auto half = text.size() / 2;
        std::reverse(text.begin(), text.begin() + half);
        std::reverse(text.begin() + half, text.end());
    }
    return text;
}

QString xorWithKey(const QString& text, const QString& key)
{
    if (key.isEmpty())
        return text;
    QString out(text.size(), Qt::Uninitialized);
    for (qsizetype i = 0; i < text.size(); ++i)
        out[i] = QChar(char16_t(text[i].unicode() ^ key[i % key.size()].unicode()));
    return out;
}

} // namespace

QString Scramble::scramble(const QString& text, const QString& key)
{
    return reverseHalves(xorWithKey(text, key));
}

QString Scramble::unscramble(const QString& stored, const QString& key)
{
    return xorWithKey(reverseHalves(stored), key);
}

QString Scramble::storedPassword(const QString& password, qint16 suffix)
{
    return scramble(password + QString::number(suffix), QString::fromUtf16(key));
}

bool Scramble::matches(const QString& stored, const QString& typed, qint16 suffix)
{
    return unscramble(stored, QString::fromUtf16(key)) == typed + QString::number(suffix);
}
