// SPDX-License-Identifier: GPL-3.0-or-later
#include "RadicaleServer.h"
#include "TestFiles.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QSslCertificate>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>

using namespace Qt::StringLiterals;

namespace {

// A port the system has just handed out and freed; the server takes it a moment later.
quint16 freePort()
{
    QTcpServer probe;
    return probe.listen(QHostAddress::LocalHost, 0) ? probe.serverPort() : 0;
}

} // namespace

RadicaleServer::RadicaleServer(Transport transport, const QString& user, const QString& password)
    : m_user(user)
    , m_password(password)
    , m_tls(transport == Transport::Https)
{
    const QString program = QStandardPaths::findExecutable(u"radicale"_s);
    if (program.isEmpty()) {
        m_error = u"radicale is not installed: the sync tests need a real server (Debian package "
                  "radicale; scripts/setup.sh installs it)"_s;
        return;
    }
    m_port = freePort();
    if (m_tls && !makeCertificate()) {
        m_error = u"openssl could not make the test server's certificate (Debian package "
                  "openssl)"_s;
        return;
    }
    if (!m_dir.isValid() || m_port == 0 || !addAddressBook(u"contacts"_s, u"联系人"_s)) {
        m_error = u"cannot prepare radicale's folder or port"_s;
        return;
    }
    writeConfiguration();
    m_process.setProcessChannelMode(QProcess::MergedChannels);
    m_process.start(program, {u"--config"_s, m_dir.filePath(u"config"_s)});
    if (!m_process.waitForStarted(10000) || !waitUntilListening())
        m_error = u"radicale did not start: "_s + QString::fromLocal8Bit(m_process.readAll());
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
    return QUrl(u"%1://127.0.0.1:%2/"_s.arg(m_tls ? u"https"_s : u"http"_s).arg(m_port));
}

QUrl RadicaleServer::addressBook() const
{
    return root().resolved(QUrl(m_user + u"/contacts/"_s));
}

QString RadicaleServer::storageFolder() const
{
    return m_dir.filePath(u"storage/collection-root/"_s + m_user + u"/contacts"_s);
}

bool RadicaleServer::addAddressBook(const QString& name, const QString& displayName)
{
    const QString folder = m_dir.filePath(u"storage/collection-root/"_s + m_user + u'/' + name);
    // Radicale's own record of a collection: its kind and its properties.
    const QByteArray props =
        "{\"tag\": \"VADDRESSBOOK\", \"D:displayname\": \"" + displayName.toUtf8() + "\"}";
    return QDir().mkpath(folder) &&
           !TestFiles::write(folder + u"/.Radicale.props"_s, props).isEmpty();
}

bool RadicaleServer::makeCertificate()
{
    QProcess openssl;
    openssl.setProcessChannelMode(QProcess::MergedChannels);
    openssl.start(u"openssl"_s, u"req -x509 -newkey rsa:2048 -nodes -days 2 -subj /CN=127.0.0.1 "
                                "-addext subjectAltName=IP:127.0.0.1"_s.split(u' ') +
                                    QStringList{u"-keyout"_s, m_dir.filePath(u"key.pem"_s),
                                                u"-out"_s, certificateFile()});
    return openssl.waitForFinished(60000) && openssl.exitStatus() == QProcess::NormalExit &&
           openssl.exitCode() == 0;
}

void RadicaleServer::writeConfiguration()
{
    QString config = u"[server]\nhosts = 127.0.0.1:%1\n"_s.arg(m_port);
    if (m_tls)
        config += u"ssl = True\ncertificate = %1\nkey = %2\n"_s.arg(certificateFile(),
                                                                    m_dir.filePath(u"key.pem"_s));
    config += u"[auth]\ntype = htpasswd\nhtpasswd_filename = %1\nhtpasswd_encryption = plain\n"
              "[storage]\nfilesystem_folder = %2\n[rights]\ntype = owner_only\n[web]\ntype = "
              "none\n[logging]\nlevel = warning\n"_s.arg(m_dir.filePath(u"users"_s),
                                                         m_dir.filePath(u"storage"_s));
    TestFiles::write(m_dir.filePath(u"config"_s), config.toUtf8());
    TestFiles::write(m_dir.filePath(u"users"_s), (m_user + u':' + m_password + u'\n').toUtf8());
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

QString RadicaleServer::certificateFingerprint() const
{
    const QSslCertificate certificate = QSslCertificate::fromPath(certificateFile()).value(0);
    return QString::fromLatin1(certificate.digest(QCryptographicHash::Sha256).toHex(':').toUpper());
}
