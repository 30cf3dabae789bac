// SPDX-License-Identifier: GPL-3.0-or-later
// The start-up's reminder window: what is due is worked out on a thread of its own once the
// main window has been painted, and "提醒" is shown only when something is due.
#pragma once

#include "db/Result.h"
#include "history/ReminderCheck.h"

#include <QDate>

#include <functional>
#include <memory>
#include <optional>

class Database;
class Prompter;
class QWidget;
struct Session;

class StartUpReminders {
public:
    // openCard opens a contact's card modally, as the main window's own command does.
    using OpenCard = std::function<void(qint64 contactId)>;

    StartUpReminders(Database& db, const Session& session, Prompter& prompter, QWidget* window,
                     OpenCard openCard);
    ~StartUpReminders();

    void start();
    // Lets go of a check still running: it would hold a read lock through a compaction.
    void stop();

private:
    // What the check found: the reminder window, or the error box.
    void showDue(const Result<std::optional<DueList>>& due, QDate today);

    Database& m_db;
    const Session& m_session;
    Prompter& m_prompter;
    QWidget* m_window;
    OpenCard m_openCard;
    std::unique_ptr<ReminderCheck> m_check;
};
