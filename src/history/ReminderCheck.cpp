// SPDX-License-Identifier: GPL-3.0-or-later
// Works out the start-up's reminders beside the window.
#include "ReminderCheck.h"

#include "db/Database.h"

#include <QThread>

ReminderCheck::ReminderCheck(const QString& databasePath, qint64 userId, QDate today, Done done,
                             QObject* parent)
    : QObject(parent)
{
    auto result = std::make_shared<Result<std::optional<DueList>>>(DbError{});
    // A connection belongs to the thread that opened it, so the worker opens its own.
    m_worker.reset(QThread::create([databasePath, userId, today, result] {
        Database db;
        if (Status opened = db.openReadOnly(databasePath); !opened) {
            *result = opened.error();
            return;
        }
        *result = Reminders::forStartUp(db, userId, today);
    }));
    connect(m_worker.get(), &QThread::finished, this,
            [result, done = std::move(done)] { done(*result); });
    m_worker->start();
}

ReminderCheck::~ReminderCheck()
{
    m_worker->wait();
}
