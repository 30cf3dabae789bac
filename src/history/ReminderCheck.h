// SPDX-License-Identifier: GPL-3.0-or-later
// Works out the start-up's reminders beside the window.
#pragma once

#include "history/Reminders.h"

#include <QObject>

#include <functional>
#include <memory>

class QThread;

// Reminders::forStartUp on a thread of its own, over its own read-only connection to the
// address book: at 100,000 contacts the scan of their dates and the lunar calendar take a few
// hundred milliseconds, which the window would otherwise spend frozen right after it appears.
class ReminderCheck : public QObject {
public:
    using Done = std::function<void(const Result<std::optional<DueList>>&)>;

    // Starts at once; done runs on this object's thread when the list is there, unless the
    // object is gone by then.
    ReminderCheck(const QString& databasePath, qint64 userId, QDate today, Done done,
                  QObject* parent = nullptr);
    // Waits for the worker, which must not outlive the connection's owner.
    ~ReminderCheck() override;

private:
    std::unique_ptr<QThread> m_worker;
};
