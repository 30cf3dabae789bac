// SPDX-License-Identifier: GPL-3.0-or-later
#include "DockLayout.h"

#include <QCryptographicHash>
#include <QStringList>

namespace {

// A layout of two panes and a toolbar takes well under a kilobyte; anything far larger
// did not come from this window.
constexpr qsizetype largestState = 64 * 1024;

QString header()
{
    return QStringLiteral("VDL%1").arg(DockLayout::version);
}

QByteArray hashOf(const QByteArray& state)
{
    return QCryptographicHash::hash(state, QCryptographicHash::Sha256).toHex();
}

} // namespace

QString DockLayout::wrap(const QByteArray& state)
{
    return header() + u':' + QString::fromLatin1(hashOf(state)) + u':' +
           QString::fromLatin1(state.toBase64());
}

DockLayout::Unwrapped DockLayout::unwrap(const QString& stored)
{
    if (stored.isEmpty())
        return {Form::Empty, {}};
    if (!stored.startsWith(QStringLiteral("VDL")))
        return {Form::Unchecked, {}};
    if (stored.size() > 2 * largestState)
        return {Form::Damaged, {}};
    const QStringList parts = stored.split(u':');
    if (parts.size() != 3 || parts[0] != header())
        return {Form::Damaged, {}};
    const auto decoded = QByteArray::fromBase64Encoding(parts[2].toLatin1(),
                                                        QByteArray::AbortOnBase64DecodingErrors);
    // Only the exact text wrap() writes passes: Base64 decoding alone would overlook a
    // changed padding bit or a character added at the end.
    if (!decoded || decoded.decoded.isEmpty() || decoded.decoded.size() > largestState ||
        decoded.decoded.toBase64() != parts[2].toLatin1() ||
        parts[1].toLatin1() != hashOf(decoded.decoded))
        return {Form::Damaged, {}};
    return {Form::Checked, decoded.decoded};
}
