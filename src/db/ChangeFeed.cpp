// SPDX-License-Identifier: GPL-3.0-or-later
#include "ChangeFeed.h"

#include "ChangeNotice.h"
#include "Database.h"

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
    db.setReconnectedNotice([this] {
        m_payloads.insert(QString(reconnectedPayload));
        if (!m_burst.isActive())
            m_burst.start();
    });
}

ChangeFeed::~ChangeFeed()
{
    m_db.setReconnectedNotice({});
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
    m_payloads.insert(payload.toString());
    // Not restarted by each one: a long stream is still shown every burstMs.
    if (!m_burst.isActive())
        m_burst.start();
}
