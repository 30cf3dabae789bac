// SPDX-License-Identifier: GPL-3.0-or-later
#include "StartUpReminders.h"

#include "db/Database.h"
#include "db/Session.h"
#include "history/frmRemind.h"
#include "ui/Prompter.h"

#include <QPointer>

StartUpReminders::StartUpReminders(Database& db, const Session& session, Prompter& prompter,
                                   QWidget* window, OpenCard openCard)
    : m_db(db)
    , m_session(session)
    , m_prompter(prompter)
    , m_window(window)
    , m_openCard(std::move(openCard))
{
}

StartUpReminders::~StartUpReminders() = default;

void StartUpReminders::start()
{
    const QDate today = QDate::currentDate();
    m_check = std::make_unique<ReminderCheck>(
        m_db.path(), m_session.currentUserId, today,
        [this, today](const Result<std::optional<DueList>>& due) { showDue(due, today); });
}

void StartUpReminders::stop()
{
    m_check.reset();
}

void StartUpReminders::showDue(const Result<std::optional<DueList>>& due, QDate today)
{
    if (!due) {
        // Read on a connection of its own: damage it met is this file's damage all the same.
        m_prompter.showError(m_window, m_db.noteFailure(due.error()));
        return;
    }
    if (!due.value())
        return;
    auto* remind =
        new frmRemind(m_db, m_prompter, m_session.currentUserId, today, *due.value(), m_window);
    remind->setAttribute(Qt::WA_DeleteOnClose);
    QObject::connect(remind, &frmRemind::openCardRequested, remind,
                     [openCard = m_openCard, window = QPointer<frmRemind>(remind)](qint64 id) {
                         openCard(id);
                         // The card may have changed a date or the remind flag.
                         if (window)
                             window->refresh();
                     });
    remind->show();
}
