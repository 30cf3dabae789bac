// SPDX-License-Identifier: GPL-3.0-or-later
// What the running program shares between its windows.
#pragma once

#include "SystemOptions.h"

#include <QString>

struct Session {
    // The administrator, who sees every account's contacts.
    static constexpr qint64 administratorId = 1;

    qint64 currentUserId = administratorId;
    // The root group's Number read as a 16-bit value.
    qint16 passSuffix = 0;
    QString skinName;
    // The options as start-up read them, kept for the whole run: a change saved
    // meanwhile takes effect at the next start. Whoever edits the options reads
    // and writes the stored row, never this copy.
    SystemOptions options;
};
