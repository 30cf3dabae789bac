// SPDX-License-Identifier: GPL-3.0-or-later
#include "TimedSync.h"

#include "db/Database.h"
#include "db/Session.h"
#include "sync/DavClient.h"
#include "sync/PasswordStore.h"
#include "sync/SyncEngine.h"
#include "sync/SyncSettings.h"

#include <QMutex>
#include <QThread>

// What the thread and the window share: the client to cancel, and the outcome.
struct TimedSync::Worker {
    QMutex mutex;
    DavClient* client = nullptr;
    bool stopped = false;
    Result<SyncSummary> outcome = DbError{};

    void cancel()
    {
        QMutexLocker lock(&mutex);
        stopped = true;
        if (client)
            client->cancel();
    }
};

namespace {

// One sync over a connection of the thread's own. No one is asked anything: a conflict stays
// open for "立即同步", a certificate is used only if accepted there before.
Result<SyncSummary> syncOnThread(const QString& databasePath, const SyncSettings& settings,
                                 const QString& password, const SyncScope& scope,
                                 TimedSync::Worker& worker)
{
    Database db;
    if (Status opened = db.open(databasePath); !opened)
        return opened.error();
    DavClient client(settings.userName, password);
    client.trustCertificate(settings.trustedCertificate);
    {
        QMutexLocker lock(&worker.mutex);
        if (worker.stopped)
            return DbError{SyncErrorCode::Cancelled, QStringLiteral("同步已取消。")};
        worker.client = &client;
    }
    auto summary = SyncEngine::run(db, client, settings.book, settings.syncToken, scope, {});
    {
        QMutexLocker lock(&worker.mutex);
        worker.client = nullptr;
    }
    if (!summary)
        return summary;
    if (Status kept = SyncSettings::saveToken(db, scope.accountId, summary.value().syncToken);
        !kept)
        return kept.error();
    return summary;
}

QString messageOf(const Result<SyncSummary>& outcome)
{
    if (!outcome)
        return QStringLiteral("定时同步未完成：%1（错误 %2）")
            .arg(outcome.error().description)
            .arg(outcome.error().number);
    QString message = QStringLiteral("定时同步完成。") + outcome.value().text();
    if (outcome.value().conflictsOpen)
        message += QStringLiteral("两边都修改过的联系人请在“同步”页按“立即同步”逐项选择。");
    return message;
}

} // namespace

TimedSync::TimedSync(const Database& db, const Session& session, PasswordStore& passwords,
                     QObject* parent)
    : QObject(parent)
    , m_db(db)
    , m_session(session)
    , m_passwords(passwords)
{
    connect(&m_timer, &QTimer::timeout, this, &TimedSync::runOnce);
}

TimedSync::~TimedSync()
{
    stop();
}

bool TimedSync::running() const
{
    return m_thread != nullptr;
}

void TimedSync::stop()
{
    m_timer.stop();
    if (!m_thread)
        return;
    ++m_generation;
    m_worker->cancel();
    m_thread->wait();
    m_thread.reset();
    m_worker.reset();
}

void TimedSync::start(bool atStartUp)
{
    auto settings = SyncSettings::read(m_db, m_session.currentUserId);
    m_timer.stop();
    if (!settings || settings.value().book.isEmpty())
        return;
    if (settings.value().everyMinutes > 0)
        m_timer.start(settings.value().everyMinutes * 60 * 1000);
    if (atStartUp && settings.value().atStart)
        runOnce();
}

void TimedSync::runOnce()
{
    // One at a time: a tick that finds the last sync still running lets it finish.
    if (m_thread)
        return;
    auto settings = SyncSettings::read(m_db, m_session.currentUserId);
    if (!settings) {
        emit finished(messageOf(settings.error()), false);
        return;
    }
    const SyncSettings stored = settings.value();
    if (stored.book.isEmpty())
        return;
    // Read here: the secret store answers on the window's thread.
    const auto password =
        m_passwords.read(stored.userName + u'@' + stored.server).value_or(QString());
    if (password.isEmpty()) {
        emit finished(QStringLiteral("定时同步未进行：没有保存的密码。请在“同步”页按“立即同步”。"),
                      false);
        return;
    }
    const SyncScope scope{m_session.currentUserId,
                          m_session.currentUserId == Session::administratorId, stored.groupIds,
                          stored.defaultGroupId, QDate::currentDate()};
    m_worker = std::make_shared<Worker>();
    m_thread.reset(
        QThread::create([path = m_db.path(), stored, password, scope, worker = m_worker] {
            worker->outcome = syncOnThread(path, stored, password, scope, *worker);
        }));
    const int generation = ++m_generation;
    connect(m_thread.get(), &QThread::finished, this, [this, generation] {
        if (generation != m_generation || !m_thread)
            return; // stopped meanwhile
        const Result<SyncSummary> outcome = m_worker->outcome;
        m_thread->wait();
        m_thread.reset();
        m_worker.reset();
        const bool changedHere =
            outcome && (outcome.value().addedHere || outcome.value().changedHere ||
                        outcome.value().deletedHere || outcome.value().keptBack ||
                        outcome.value().conflictsResolved);
        emit finished(messageOf(outcome), changedHere);
    });
    m_thread->start();
}
