// SPDX-License-Identifier: GPL-3.0-or-later
// Telephone numbers compared by their digits alone.
#pragma once

#include <QString>
#include <QStringView>

namespace PhoneDigits {

// The digits of a telephone number as people write it, in ASCII: blanks, dashes, brackets and
// any other character but a digit are dropped, full-width and other Unicode decimal digits count
// as their ASCII digit, and China's country code written as a leading "+86" or "0086" is dropped,
// so "138-0013-8000", "+86 138 0013 8000" and "００８６13800138000" all give "13800138000".
// A country code written without "+" or "00" is kept: it cannot be told from the number itself.
QString normalized(QStringView number);

} // namespace PhoneDigits
