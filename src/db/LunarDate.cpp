// SPDX-License-Identifier: GPL-3.0-or-later
// Conversions by ICU's Chinese calendar, on GMT so a day never shifts with the time zone.
#include "LunarDate.h"

#include <unicode/calendar.h>
#include <unicode/timezone.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <memory>

namespace {

constexpr double msPerDay = 86400000.0;
const QDate unixEpoch(1970, 1, 1);

// Made once per thread: creating the calendar costs more than a conversion.
icu::Calendar* chineseCalendar()
{
    thread_local const std::unique_ptr<icu::Calendar> calendar = [] {
        UErrorCode status = U_ZERO_ERROR;
        std::unique_ptr<icu::Calendar> made(icu::Calendar::createInstance(
            icu::TimeZone::getGMT()->clone(), icu::Locale("zh@calendar=chinese"), status));
        return U_FAILURE(status) ? nullptr : std::move(made);
    }();
    return calendar.get();
}

UDate timeOf(QDate solar)
{
    return double(unixEpoch.daysTo(solar)) * msPerDay;
}

QDate dayOf(UDate time)
{
    // Midnight GMT exactly, as timeOf gives and the calendar returns for a whole day.
    return unixEpoch.addDays(std::llround(time / msPerDay));
}

struct Fields {
    int month;
    bool leap;
    int day;
    int lastDay;
};

// Sets the lunar date and reads back where the calendar put it (lenient: a day the month
// lacks rolls into the next month).
std::optional<std::pair<UDate, Fields>> place(icu::Calendar& calendar, int year, int month,
                                              bool leap, int day)
{
    UErrorCode status = U_ZERO_ERROR;
    calendar.clear();
    calendar.set(UCAL_EXTENDED_YEAR, year);
    calendar.set(UCAL_MONTH, month - 1);
    calendar.set(UCAL_IS_LEAP_MONTH, leap ? 1 : 0);
    calendar.set(UCAL_DATE, day);
    const UDate time = calendar.getTime(status);
    Fields placed{calendar.get(UCAL_MONTH, status) + 1,
                  calendar.get(UCAL_IS_LEAP_MONTH, status) != 0, calendar.get(UCAL_DATE, status),
                  calendar.getActualMaximum(UCAL_DATE, status)};
    if (U_FAILURE(status))
        return std::nullopt;
    return std::make_pair(time, placed);
}

} // namespace

std::optional<LunarDate::Day> LunarDate::of(QDate solar)
{
    icu::Calendar* calendar = chineseCalendar();
    if (!solar.isValid() || !calendar)
        return std::nullopt;
    UErrorCode status = U_ZERO_ERROR;
    calendar->setTime(timeOf(solar), status);
    Day day{calendar->get(UCAL_EXTENDED_YEAR, status), calendar->get(UCAL_MONTH, status) + 1,
            calendar->get(UCAL_IS_LEAP_MONTH, status) != 0, calendar->get(UCAL_DATE, status)};
    if (U_FAILURE(status))
        return std::nullopt;
    return day;
}

QString LunarDate::text(const Day& day)
{
    static const std::array<QStringView, 12> months{u"正", u"二", u"三", u"四", u"五", u"六",
                                                    u"七", u"八", u"九", u"十", u"冬", u"腊"};
    static const std::array<QStringView, 10> digits{u"一", u"二", u"三", u"四", u"五",
                                                    u"六", u"七", u"八", u"九", u"十"};
    if (day.month < 1 || day.month > 12 || day.day < 1 || day.day > 30)
        return {};
    QString dayText;
    if (day.day <= 10)
        dayText = u"初" + digits[day.day - 1].toString();
    else if (day.day < 20)
        dayText = u"十" + digits[day.day - 11].toString();
    else if (day.day == 20)
        dayText = QStringLiteral("二十");
    else if (day.day < 30)
        dayText = u"廿" + digits[day.day - 21].toString();
    else
        dayText = QStringLiteral("三十");
    return QStringLiteral("农历") + (day.leap ? QStringLiteral("闰") : QString()) +
           months[day.month - 1].toString() + u'月' + dayText;
}

std::optional<QDate> LunarDate::solarOf(int year, int month, bool leap, int day)
{
    icu::Calendar* calendar = chineseCalendar();
    if (!calendar || month < 1 || month > 12 || day < 1 || day > 30)
        return std::nullopt;
    // The first of the month tells whether the year has it; then the day, kept inside it.
    auto first = place(*calendar, year, month, leap, 1);
    if (first && leap && !(first->second.leap && first->second.month == month)) {
        leap = false;
        first = place(*calendar, year, month, leap, 1);
    }
    if (!first || first->second.month != month)
        return std::nullopt;
    const auto placed = place(*calendar, year, month, leap, std::min(day, first->second.lastDay));
    if (!placed)
        return std::nullopt;
    return dayOf(placed->first);
}

std::optional<QDate> LunarDate::nextBirthday(QDate born, QDate from)
{
    const std::optional<Day> birth = of(born);
    const std::optional<Day> now = of(from);
    if (!birth || !now)
        return std::nullopt;
    // This lunar year's birthday, or the next year's when it has passed.
    for (int year : {now->year, now->year + 1}) {
        const std::optional<QDate> day = solarOf(year, birth->month, birth->leap, birth->day);
        if (day && *day >= from)
            return day;
    }
    return std::nullopt;
}

LunarDate::BirthdaysNear::BirthdaysNear(QDate from, int days)
    : m_from(from)
    , m_days(days)
{
    for (int ahead = 0; ahead < days; ++ahead) {
        if (const std::optional<Day> day = LunarDate::of(from.addDays(ahead)))
            m_window.push_back(*day);
    }
}

bool LunarDate::BirthdaysNear::mayFallInWindow(const Day& birth) const
{
    // A birthday lands on its own lunar day, or on the ordinary month of a leap one the year
    // lacks, or on the 29th for a 30th the month lacks.
    return std::any_of(m_window.begin(), m_window.end(), [&birth](const Day& day) {
        return day.month == birth.month && (day.leap == birth.leap || (birth.leap && !day.leap)) &&
               (day.day == birth.day || (birth.day == 30 && day.day == 29));
    });
}

std::optional<QDate> LunarDate::BirthdaysNear::of(QDate born)
{
    const std::optional<Day> birth = LunarDate::of(born);
    if (!birth || !mayFallInWindow(*birth))
        return std::nullopt;
    const auto key = std::make_tuple(birth->month, birth->leap, birth->day);
    if (const auto known = m_found.find(key); known != m_found.end())
        return known->second;
    std::optional<QDate> found = nextBirthday(born, m_from);
    if (found && m_from.daysTo(*found) >= m_days)
        found.reset();
    m_found.emplace(key, found);
    return found;
}
