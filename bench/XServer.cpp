// SPDX-License-Identifier: GPL-3.0-or-later
#include "XServer.h"

#include "BenchSupport.h"

#include "db/Database.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>

#include <csignal>
#include <cstdlib>
#include <unistd.h>

namespace {

pid_t serverPid = 0;
void endServerAtExit()
{
    if (serverPid > 0)
        ::kill(serverPid, SIGTERM);
}

} // namespace

bool Bench::XServer::start()
{
    const QString xvfb = QStandardPaths::findExecutable(QStringLiteral("Xvfb"));
    if (xvfb.isEmpty()) {
        m_failure = QStringLiteral("Xvfb is not installed");
        return false;
    }
    static const bool registered = std::atexit(endServerAtExit) == 0;
    Q_UNUSED(registered);
    for (int display = 90; display < 110; ++display) {
        const QString socket = QStringLiteral("/tmp/.X11-unix/X%1").arg(display);
        const QString lock = QStringLiteral("/tmp/.X%1-lock").arg(display);
        if (QFileInfo::exists(socket) || QFileInfo::exists(lock))
            continue;
        m_server.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_server.start(xvfb, {QStringLiteral(":%1").arg(display), QStringLiteral("-screen"),
                              QStringLiteral("0"), QStringLiteral("1280x1024x24"),
                              QStringLiteral("-nolisten"), QStringLiteral("tcp")});
        serverPid = pid_t(m_server.processId());
        if (waitForSocket(socket)) {
            m_display = QStringLiteral(":%1").arg(display);
            return true;
        }
        stop();
    }
    if (m_failure.isEmpty())
        m_failure = QStringLiteral("no display between :90 and :109 could be started");
    return false;
}

void Bench::XServer::stop()
{
    if (m_server.state() == QProcess::NotRunning)
        return;
    m_server.terminate();
    if (!m_server.waitForFinished(5000)) {
        m_server.kill();
        m_server.waitForFinished(5000);
    }
    serverPid = 0;
}

Bench::XServer::~XServer()
{
    stop();
}

bool Bench::XServer::waitForSocket(const QString& socket)
{
    QElapsedTimer waited;
    waited.start();
    while (waited.elapsed() < 10000) {
        if (m_server.state() == QProcess::NotRunning) {
            m_failure = QStringLiteral("Xvfb ended at once");
            return false;
        }
        if (QFileInfo::exists(socket))
            return true;
        QThread::msleep(20);
    }
    m_failure = QStringLiteral("Xvfb never opened its socket");
    return false;
}

QProcessEnvironment Bench::xEnvironment(const XServer& server, const QTemporaryDir& folder)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    environment.insert(QStringLiteral("DISPLAY"), server.display());
    if (!environment.contains(QStringLiteral("XDG_RUNTIME_DIR")))
        environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), folder.path());
    return environment;
}

QString Bench::builtProgram(const QString& name)
{
    const QString path = QDir(QCoreApplication::applicationDirPath()).filePath(name);
    if (!QFileInfo(path).isExecutable())
        fail(path + QStringLiteral(" is not built"));
    return path;
}

Bench::BookCopy Bench::copyOfBook(const QString& path, const QTemporaryDir& folder)
{
    const QString copy = folder.filePath(QStringLiteral("contacts.db"));
    if (!folder.isValid() || !QFile::copy(path, copy))
        fail(QStringLiteral("cannot copy ") + path);
    qint64 contacts = 0;
    {
        Database counted;
        open(counted, copy);
        contacts =
            scalar(counted, QStringLiteral("SELECT count(*) FROM Vardelin_Contact")).toLongLong();
    }
    ::sync();
    return {copy, contacts};
}

qint64 Bench::cpuNs(qint64 pid)
{
    QFile stat(QStringLiteral("/proc/%1/schedstat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return 0;
    return stat.readLine().split(' ').value(0).toLongLong();
}

void Bench::setTopOption(const QString& path, bool on)
{
    Database db;
    open(db, path);
    if (Status done = db.exec(QStringLiteral("UPDATE Vardelin_System SET IsTop = ? WHERE ID = 1"),
                              {on ? 1 : 0});
        !done)
        fail(QStringLiteral("cannot set IsTop: ") + done.error().description);
}
