// SPDX-License-Identifier: GPL-3.0-or-later
// Fills the pinyin and digits of Vardelin_Search rows that a write left empty.
#pragma once

#include "db/Result.h"

#include <QString>
#include <QStringList>

class Database;

namespace SearchIndex {

// The telephone fields' digits as the number search compares them, joined by ",".
QString digitsOf(const QStringList& telephones);

// What a contact's search row holds beside its text, never NULL (NULL marks a row to fill).
struct Computed {
    QString spelling;
    QString initials;
    QString digits;
};
// From the name and the six telephone fields (Tel1 to Tel3, then Moblie1 to Moblie3).
Computed computedFor(const QString& name, const QStringList& telephones);

// Computes Spelling, Initials and Digits for every row whose Spelling is NULL. Runs inside the
// caller's transaction, so a save or an import commits them with its own rows.
Status refresh(const Database& db);

// The same in a transaction of its own, begun only when a row is left to fill: for a search
// after writes made by statements that do not call refresh.
Status refreshAlone(const Database& db);

} // namespace SearchIndex
