// SPDX-License-Identifier: GPL-3.0-or-later
#include "RadicaleServer.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>

namespace {

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// A port the system has just handed out and freed; the server takes it a moment later.
quint16 freePort()
{
    QTcpServer probe;
    if (!probe.listen(QHostAddress::LocalHost, 0))
        return 0;
    return probe.serverPort();
}

} // namespace

RadicaleServer::RadicaleServer(Transport transport, const QString& user, const QString& password)
    : m_user(user)
    , m_password(password)
    , m_tls(transport == Transport::Https)
{
    const QString program = QStandardPaths::findExecutable(QStringLiteral("radicale"));
    if (program.isEmpty()) {
        m_error = QStringLiteral("radicale is not installed: the sync tests need a real server "
                                 "(Debian package radicale; scripts/setup.sh installs it)");
        return;
    }
    m_port = freePort();
    if (m_tls && !makeCertificate()) {
        m_error = QStringLiteral("openssl could not make the test server's certificate (Debian "
                                 "package openssl)");
        return;
    }
    if (!m_dir.isValid() || m_port == 0 || !writeConfiguration() ||
        !addAddressBook(QStringLiteral("contacts"), QStringLiteral("联系人"))) {
        m_error = QStringLiteral("cannot prepare radicale's folder or port");
        return;
    }
    m_process.setProcessChannelMode(QProcess::MergedChannels);
    m_process.start(program,
                    {QStringLiteral("--config"), m_dir.filePath(QStringLiteral("config"))});
    if (!m_process.waitForStarted(10000) || !waitUntilListening())
        m_error = QStringLiteral("radicale did not start: ") +
                  QString::fromLocal8Bit(m_process.readAll());
}

RadicaleServer::~RadicaleServer()
{
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_process.terminate();
    if (!m_process.waitForFinished(5000)) {
        m_process.kill();
        m_process.waitForFinished(5000);
    }
}

QUrl RadicaleServer::root() const
{
    return QUrl(QStringLiteral("%1://127.0.0.1:%2/")
                    .arg(m_tls ? QStringLiteral("https") : QStringLiteral("http"))
                    .arg(m_port));
}

QUrl RadicaleServer::addressBook() const
{
    return root().resolved(QUrl(m_user + QStringLiteral("/contacts/")));
}

QString RadicaleServer::storageFolder() const
{
    return m_dir.filePath(QStringLiteral("storage/collection-root/") + m_user +
                          QStringLiteral("/contacts"));
}

bool RadicaleServer::addAddressBook(const QString& name, const QString& displayName)
{
    const QString folder =
        m_dir.filePath(QStringLiteral("storage/collection-root/") + m_user + u'/' + name);
    // Radicale's own record of a collection: its kind and its properties.
    const QByteArray props =
        QByteArrayLiteral("{\"tag\": \"VADDRESSBOOK\", \"D:displayname\": \"") +
        displayName.toUtf8() + "\"}";
    return QDir().mkpath(folder) && writeFile(folder + QStringLiteral("/.Radicale.props"), props);
}

bool RadicaleServer::makeCertificate()
{
    QProcess openssl;
    openssl.setProcessChannelMode(QProcess::MergedChannels);
    openssl.start(QStringLiteral("openssl"),
                  {QStringLiteral("req"), QStringLiteral("-x509"), QStringLiteral("-newkey"),
                   QStringLiteral("rsa:2048"), QStringLiteral("-nodes"), QStringLiteral("-days"),
                   QStringLiteral("2"), QStringLiteral("-subj"), QStringLiteral("/CN=127.0.0.1"),
                   QStringLiteral("-addext"), QStringLiteral("subjectAltName=IP:127.0.0.1"),
                   QStringLiteral("-keyout"), m_dir.filePath(QStringLiteral("key.pem")),
                   QStringLiteral("-out"), m_dir.filePath(QStringLiteral("cert.pem"))});
    return openssl.waitForFinished(60000) && openssl.exitStatus() == QProcess::NormalExit &&
           openssl.exitCode() == 0;
}

bool RadicaleServer::writeConfiguration()
{
    QString config = QStringLiteral("[server]\nhosts = 127.0.0.1:%1\n").arg(m_port);
    if (m_tls)
        config += QStringLiteral("ssl = True\ncertificate = %1\nkey = %2\n")
                      .arg(m_dir.filePath(QStringLiteral("cert.pem")),
                           m_dir.filePath(QStringLiteral("key.pem")));
    config += QStringLiteral("[auth]\ntype = htpasswd\nhtpasswd_filename = %1\n"
                             "htpasswd_encryption = plain\n"
                             "[storage]\nfilesystem_folder = %2\n"
                             "[rights]\ntype = owner_only\n"
                             "[web]\ntype = none\n"
                             "[logging]\nlevel = warning\n")
                  .arg(m_dir.filePath(QStringLiteral("users")),
                       m_dir.filePath(QStringLiteral("storage")));
    return writeFile(m_dir.filePath(QStringLiteral("config")), config.toUtf8()) &&
           writeFile(m_dir.filePath(QStringLiteral("users")),
                     (m_user + u':' + m_password + u'\n').toUtf8());
}

bool RadicaleServer::waitUntilListening()
{
    const QDeadlineTimer deadline(15000);
    while (!deadline.hasExpired() && m_process.state() == QProcess::Running) {
        QTcpSocket socket;
        socket.connectToHost(QHostAddress::LocalHost, m_port);
        if (socket.waitForConnected(200))
            return true;
        QThread::msleep(50);
    }
    return false;
}
