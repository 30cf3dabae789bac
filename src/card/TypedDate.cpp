// SPDX-License-Identifier: GPL-3.0-or-later
#include "TypedDate.h"

#include <QRegularExpression>

namespace {

TypedDate::Reading dayOf(const QRegularExpressionMatch& match)
{
    const QDate date(match.captured(u"year").toInt(), match.captured(u"month").toInt(),
                     match.captured(u"day").toInt());
    if (!date.isValid())
        return {TypedDate::Reading::Kind::NotADate, {}};
    return {TypedDate::Reading::Kind::Date, date};
}

} // namespace

TypedDate::Reading TypedDate::read(const QString& typed)
{
    // Compatibility forms turn full-width digits and punctuation into plain ones.
    const QString text = typed.normalized(QString::NormalizationForm_KC).trimmed();
    if (text.isEmpty())
        return {};
    static const QRegularExpression forms[] = {
        QRegularExpression(QStringLiteral(
            R"(^(?<year>\d{4})(?<sep>[-/.])(?<month>\d{1,2})\k<sep>(?<day>\d{1,2})$)")),
        QRegularExpression(QStringLiteral(
            R"(^(?<year>\d{4})\s*年\s*(?<month>\d{1,2})\s*月\s*(?<day>\d{1,2})\s*日?$)")),
        QRegularExpression(QStringLiteral(R"(^(?<year>\d{4})(?<month>\d{2})(?<day>\d{2})$)")),
    };
    for (const QRegularExpression& form : forms) {
        // \d is ASCII only without the Unicode option, so no other script's digits slip in.
        const QRegularExpressionMatch match = form.match(text);
        if (match.hasMatch())
            return dayOf(match);
    }
    return {Reading::Kind::NotADate, {}};
}

QString TypedDate::shown(QDate date)
{
    return date.toString(QStringLiteral("yyyy-MM-dd"));
}
