// SPDX-License-Identifier: GPL-3.0-or-later
#include "SettingsSave.h"

#include "PasswordChange.h"

#include "db/Database.h"
#include "history/Reminders.h"

namespace {

// What one confirmation writes, and the rows that must still be as read for it to write.
struct Plan {
    std::vector<ColumnSetting> columns;
    bool options = true;
    bool remind = true;
    std::vector<RowVersion::Expected> expected;
};

const ColumnSetting* readColumn(const SettingsAsRead& asRead, qint64 id)
{
    for (const ColumnSetting& column : asRead.columns) {
        if (column.id == id)
            return &column;
    }
    return nullptr;
}

Plan planFor(const SettingsChange& change)
{
    Plan plan;
    if (!change.asRead) {
        plan.columns = change.columns;
        return plan;
    }
    const SettingsAsRead& asRead = *change.asRead;
    if (change.newPassword) {
        plan.expected.push_back(
            {PasswordChange::passwordRow(change.userId), asRead.passwordVersion});
    }
    for (const ColumnSetting& column : change.columns) {
        const ColumnSetting* before = readColumn(asRead, column.id);
        if (before && !ColumnSettings::differs(*before, column))
            continue;
        plan.columns.push_back(column);
        if (before)
            plan.expected.push_back({ColumnSettings::versionedRow(column.id), before->readAs});
    }
    plan.options = change.options != asRead.options;
    if (plan.options)
        plan.expected.push_back({SystemOptions::versionedRow(), asRead.optionsVersion});
    plan.remind = change.remindAtStart != asRead.remindAtStart;
    if (plan.remind)
        plan.expected.push_back({Reminders::switchRow(), asRead.remindVersion});
    return plan;
}

} // namespace

Status SettingsSave::writeOptions(const Database& db, const SystemOptions& options)
{
    const auto flag = [](bool on) {
        return on ? 1 : 0;
    };
    const QVariantList values{flag(options.isLogin),    flag(options.isAllUser),
                              flag(options.isExpanded), flag(options.isZip),
                              flag(options.isMax),      flag(options.isTop)};
    auto updated =
        db.query(QStringLiteral("UPDATE Vardelin_System SET IsLogin = ?, IsAllUser = ?, "
                                "IsExpanded = ?, IsZip = ?, IsMax = ?, IsTop = ? WHERE ID = 1"),
                 values);
    if (!updated)
        return updated.error();
    if (updated.value().numRowsAffected() > 0)
        return {};
    // The row was deleted by another program; without it every option would read as off.
    return db.exec(QStringLiteral("INSERT INTO Vardelin_System (IsLogin, IsAllUser, IsExpanded, "
                                  "IsZip, IsMax, IsTop, ID) VALUES (?, ?, ?, ?, ?, ?, 1)"),
                   values);
}

Result<SettingsSaved> SettingsSave::save(const Database& db, const SettingsChange& change)
{
    const Plan plan = planFor(change);
    SettingsSaved saved;
    const Status written = db.writeTransaction([&]() -> Status {
        if (!change.overwrite) {
            auto changed = RowVersion::conflicts(db, plan.expected);
            if (!changed)
                return changed.error();
            saved.conflicts = std::move(changed).value();
            if (!saved.written())
                return {};
        }
        if (change.newPassword) {
            if (Status stored =
                    PasswordChange::store(db, change.userId, *change.newPassword, change.suffix);
                !stored)
                return stored;
        }
        if (Status columns = ColumnSettings::write(db, plan.columns); !columns)
            return columns;
        if (plan.options) {
            if (Status options = writeOptions(db, change.options); !options)
                return options;
        }
        if (plan.remind)
            return Reminders::setOn(db, change.remindAtStart);
        return {};
    });
    if (!written)
        return written.error();
    return saved;
}

QStringList SettingsSave::describe(const std::vector<RowVersion::Conflict>& conflicts,
                                   const std::vector<ColumnSetting>& columns)
{
    const auto conflictOf =
        [&conflicts](const RowVersion::Row& row) -> const RowVersion::Conflict* {
        for (const RowVersion::Conflict& conflict : conflicts) {
            if (conflict.row.table == row.table && conflict.row.key == row.key)
                return &conflict;
        }
        return nullptr;
    };
    QStringList described;
    // Nothing can be written to a column or account that is gone, not even by overwriting.
    const auto add = [&described](const QString& what, const RowVersion::Conflict* conflict) {
        if (!conflict)
            return;
        described << (conflict->change == RowVersion::Change::Deleted
                          ? what + QStringLiteral("（已被删除，无法保存）")
                          : what);
    };
    // The options and the reminder switch are written again even when their rows are gone.
    if (conflictOf(SystemOptions::versionedRow()) || conflictOf(Reminders::switchRow()))
        described << QStringLiteral("“基本选项”页的选项");
    for (const ColumnSetting& column : columns) {
        add(QStringLiteral("列表字段“%1”").arg(column.caption),
            conflictOf(ColumnSettings::versionedRow(column.id)));
    }
    for (const RowVersion::Conflict& conflict : conflicts) {
        if (conflict.row.table == PasswordChange::passwordRow(conflict.row.key).table)
            add(QStringLiteral("当前用户的密码"), &conflict);
    }
    return described;
}
