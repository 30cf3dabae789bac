// SPDX-License-Identifier: GPL-3.0-or-later
// A date as a user types it into the card: year, month and day in that order.
#pragma once

#include <QDate>
#include <QString>

namespace TypedDate {

struct Reading {
    enum class Kind {
        Empty,    // nothing typed but blanks
        Date,     // a real day, in date
        NotADate, // something else: never guessed at, never corrected
    };
    Kind kind = Kind::Empty;
    QDate date;
};

// Reads "2001-09-10", "2001/9/10", "2001.9.10", "2001年9月10日" and "20010910" as 10 September
// 2001: a four-digit year, then month and day, with one separator used throughout (or none,
// with two digits each). Full-width digits and separators count as their plain forms, and
// blanks around the text do not count. A day that does not exist ("2001-02-29", "2001-13-01")
// or any other form is no date.
Reading read(const QString& typed);

// The text the card shows for a date, which read takes back.
QString shown(QDate date);

} // namespace TypedDate
