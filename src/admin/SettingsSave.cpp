// SPDX-License-Identifier: GPL-3.0-or-later
#include "SettingsSave.h"

#include "PasswordChange.h"

#include "db/Database.h"
#include "history/Reminders.h"

Status SettingsSave::writeOptions(const Database& db, const SystemOptions& options)
{
    const auto flag = [](bool on) {
        return on ? 1 : 0;
    };
    return db.exec(QStringLiteral("UPDATE Vardelin_System SET IsLogin = ?, IsAllUser = ?, "
                                  "IsExpanded = ?, IsZip = ?, IsMax = ?, IsTop = ? WHERE ID = 1"),
                   {flag(options.isLogin), flag(options.isAllUser), flag(options.isExpanded),
                    flag(options.isZip), flag(options.isMax), flag(options.isTop)});
}

Status SettingsSave::save(const Database& db, const SettingsChange& change)
{
    return db.transaction([&]() -> Status {
        if (change.newPassword) {
            if (Status stored =
                    PasswordChange::store(db, change.userId, *change.newPassword, change.suffix);
                !stored)
                return stored;
        }
        if (Status columns = ColumnSettings::write(db, change.columns); !columns)
            return columns;
        if (Status options = writeOptions(db, change.options); !options)
            return options;
        return Reminders::setOn(db, change.remindAtStart);
    });
}
