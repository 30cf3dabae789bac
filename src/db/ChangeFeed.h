// SPDX-License-Identifier: GPL-3.0-or-later
// The notifications of a colleague's changes (see ChangeNotice), received on the address book's
// own connection: Qt's driver reads them from the connection's socket as they come, so nothing
// polls. A burst (an import, a merge) arrives as one signal burstMs after its first
// notification; the program's own writes never come back to it. A connection the server
// dropped while the program sat idle is connected again once the server answers again.
#pragma once

#include <QObject>
#include <QSet>
#include <QSqlDriver>
#include <QStringList>
#include <QTimer>

class Database;

class ChangeFeed : public QObject {
    Q_OBJECT

public:
    // Listens when db is open on a server; on a file it stays silent.
    // After a reconnection it signals the payload reconnectedPayload, which no trigger sends:
    // whatever changed while the connection was lost is read again.
    explicit ChangeFeed(Database& db, QObject* parent = nullptr);
    ~ChangeFeed() override;

    bool listening() const;

    // How long the feed gathers a burst's notifications before it signals them.
    static constexpr int burstMs = 200;
    // How often it looks whether the connection was lost, which costs no traffic.
    static constexpr int watchMs = 2000;
    static constexpr QLatin1StringView reconnectedPayload{"reconnected"};

signals:
    // The payloads received since the last signal, each once.
    void changed(const QStringList& payloads);

private:
    void received(const QString& name, QSqlDriver::NotificationSource source,
                  const QVariant& payload);
    // Into the burst under way, or the first of a new one.
    void gather(const QString& payload);
    // A lost connection: asks, away from the window's thread, whether the server answers.
    void watchConnection();
    void connectAgain();

    Database& m_db;
    QTimer m_burst;
    QTimer m_watch;
    bool m_probing = false;
    QSet<QString> m_payloads;
};
