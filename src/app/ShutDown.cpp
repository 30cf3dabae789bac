// SPDX-License-Identifier: GPL-3.0-or-later
#include "ShutDown.h"

#include "UserProfile.h"

#include "db/Backup.h"
#include "db/Compaction.h"
#include "db/Database.h"
#include "db/Session.h"
#include "ui/Prompter.h"

#include <QDate>
#include <QWidget>

namespace {

void compactIfAsked(Database& db, const Session& session, Prompter& prompter, QWidget& window)
{
    // A file another program holds is left as it is: the space comes back next time.
    if (!session.options.isZip)
        return;
    window.hide();
    if (auto compacted = Compaction::run(db); !compacted)
        prompter.showError(&window, compacted.error());
}

void backUpForTheDay(Database& db, Prompter& prompter, QWidget& window)
{
    window.hide();
    if (auto made = Backup::daily(db, QDate::currentDate()); !made) {
        prompter.message(&window,
                         QStringLiteral("关闭时未能备份数据库：") + made.error().description,
                         QStringLiteral("提示！"), Prompter::Icon::Exclamation);
    }
}

} // namespace

void ShutDown::run(Database& db, const Session& session, Prompter& prompter, QWidget& window,
                   const QString& paneLayout)
{
    if (Status saved = UserProfile::saveDock(db, session.currentUserId, paneLayout); !saved)
        prompter.showError(&window, saved.error());
    compactIfAsked(db, session, prompter, window);
    backUpForTheDay(db, prompter, window);
}
