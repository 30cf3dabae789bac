// SPDX-License-Identifier: GPL-3.0-or-later
// What confirming the settings window writes, as one transaction.
#pragma once

#include "ColumnSettings.h"

#include "db/Result.h"
#include "db/RowVersion.h"
#include "db/SystemOptions.h"

#include <optional>
#include <vector>

class Database;

// What the settings window showed when it opened, with the version of each row it came from.
struct SettingsAsRead {
    SystemOptions options;
    RowVersion::Version optionsVersion;
    bool remindAtStart = true;
    RowVersion::Version remindVersion;
    // Each with its version.
    std::vector<ColumnSetting> columns;
    // The current account's stored password.
    RowVersion::Version passwordVersion;
};

struct SettingsChange {
    // The current account's new password, when it is to be changed; already checked.
    std::optional<QString> newPassword;
    qint64 userId = 0;
    qint16 suffix = 0;
    std::vector<ColumnSetting> columns;
    SystemOptions options;
    // The start-up reminder, for every account.
    bool remindAtStart = true;
    // With it, only what differs from it is written (another program's change to a setting the
    // user left alone stays), and only while those rows still hold what was read. Without it
    // every row is written.
    std::optional<SettingsAsRead> asRead;
    // Writes what the user changed even over rows changed meanwhile: the user chose so.
    bool overwrite = false;
};

struct SettingsSaved {
    // The rows the user changed that were changed (or deleted) meanwhile by someone else. When
    // there are any, nothing was written.
    std::vector<RowVersion::Conflict> conflicts;
    bool written() const { return conflicts.empty(); }
};

namespace SettingsSave {

// Writes the stored options row (Vardelin_System, ID 1) from options.
Status writeOptions(const Database& db, const SystemOptions& options);

// The password, then the column rows, then the options and the reminder switch, all or nothing:
// a failure anywhere, or a conflict, leaves the database as it was.
Result<SettingsSaved> save(const Database& db, const SettingsChange& change);

// The settings a conflict concerns, in the user's words, each once, in the order of the pages.
QStringList describe(const std::vector<RowVersion::Conflict>& conflicts,
                     const std::vector<ColumnSetting>& columns);

} // namespace SettingsSave
