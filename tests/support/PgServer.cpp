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
    // The server is this program's child, told to quit when the program ends however it ends
    // (a failed check's abort included), so no server outlives its test.
    QStringList command{QStringLiteral("--pdeathsig"), QStringLiteral("QUIT")};
    if (runsAsRoot())
        command << QStringLiteral("--reuid=") + serverUser
                << QStringLiteral("--regid=") + serverUser << QStringLiteral("--clear-groups");
    command << QStringLiteral("--") << QDir(m_binaries).filePath(QStringLiteral("postgres"))
            << QStringLiteral("-D") << data;
    for (const QString& setting :
         QStringList{QStringLiteral("listen_addresses="),
                     QStringLiteral("unix_socket_directories=") + m_folder.path(),
                     QStringLiteral("fsync=off"), QStringLiteral("full_page_writes=off")})
        command << QStringLiteral("-c") << setting;
    m_server.setProcessChannelMode(QProcess::MergedChannels);
    m_server.setStandardOutputFile(m_folder.filePath(QStringLiteral("server.log")));
    m_server.start(QStringLiteral("setpriv"), command);
    if (!m_server.waitForStarted())
        return QStringLiteral("the test server did not start: ") + m_server.errorString();
    QSqlDatabase admin = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), adminConnection);
    admin.setHostName(m_folder.path());
    admin.setUserName(superuser);
    admin.setDatabaseName(QStringLiteral("postgres"));
    // Ready once it takes a connection; a server that stopped says why in its log.
    for (int waited = 0; !admin.open(); ++waited) {
        if (waited == 300 || m_server.state() == QProcess::NotRunning) {
            QFile log(m_folder.filePath(QStringLiteral("server.log")));
            const QString said =
                log.open(QIODevice::ReadOnly) ? QString::fromLocal8Bit(log.readAll()) : QString();
            return QStringLiteral("cannot reach the test server: %1\n%2")
                .arg(admin.lastError().text(), said);
        }
        QThread::msleep(100);
    }
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
    // An immediate shutdown: nothing on the server needs keeping.
    if (m_server.state() == QProcess::NotRunning)
        return;
    ::kill(pid_t(m_server.processId()), SIGQUIT);
    if (!m_server.waitForFinished(10000))
        m_server.kill();
    m_server.waitForFinished(1000);
}
