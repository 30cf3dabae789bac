// SPDX-License-Identifier: GPL-3.0-or-later
// The one statement behind every build of the contact list.
#pragma once

#include "ListColumns.h"

#include <QString>
#include <QVariantList>

#include <optional>
#include <vector>

struct ContactListFilter {
    // The root group lists every group; any other group only its own contacts.
    qint64 groupId = 1;
    // The administrator sees every account's contacts, anyone else their own.
    qint64 userId = 1;
    // A letter tab's letter; empty for the tab that lists every letter.
    QString letter;
    // Set when searching: matched literally inside name, company, group and the
    // six telephone fields; a keyword of Latin letters also matches the start of the
    // name's pinyin or its initials, and one written as a number the telephone
    // fields' digits.
    std::optional<QString> keyword;
    // The start-up option that caps the root group's list.
    bool top = false;
    // Above 0: only the list's first rows, in the order the whole list has them.
    int firstRows = 0;
};

struct ContactListStatement {
    QString sql;
    QVariantList values;
};

namespace ContactListQuery {

inline constexpr int topRowCount = 500;

// Selects the columns in order, then C.ID and C.Sex. Every value is bound;
// column names come only from the listable set.
ContactListStatement build(const std::vector<ListColumn>& columns, const ContactListFilter& filter);

// Counts the rows build() gives, the cap of Top 500 applied and firstRows not.
ContactListStatement buildCount(const ContactListFilter& filter);

// The statement of a search without the search table: the nine fields tested
// on every contact, the literal rules alone.
ContactListStatement buildLiteral(const std::vector<ListColumn>& columns,
                                  const ContactListFilter& filter);

// build()'s columns, filters and cap for the contacts among ids, found by a search beforehand:
// ids are bound after the filters' values, one "?" each in marks ("(?,?,...)"), ascending.
ContactListStatement buildForIds(const std::vector<ListColumn>& columns,
                                 const ContactListFilter& filter, const QString& marks,
                                 const QVariantList& ids, int limit);

// The number of rows the filter's cap allows; 0 when it allows every row.
int rowLimit(const ContactListFilter& filter);

// True when each contact a search finds is a row of the list: no group, owner or letter
// narrows it.
bool idsAreRows(const ContactListFilter& filter);

// True when build() reads Vardelin_Search, whose pinyin and digits must then be filled.
bool usesSearchTable(const ContactListFilter& filter);

// The keyword without blanks and in lower case when it is made of Latin letters and
// blanks only; empty otherwise.
QString pinyinKeyword(const QString& keyword);

// The keyword's digits when it is written as a number: digits, with blanks, dashes and
// brackets between them and a leading "+86" or "0086" allowed; empty for anything else.
QString numberKeyword(const QString& keyword);

// A LIKE pattern that finds text containing the keyword, with "%", "_" and the
// escape character itself taken literally.
QString containsPattern(const QString& keyword);

} // namespace ContactListQuery
