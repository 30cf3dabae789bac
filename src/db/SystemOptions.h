// SPDX-License-Identifier: GPL-3.0-or-later
// The start-up options kept in the one row of Vardelin_System.
#pragma once

#include "Result.h"
#include "RowVersion.h"

class Database;
class QVariant;

struct SystemOptions {
    bool isLogin = false;
    bool isAllUser = false;
    bool isExpanded = false;
    bool isZip = false;
    bool isMax = false;
    bool isTop = false;

    bool operator==(const SystemOptions&) const = default;

    // Without the options row every option is off. readAs, when given, gets the row's version
    // from the same read.
    static Result<SystemOptions> read(const Database& db, RowVersion::Version* readAs = nullptr);
    // The stored row and the columns the settings window writes.
    static RowVersion::Row versionedRow();
};

// A stored yes/no value: 0/1 as the program writes it, and also -1, "true" or
// "false" as other tools may have written it. Null is no.
bool yesNo(const QVariant& value);
