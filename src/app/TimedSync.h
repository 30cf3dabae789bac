// SPDX-License-Identifier: GPL-3.0-or-later
// The sync at start-up and every so many minutes, as the account's page "同步" asks: the same
// sync as "立即同步", on a thread of its own so that the window never waits for the server.
#pragma once

#include <QObject>
#include <QTimer>

#include <memory>

class Database;
class PasswordStore;
class QThread;
struct Session;

class TimedSync : public QObject {
    Q_OBJECT

public:
    TimedSync(const Database& db, const Session& session, PasswordStore& passwords,
              QObject* parent = nullptr);
    // Cancels a sync under way and waits for it: its connection must not outlive the book's.
    ~TimedSync() override;

    // Reads the account's settings again: sets the timer, and syncs now when atStartUp and the
    // settings ask for it. Nothing is done for an account that syncs only when asked.
    void start(bool atStartUp);
    void stop();
    bool running() const;

    struct Worker; // what the sync's thread shares with the window

signals:
    // A timed sync ended: what it did, or why it did not, in one line for the status bar.
    // changedHere: contacts here were added, changed or deleted.
    void finished(const QString& message, bool changedHere);

private:
    void runOnce();

    const Database& m_db;
    const Session& m_session;
    PasswordStore& m_passwords;
    QTimer m_timer;
    std::shared_ptr<Worker> m_worker; // the sync under way, none between syncs
    std::unique_ptr<QThread> m_thread;
    int m_generation = 0; // which sync a queued end belongs to, after a stop and a new start
};
