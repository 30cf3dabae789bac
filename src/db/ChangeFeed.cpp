// SPDX-License-Identifier: GPL-3.0-or-later
#include "ChangeFeed.h"

#include "ChangeNotice.h"
#include "Database.h"
#include "LibPq.h"
#include "ServerRows.h"

#include <QThread>

#include <atomic>
#include <memory>

ChangeFeed::ChangeFeed(Database& db, QObject* parent)
    : QObject(parent)
    , m_db(db)
{
    m_burst.setSingleShot(true);
    m_burst.setInterval(burstMs);
    connect(&m_burst, &QTimer::timeout, this, [this] {
        const QStringList payloads(m_payloads.cbegin(), m_payloads.cend());
        m_payloads.clear();
        emit changed(payloads);
    });
    if (db.backend() != Backend::Server || !db.isOpen())
        return;
    // The same driver serves each connection Database opens to the server again.
    connect(db.connection().driver(), &QSqlDriver::notification, this, &ChangeFeed::received);
    db.listen(QString(ChangeNotice::channel));
    db.setReconnectedNotice([this] { gather(QString(reconnectedPayload)); });
    m_watch.setInterval(watchMs);
    connect(&m_watch, &QTimer::timeout, this, &ChangeFeed::watchConnection);
    m_watch.start();
}

ChangeFeed::~ChangeFeed()
{
    m_db.setReconnectedNotice({});
}

void ChangeFeed::watchConnection()
{
    // The driver stops watching a socket the server closed, and no command comes while the
    // program sits idle: the connection's state is all that tells.
    if (m_probing || !ServerRows::connectionLost(m_db))
        return;
    // Connecting from the window's thread to a server out of reach would freeze the window
    // for the connection's timeout; the question whether it answers is asked on a thread.
    m_probing = true;
    auto answered = std::make_shared<std::atomic_bool>(false);
    QThread* probe = QThread::create([address = m_db.path().toUtf8(), answered] {
        *answered = LibPq::get()->ping(address.constData()) == PQPING_OK;
    });
    connect(probe, &QThread::finished, this, [this, answered] {
        m_probing = false;
        if (*answered)
            connectAgain();
    });
    connect(probe, &QThread::finished, probe, &QObject::deleteLater);
    probe->start();
}

void ChangeFeed::connectAgain()
{
    // The first statement finds the connection lost, the next connects again; the
    // reconnection's notice then has the window read everything again.
    if (!m_db.exec(QStringLiteral("SELECT 1")))
        m_db.exec(QStringLiteral("SELECT 1"));
}

bool ChangeFeed::listening() const
{
    return m_db.isOpen() && m_db.connection().driver()->subscribedToNotifications().contains(
                                QString(ChangeNotice::channel));
}

void ChangeFeed::received(const QString& name, QSqlDriver::NotificationSource source,
                          const QVariant& payload)
{
    if (name != ChangeNotice::channel || source == QSqlDriver::SelfSource)
        return;
    gather(payload.toString());
}

void ChangeFeed::gather(const QString& payload)
{
    m_payloads.insert(payload);
    // Not restarted by each one: a long stream is still shown every burstMs.
    if (!m_burst.isActive())
        m_burst.start();
}
