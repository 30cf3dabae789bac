// SPDX-License-Identifier: GPL-3.0-or-later
#include "Compaction.h"

#include "Database.h"

Result<Compaction::Outcome> Compaction::run(const Database& db)
{
    if (db.backend() == Backend::Server)
        return Outcome::LeftToServer;
    // The program is closing: a held file is not worth waiting for.
    if (Status quick = db.exec(QStringLiteral("PRAGMA busy_timeout = 0")); !quick)
        return quick.error();
    const Status vacuumed = db.exec(QStringLiteral("VACUUM"));
    const Status restored =
        db.exec(QStringLiteral("PRAGMA busy_timeout = %1").arg(Database::busyTimeoutMs));
    if (!vacuumed) {
        const int code = vacuumed.error().number;
        if (code == SqliteCode::Busy || code == SqliteCode::Locked)
            return Outcome::SkippedLocked;
        return vacuumed.error();
    }
    if (!restored)
        return restored.error();
    return Outcome::Compacted;
}
