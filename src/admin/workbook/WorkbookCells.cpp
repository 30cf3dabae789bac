// SPDX-License-Identifier: GPL-3.0-or-later
#include "WorkbookCells.h"

#include <QDate>
#include <QTime>

#include <cmath>

namespace WorkbookCells {

QString numberText(double value)
{
    if (!std::isfinite(value))
        return QString();
    if (value == 0)
        return QStringLiteral("0"); // never "-0"
    if (value == std::trunc(value))
        return QString::number(value, 'f', 0);
    return QString::number(value, 'g', 15);
}

Shown shownByBuiltIn(int id)
{
    if ((id >= 14 && id <= 17) || (id >= 27 && id <= 31) || (id >= 34 && id <= 36) ||
        (id >= 50 && id <= 58))
        return Shown::Date;
    if (id == 22)
        return Shown::DateTime;
    if (id == 46) // [h]:mm:ss
        return Shown::Elapsed;
    if ((id >= 18 && id <= 21) || id == 32 || id == 33 || id == 45 || id == 47)
        return Shown::Time;
    return Shown::Number;
}

Shown shownByCode(const QString& formatCode)
{
    bool date = false;
    bool time = false;
    bool elapsed = false;
    // Only the first section matters: it is the one positive numbers, dates among them, use.
    for (qsizetype i = 0; i < formatCode.size(); ++i) {
        const QChar c = formatCode.at(i);
        if (c == u';')
            break;
        if (c == u'"') {
            const qsizetype close = formatCode.indexOf(u'"', i + 1);
            if (close < 0)
                break;
            i = close;
        } else if (c == u'[') {
            const qsizetype close = formatCode.indexOf(u']', i + 1);
            if (close < 0)
                break;
            // [h], [mm], [ss]: elapsed time, which goes on past 24 hours.
            const QString inside = formatCode.mid(i + 1, close - i - 1).toLower();
            // ([Magenta] is a colour, not minutes.)
            if (!inside.isEmpty() && QStringLiteral("hms").contains(inside.front()) &&
                inside.count(inside.front()) == inside.size())
                elapsed = true;
            i = close;
        } else if (c == u'\\' || c == u'_' || c == u'*') {
            ++i; // the next character is shown as it is
        } else {
            const char16_t lower = c.toLower().unicode();
            date = date || lower == u'y' || lower == u'd';
            time = time || lower == u'h' || lower == u's';
        }
    }
    if (date)
        return time || elapsed ? Shown::DateTime : Shown::Date;
    if (elapsed)
        return Shown::Elapsed;
    return time ? Shown::Time : Shown::Number;
}

QString serialText(double serial, Shown shown, bool from1904)
{
    if (shown == Shown::Number || !std::isfinite(serial) || serial < 0 || serial > 2958466)
        return numberText(serial);
    const qint64 seconds = std::llround(serial * 86400.0);
    if (shown == Shown::Elapsed)
        return QStringLiteral("%1:%2:%3")
            .arg(seconds / 3600, 2, 10, QLatin1Char('0'))
            .arg(seconds / 60 % 60, 2, 10, QLatin1Char('0'))
            .arg(seconds % 60, 2, 10, QLatin1Char('0'));
    const qint64 days = seconds / 86400;
    const QTime time = QTime(0, 0).addSecs(int(seconds % 86400));
    if (shown == Shown::Time)
        return time.toString(QStringLiteral("HH:mm:ss"));
    QDate date;
    if (from1904)
        date = QDate(1904, 1, 1).addDays(days);
    else if (days >= 61)
        date = QDate(1899, 12, 30).addDays(days);
    else if (days >= 1)
        // Before March 1900 the serials count from 1900-01-01 = 1, as the 1900 system always
        // did; its day 60 stands for a 29 February 1900 there never was.
        date = QDate(1899, 12, 31).addDays(days == 60 ? 59 : days);
    else
        return time.toString(QStringLiteral("HH:mm:ss"));
    const QString day = date.toString(Qt::ISODate);
    if (shown == Shown::Date || time == QTime(0, 0))
        return day;
    return day + u' ' + time.toString(QStringLiteral("HH:mm:ss"));
}

QString withoutMidnight(const QString& dateTime)
{
    if (dateTime.size() == 19 && dateTime.endsWith(QStringLiteral(" 00:00:00")))
        return dateTime.left(10);
    return dateTime;
}

} // namespace WorkbookCells
