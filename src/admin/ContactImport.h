// SPDX-License-Identifier: GPL-3.0-or-later
// Writing the rows of a CSV file or the cards of a vCard file as new contacts.
#pragma once

#include "admin/ImportMapping.h"
#include "admin/ImportTable.h"
#include "admin/VCard.h"
#include "db/Result.h"

#include <QDate>
#include <QList>

#include <functional>

class Database;

namespace ContactImport {

// Told after each row written: rows done so far and rows in all.
using Progress = std::function<void(qsizetype done, qsizetype total)>;

// Who the new contacts belong to and the day written as AddDate when no column fills it.
struct Owner {
    qint64 userId = 0;
    QDate today;
};

// Every contact goes into the root group, as the import offers no choice of group.
inline constexpr qint64 importGroupId = 1;

// One contact per row, the linked columns filled from the row's cells (an empty cell stays
// empty); Py always follows the imported name (a link to Py is passed over). All rows go in one
// transaction: on any failure (a linked column the file lacks, a date that is not one, a database
// error) nothing is added; a message names a column by its caption in the grid. Gives the number
// of contacts added.
Result<qsizetype> importTable(const Database& db, const ImportTable& table,
                              const QList<ImportLink>& links, const Owner& owner,
                              const Progress& progress = {});

// One contact per card, its columns as read, the photo stored as a picture bag; the values that
// found no column of their own are added to the remark (remarkOf).
Result<qsizetype> importCards(const Database& db, const QList<VCardContact>& cards,
                              const Owner& owner, const Progress& progress = {});

// The card's remark with its left-over values as lines after it, one a line, with the line
// break the remark already uses (CR LF or LF).
QString remarkOf(const VCardContact& card);

// What the closing message adds after an import of these cards: how many contacts got lines in
// the remark, and which cards lost their photo; empty when there is nothing to say.
QString cardsNotice(const QList<VCardContact>& cards);

// A date cell as stored: "YYYY-MM-DD" from that form or from "YYYY/M/D", "YYYY-M-D" and
// "YYYY.M.D"; nothing when the text is no date.
std::optional<QString> storedDate(const QString& cell);

} // namespace ContactImport
