// SPDX-License-Identifier: GPL-3.0-or-later
// Vardelin_Search: one narrow row per contact that the keyword search scans instead of the
// contacts.
#pragma once

#include "Result.h"
#include "SqlDialect.h"

#include <QChar>
#include <QStringList>

#include <functional>

class Database;

// Columns: ID (the contact's), TID (its group), Text (name, company and the six telephone
// fields with ASCII letters in lower case, joined by fieldSeparator), and the columns only the
// program can compute: Spelling and Initials (the name's pinyin) and Digits (the telephone
// fields' digits). Triggers on Vardelin_Contact keep ID, TID and Text in step with every write,
// whoever makes it, and set Spelling, Initials and Digits to NULL whenever the name or a
// telephone field changes; SearchIndex::refresh fills them again.
namespace SearchTable {

// Between the fields of Text. A keyword without it can only match inside one field.
inline constexpr QChar fieldSeparator = QChar(0x1F);

// The table, its index of rows still to fill and the triggers, for a new address book.
QStringList createStatements(Backend backend);

// The triggers that keep the table in step with the contacts.
const QStringList& triggerNames();

// For writes of many new contacts, inside their transaction: the insert trigger is set aside
// while work runs, and work adds each contact's search row whole with wholeRowStatement(), so
// that no row is written twice. The trigger is back before work's transaction can commit.
// On a server the trigger stays, so that other programs read on: each row is written twice.
Status withoutInsertTrigger(const Database& db, const std::function<Status()>& work);

// Adds the search row of one contact already written, Text taken from it as the trigger takes
// it; binds Spelling, Initials, Digits and then the contact's ID.
QString wholeRowStatement(Backend backend);

// Layout 4: the table, filled from the contacts already there (Spelling and friends left NULL).
Status addTo(const Database& db);

} // namespace SearchTable
