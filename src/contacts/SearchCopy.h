// SPDX-License-Identifier: GPL-3.0-or-later
// The search table as a connection last read it, held in memory: one contiguous text per kind of
// field, scanned at memory speed instead of the database's row by row. FileSearchCopy keeps a
// file's copy current and ServerSearchCopy a server's; SearchStructure searches either.
#pragma once

#include "db/Result.h"

#include <QString>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class Database;

namespace SearchCopy {

// Between records, and between the fields of Text: a keyword the structure serves never holds
// it, so no match runs from one record into the next.
inline constexpr char recordSeparator = 0x1F;

// One field kind of every row, end to end, with where each row's part ends.
struct PackedField {
    std::string bytes;
    std::vector<std::uint32_t> ends;

    void append(std::string_view value);
    std::string_view of(std::size_t row) const;
    // Marks every row whose part holds needle; memmem runs over the whole text at once.
    void markHolding(std::string_view needle, std::vector<bool>& hit) const;
    void squeeze();
};

// Rows of Vardelin_Search, ascending by ID.
struct Rows {
    std::vector<qint64> ids;
    std::vector<qint64> groupIds;
    PackedField text;
    PackedField spelling;
    PackedField initials;
    PackedField digits;

    std::size_t size() const { return ids.size(); }
    // The row an answer of rowsSql() stands on (a file's statement or a server's rows).
    template <typename Answer> void append(const Answer& row)
    {
        ids.push_back(row.integer(0));
        groupIds.push_back(row.integer(1));
        text.append(row.text(2));
        spelling.append(row.text(3));
        initials.append(row.text(4));
        digits.append(row.text(5));
    }
    void squeeze();
};

// The table as read whole, less the rows changed since (gone), plus those rows as they are now
// (changed). A save touches one row: reading that row again costs a fraction of a millisecond
// where reading the whole table costs 40 at 100,000 contacts.
struct Copy {
    Rows whole;
    std::vector<char> gone; // per row of whole
    Rows changed;

    // Whether reading so many rows more again costs as much as reading the table whole.
    bool wholeIsQuicker(std::size_t more) const;
};

// Reads the whole table into copy, forgetting what changed.
Status readWhole(const Database& db, Copy& copy);
// Reads the rows of written (ascending IDs) again: their earlier form leaves whole or changed,
// what the table holds of them now joins changed (nothing, for a row deleted).
Status readAgain(const Database& db, Copy& copy, const std::vector<qint64>& written);

} // namespace SearchCopy
