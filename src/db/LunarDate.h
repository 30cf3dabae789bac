// SPDX-License-Identifier: GPL-3.0-or-later
// Birthdays kept by the Chinese lunar calendar: a solar day's lunar date, its wording, and the
// solar day a lunar birthday falls on in a given year.
#pragma once

#include <QDate>
#include <QString>

#include <map>
#include <optional>
#include <tuple>
#include <vector>

namespace LunarDate {

struct Day {
    int year = 0;  // the calendar's own running year number; only compared and stepped
    int month = 0; // 1..12
    bool leap = false;
    int day = 0; // 1..30
};

// Nothing for an invalid day or one the calendar cannot take.
std::optional<Day> of(QDate solar);

// As calendars print it: "农历三月初五", "农历闰二月三十", "农历正月十一", "农历腊月廿九".
QString text(const Day& day);

// The solar day of that lunar month and day in the lunar year `year`. A leap month the year
// lacks falls on the ordinary month of that number, and a 30th the month lacks on its 29th.
std::optional<QDate> solarOf(int year, int month, bool leap, int day);

// The first solar day on or after `from` on which someone born on the solar day `born` has
// a lunar birthday.
std::optional<QDate> nextBirthday(QDate born, QDate from);

// The lunar birthdays that fall within `days` days from `from` on, for many contacts: a
// conversion costs about a tenth of a millisecond, so a birthday whose lunar day cannot land
// in the window is passed over after one, and each lunar month and day is placed once.
class BirthdaysNear {
public:
    BirthdaysNear(QDate from, int days);
    // The day of the window the birthday falls on; nothing when it falls outside.
    std::optional<QDate> of(QDate born);

private:
    bool mayFallInWindow(const Day& birth) const;

    QDate m_from;
    int m_days;
    std::vector<Day> m_window;
    std::map<std::tuple<int, bool, int>, std::optional<QDate>> m_found;
};

} // namespace LunarDate
