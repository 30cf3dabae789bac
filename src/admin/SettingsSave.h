// SPDX-License-Identifier: GPL-3.0-or-later
// What confirming the settings window writes, as one transaction.
#pragma once

#include "ColumnSettings.h"

#include "db/Result.h"
#include "db/SystemOptions.h"

#include <optional>
#include <vector>

class Database;

struct SettingsChange {
    // The current account's new password, when it is to be changed; already checked.
    std::optional<QString> newPassword;
    qint64 userId = 0;
    qint16 suffix = 0;
    std::vector<ColumnSetting> columns;
    SystemOptions options;
    // The start-up reminder, for every account.
    bool remindAtStart = true;
};

namespace SettingsSave {

// Writes the stored options row (Vardelin_System, ID 1) from options.
Status writeOptions(const Database& db, const SystemOptions& options);

// The password, then every column row, then the options and the reminder switch, all or
// nothing: a failure anywhere leaves the database as it was.
Status save(const Database& db, const SettingsChange& change);

} // namespace SettingsSave
