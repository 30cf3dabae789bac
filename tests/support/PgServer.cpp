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

using namespace Qt::StringLiterals;

namespace {

// The superuser initdb makes; every test connects as it, with no password (trust, and only
// through the socket in the server's own folder).
const QString superuser = u"vardelin"_s;
const QString serverUser = u"postgres"_s;
const QString adminConnection = u"pgserver-admin"_s;

// The newest installed server's programs, e.g. /usr/lib/postgresql/15/bin.
QString serverBinaries()
{
    QDir versions(u"/usr/lib/postgresql"_s);
    QStringList found;
    for (const QString& version : versions.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        if (QFile::exists(versions.filePath(version + u"/bin/initdb"_s)))
            found << version;
    }
    std::sort(found.begin(), found.end(),
              [](const QString& a, const QString& b) { return a.toInt() < b.toInt(); });
    return found.isEmpty() ? QString() : versions.filePath(found.last() + u"/bin"_s);
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
        process.start(u"runuser"_s, QStringList{u"-u"_s, serverUser, u"--"_s, path} + arguments);
    else
        process.start(path, arguments);
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit ||
        process.exitCode() != 0)
        return u"%1 failed: %2 %3"_s.arg(program, process.errorString(),
                                         QString::fromLocal8Bit(process.readAll()));
    return {};
}

QString PgServer::start()
{
    m_binaries = serverBinaries();
    if (m_binaries.isEmpty())
        return u"PostgreSQL's server programs were not found under /usr/lib/postgresql/*/bin: "
               "install the package postgresql (scripts/setup.sh does)"_s;
    if (!m_folder.isValid())
        return u"no temporary folder for the server: "_s + m_folder.errorString();
    if (runsAsRoot()) {
        // PostgreSQL refuses to run as root; its own user owns the folder instead.
        const passwd* user = ::getpwnam(serverUser.toLocal8Bit().constData());
        if (!user)
            return u"running as root, the server needs the user \"postgres\", which the package "
                   "postgresql makes; it is missing"_s;
        if (::chown(QFile::encodeName(m_folder.path()).constData(), user->pw_uid, user->pw_gid))
            return u"cannot give the server's folder to postgres: "_s +
                   QString::fromLocal8Bit(std::strerror(errno));
    }
    const QString data = m_folder.filePath(u"data"_s);
    if (QString failed = runAsServerUser(u"initdb"_s, {u"-D"_s, data, u"-U"_s, superuser, u"-A"_s,
                                                       u"trust"_s, u"-E"_s, u"UTF8"_s,
                                                       u"--locale=C.UTF-8"_s, u"--no-sync"_s});
        !failed.isEmpty())
        return failed;
    return launch();
}

QString PgServer::launch()
{
    const QString data = m_folder.filePath(u"data"_s);
    // No TCP port at all: only the socket in the folder, which no other test program shares.
    // The server is this program's child, told to quit when the program ends however it ends
    // (a failed check's abort included), so no server outlives its test.
    QStringList command{u"--pdeathsig"_s, u"QUIT"_s};
    if (runsAsRoot())
        command << u"--reuid="_s + serverUser << u"--regid="_s + serverUser << u"--clear-groups"_s;
    command << u"--"_s << QDir(m_binaries).filePath(u"postgres"_s) << u"-D"_s << data;
    for (const QString& setting :
         {u"listen_addresses="_s, QString(u"unix_socket_directories="_s + m_folder.path()),
          u"fsync=off"_s, u"full_page_writes=off"_s})
        command << u"-c"_s << setting;
    const QString log = m_folder.filePath(u"server.log"_s);
    m_server.setProcessChannelMode(QProcess::MergedChannels);
    m_server.setStandardOutputFile(log);
    m_server.start(u"setpriv"_s, command);
    if (!m_server.waitForStarted())
        return u"the test server did not start: "_s + m_server.errorString();
    QSqlDatabase admin = QSqlDatabase::addDatabase(u"QPSQL"_s, adminConnection);
    admin.setHostName(m_folder.path());
    admin.setUserName(superuser);
    admin.setDatabaseName(u"postgres"_s);
    // Ready once it takes a connection; a server that stopped says why in its log.
    for (int waited = 0; !admin.open(); ++waited) {
        if (waited == 300 || m_server.state() == QProcess::NotRunning) {
            QFile said(log);
            return u"cannot reach the test server: %1\n%2"_s.arg(
                admin.lastError().text(), said.open(QIODevice::ReadOnly)
                                              ? QString::fromLocal8Bit(said.readAll())
                                              : QString());
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
    // The name is the test program's own counter.
    const QString name = u"book%1"_s.arg(++m_databases);
    if (!ok() || !administer(u"CREATE DATABASE "_s + name))
        return {};
    return u"postgresql:///%1?host=%2&user=%3"_s.arg(name, m_folder.path(), superuser);
}

void PgServer::dropDatabase(const QString& url)
{
    const QString name = url.section(u'/', 3).section(u'?', 0, 0);
    if (ok() && !name.isEmpty())
        administer(u"DROP DATABASE IF EXISTS %1 WITH (FORCE)"_s.arg(name));
}

QString PgServer::withPasswordRole(const QString& url, const QString& role, const QString& password)
{
    // Names and the password are the test's own literals.
    if (!administer(u"CREATE ROLE %1 LOGIN SUPERUSER PASSWORD '%2'"_s.arg(role, password)))
        return {};
    QFile rules(m_folder.filePath(u"data/pg_hba.conf"_s));
    if (!rules.open(QIODevice::ReadWrite))
        return {};
    // The first line that fits decides: this one before the folder's "trust".
    const QByteArray rest = rules.readAll();
    rules.seek(0);
    rules.write("local all " + role.toUtf8() + " scram-sha-256\n" + rest);
    rules.close();
    if (!administer(u"SELECT pg_reload_conf()"_s))
        return {};
    QString withRole = url;
    withRole.replace(u"user="_s + superuser, u"user="_s + role);
    // The server reads its rules again a moment after it is told to.
    for (int waited = 0; waited < 50; ++waited) {
        {
            QSqlDatabase probe = QSqlDatabase::addDatabase(u"QPSQL"_s, u"pgserver-probe"_s);
            probe.setHostName(m_folder.path());
            probe.setUserName(role);
            probe.setDatabaseName(u"postgres"_s);
            const bool trusted = probe.open();
            probe.close();
            if (!trusted)
                break;
        }
        QSqlDatabase::removeDatabase(u"pgserver-probe"_s);
        QThread::msleep(100);
    }
    QSqlDatabase::removeDatabase(u"pgserver-probe"_s);
    return withRole;
}

bool PgServer::restart()
{
    m_error = launch();
    return ok();
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
