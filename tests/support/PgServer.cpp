// SPDX-License-Identifier: GPL-3.0-or-later
#include "PgServer.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QThread>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <pwd.h>
#include <unistd.h>

namespace {

// The superuser initdb makes; every test connects as it, with no password (trust, and only
// through the socket in the server's own folder).
const QString superuser = QStringLiteral("vardelin");
const QString serverUser = QStringLiteral("postgres");
const QString adminConnection = QStringLiteral("pgserver-admin");

// The newest installed server's programs, e.g. /usr/lib/postgresql/15/bin.
QString serverBinaries()
{
    QDir versions(QStringLiteral("/usr/lib/postgresql"));
    QStringList found;
    for (const QString& version : versions.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        if (QFile::exists(versions.filePath(version + QStringLiteral("/bin/initdb"))))
            found << version;
    }
    if (found.isEmpty())
        return {};
    std::sort(found.begin(), found.end(),
              [](const QString& a, const QString& b) { return a.toInt() < b.toInt(); });
    return versions.filePath(found.last() + QStringLiteral("/bin"));
}

bool runsAsRoot()
{
    return ::geteuid() == 0;
}

} // namespace

PgServer& PgServer::instance()
{
    static PgServer server;
    return server;
}

PgServer::PgServer()
{
    m_error = start();
    // Stopped while the application and the SQL drivers still stand.
    qAddPostRoutine([] { instance().stop(); });
}

PgServer::~PgServer()
{
    stop();
}

QString PgServer::runAsServerUser(const QString& program, const QStringList& arguments) const
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    const QString path = QDir(m_binaries).filePath(program);
    if (runsAsRoot())
        process.start(QStringLiteral("runuser"),
                      QStringList{QStringLiteral("-u"), serverUser, QStringLiteral("--"), path} +
                          arguments);
    else
        process.start(path, arguments);
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit ||
        process.exitCode() != 0) {
        return QStringLiteral("%1 failed: %2 %3")
            .arg(program, process.errorString(), QString::fromLocal8Bit(process.readAll()));
    }
    return {};
}

QString PgServer::start()
{
    m_binaries = serverBinaries();
    if (m_binaries.isEmpty())
        return QStringLiteral("PostgreSQL's server programs were not found under "
                              "/usr/lib/postgresql/*/bin: install the packages postgresql and "
                              "postgresql-contrib (scripts/setup.sh does)");
    if (!m_folder.isValid())
        return QStringLiteral("no temporary folder for the server: ") + m_folder.errorString();
    if (runsAsRoot()) {
        // PostgreSQL refuses to run as root; its own user owns the folder instead.
        const passwd* user = ::getpwnam(serverUser.toLocal8Bit().constData());
        if (!user)
            return QStringLiteral("running as root, the server needs the user \"postgres\", "
                                  "which the package postgresql makes; it is missing");
        if (::chown(QFile::encodeName(m_folder.path()).constData(), user->pw_uid, user->pw_gid) !=
            0)
            return QStringLiteral("cannot give the server's folder to postgres: ") +
                   QString::fromLocal8Bit(std::strerror(errno));
    }
    const QString data = m_folder.filePath(QStringLiteral("data"));
    if (QString failed = runAsServerUser(
            QStringLiteral("initdb"),
            {QStringLiteral("-D"), data, QStringLiteral("-U"), superuser, QStringLiteral("-A"),
             QStringLiteral("trust"), QStringLiteral("-E"), QStringLiteral("UTF8"),
             QStringLiteral("--locale=C.UTF-8"), QStringLiteral("--no-sync")});
        !failed.isEmpty())
        return failed;
    // No TCP port at all: only the socket in the folder, which no other test program shares.
    const QString options = QStringLiteral("-c listen_addresses='' -c unix_socket_directories=%1 "
                                           "-c fsync=off -c full_page_writes=off")
                                .arg(m_folder.path());
    if (QString failed =
            runAsServerUser(QStringLiteral("pg_ctl"),
                            {QStringLiteral("-D"), data, QStringLiteral("-l"),
                             m_folder.filePath(QStringLiteral("server.log")), QStringLiteral("-o"),
                             options, QStringLiteral("-w"), QStringLiteral("start")});
        !failed.isEmpty())
        return failed;
    QSqlDatabase admin = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), adminConnection);
    admin.setHostName(m_folder.path());
    admin.setUserName(superuser);
    admin.setDatabaseName(QStringLiteral("postgres"));
    if (!admin.open())
        return QStringLiteral("cannot reach the test server: ") + admin.lastError().text();
    return {};
}

bool PgServer::administer(const QString& statement)
{
    QSqlQuery query(QSqlDatabase::database(adminConnection, false));
    if (!query.exec(statement)) {
        qWarning("test server: %s", qPrintable(query.lastError().text()));
        return false;
    }
    return true;
}

QString PgServer::createDatabase()
{
    if (!ok())
        return {};
    // The name is the test program's own counter.
    const QString name = QStringLiteral("book%1").arg(++m_databases);
    if (!administer(QStringLiteral("CREATE DATABASE ") + name))
        return {};
    return QStringLiteral("postgresql:///%1?host=%2&user=%3").arg(name, m_folder.path(), superuser);
}

void PgServer::dropDatabase(const QString& url)
{
    const QString name = url.section(u'/', 3).section(u'?', 0, 0);
    if (ok() && !name.isEmpty())
        administer(QStringLiteral("DROP DATABASE IF EXISTS %1 WITH (FORCE)").arg(name));
}

void PgServer::stop()
{
    if (QSqlDatabase::contains(adminConnection)) {
        QSqlDatabase::database(adminConnection, false).close();
        QSqlDatabase::removeDatabase(adminConnection);
    }
    // An immediate shutdown by signal: at the program's end there may be no event loop left
    // for a child process, and nothing on the server needs keeping.
    QFile pidFile(m_folder.filePath(QStringLiteral("data/postmaster.pid")));
    if (!pidFile.open(QIODevice::ReadOnly))
        return;
    const pid_t pid = pid_t(pidFile.readLine().trimmed().toLong());
    pidFile.close();
    if (pid <= 0 || ::kill(pid, SIGQUIT) != 0)
        return;
    for (int waited = 0; waited < 100 && ::kill(pid, 0) == 0; ++waited)
        QThread::msleep(50);
}
