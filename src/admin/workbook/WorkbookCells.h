// SPDX-License-Identifier: GPL-3.0-or-later
// How a workbook cell's stored value becomes the text an import writes.
#pragma once

#include <QString>

namespace WorkbookCells {

// An integral value without decimals or exponent (13800138000), any other with up to 15
// significant digits, as a spreadsheet program shows a number in a general cell.
QString numberText(double value);

// What a number format shows: a plain number, a date, a date with a time, a time of day, or
// an elapsed time ([h]:mm:ss), whose hours go on past 24.
enum class Shown { Number, Date, DateTime, Time, Elapsed };

// Built-in format ids: 14-22 (dates and times), 27-36 and 50-58 (the East Asian date forms
// such as "yyyy年m月d日"), 45-47 (minutes and seconds; 46 elapsed). Anything else shows a
// number.
Shown shownByBuiltIn(int numberFormatId);
// A custom format code: a date when its sections (quoted text, escapes and [colour] or
// [$-804] brackets aside) hold y or d, a time when they hold h or s, an elapsed time when
// they hold [h], [m] or [s], a number otherwise.
Shown shownByCode(const QString& formatCode);

// A serial day number (days since 1899-12-30, or 1904-01-01 for workbooks counted from 1904)
// as "YYYY-MM-DD", "YYYY-MM-DD HH:MM:SS" (only when the time is not midnight), "HH:MM:SS",
// or for an elapsed time the whole hours ("36:00:00").
// A number no calendar date stands for keeps its number text.
QString serialText(double serial, Shown shown, bool from1904);

// "YYYY-MM-DD HH:MM:SS" with the time at midnight cut to the date alone.
QString withoutMidnight(const QString& dateTime);

} // namespace WorkbookCells
