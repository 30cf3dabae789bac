// SPDX-License-Identifier: GPL-3.0-or-later
// A PostgreSQL server of the test program's own: made with initdb in a temporary folder, reached
// only through a Unix socket in that folder, started at the first use and stopped when the
// program ends (by its post routine, or by the kernel's parent-death signal if it aborts). Run as
// root (as CI runs), the server runs as the unprivileged user "postgres", since PostgreSQL refuses
// root. Each test gets an empty database of its own.
#pragma once

#include <QProcess>
#include <QString>
#include <QTemporaryDir>

class PgServer {
public:
    // The program's server, started on the first call. ok() is false, with the reason in
    // error(), when it could not be started; a machine without the server's programs fails
    // there, never skips.
    static PgServer& instance();

    bool ok() const { return m_error.isEmpty(); }
    QString error() const { return m_error; }

    // A new, empty database, as the postgresql:// URL the program opens; empty on failure.
    QString createDatabase();
    // Drops the database of a URL createDatabase() gave, whoever is still connected to it.
    void dropDatabase(const QString& url);

    // The URL of a database createDatabase() gave for a new role that must log in with
    // password: the server asks it for one, as an office's server does.
    QString withPasswordRole(const QString& url, const QString& role, const QString& password);

    // Stops the server at once, as a crash or a pulled cable would (its clients' connections
    // break), and starts it again on the same databases.
    void stop();
    bool restart();

    ~PgServer();
    PgServer(const PgServer&) = delete;
    PgServer& operator=(const PgServer&) = delete;

private:
    PgServer();
    QString start();
    // Runs the server on its folder and waits until it takes connections.
    QString launch();
    // Runs one of the server's programs as the server's user; the error text, empty when it
    // succeeded.
    QString runAsServerUser(const QString& program, const QStringList& arguments) const;
    bool administer(const QString& statement);

    QTemporaryDir m_folder;
    QProcess m_server;
    QString m_binaries;
    QString m_error;
    int m_databases = 0;
};
