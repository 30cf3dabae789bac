// SPDX-License-Identifier: GPL-3.0-or-later
// The text a list cell is sorted by, so that numbers sort by value.
#pragma once

#include <QString>
#include <QStringView>
#include <QVarLengthArray>
#include <Qt>

#include <string>
#include <vector>

namespace SortKey {

// A number is written with at least 13 integer digits, zero-padded, and exactly
// two decimals (4096 → "0000000004096.00"), so that as text it sorts by value.
// Anything else, dates and empty cells included, is its own key. Digits are
// carried as text: an 18-digit number keeps every digit.
QString of(const QString& cell);

// of()'s number text, built without a heap allocation for up to 27 integer digits.
using NumberText = QVarLengthArray<char16_t, 32>;
// Writes of(cell) into out and returns true when cell is a number; false when its key is the
// cell itself.
bool numberText(QStringView cell, NumberText& out);

// Positions 0..n-1 ordered by their keys compared as text under Chinese
// collation (Han by pinyin, digits before letters); equal keys keep their
// relative order, in both directions.
std::vector<int> order(const std::vector<QString>& keys, Qt::SortOrder direction);

// Appends the collation key of key (a value of of()) to block: the bytes that order() compares,
// ending in a zero byte and holding no other. Appended keys compare as order() compares keys.
void appendCollationKey(QStringView key, std::string& block);

// True when every character of text is printable ASCII (blank to tilde).
bool isPlainAscii(QStringView text);

// Whether appendAsciiKey can stand in for appendCollationKey: false when the collation data
// is missing or orders printable ASCII in a way the ASCII key does not reproduce.
bool hasAsciiKeys();

// Appends a key for a plain-ASCII key (a value of of()), built without the collator: one byte
// per character for its letter-blind place, then one per character for its case, ending in a
// zero byte. Keys appended this way compare with each other as order() compares their texts,
// but not with appendCollationKey's keys.
void appendAsciiKey(QStringView key, std::string& block);

} // namespace SortKey
