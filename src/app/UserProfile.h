// SPDX-License-Identifier: GPL-3.0-or-later
// An account's own look: its skin colour and its saved pane layout.
#pragma once

#include "db/Result.h"

#include <QString>

#include <optional>

class Database;

struct UserProfile {
    QString skin;
    QString dock;

    // Nothing when the account does not exist; Null columns read as empty.
    static Result<std::optional<UserProfile>> read(const Database& db, qint64 userId);
    static Status saveSkin(const Database& db, qint64 userId, const QString& skin);
    static Status saveDock(const Database& db, qint64 userId, const QString& dock);
};
