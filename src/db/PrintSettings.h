// SPDX-License-Identifier: GPL-3.0-or-later
// What printing keeps between runs: the sender on envelopes and the printer's offset.
#pragma once

#include "Result.h"

#include <QString>

class Database;

struct PrintSettings {
    QString senderAddress;
    QString senderPostcode;
    // Millimetres everything on an envelope moves right and down, to match a printer that
    // feeds envelopes off centre.
    double offsetXmm = 0;
    double offsetYmm = 0;

    bool operator==(const PrintSettings&) const = default;

    // The table Vardelin_Print with its one row; a row already there stays.
    static Status createTable(const Database& db);
    // Without the row (a file of an earlier build not yet migrated) the settings are empty.
    static Result<PrintSettings> read(const Database& db);
    Status save(const Database& db) const;
};
