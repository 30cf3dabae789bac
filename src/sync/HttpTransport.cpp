// SPDX-License-Identifier: GPL-3.0-or-later
// The sync's HTTP over Qt Network, built as the module vardelin_http: only the program's first
// sync loads it, and Qt Network with it.
#include "DavTransport.h"

#include <QAuthenticator>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QSslCertificate>
#include <QSslError>
#include <QTimer>

#include <algorithm>
#include <type_traits>

namespace {

class HttpTransport : public DavTransport {
public:
    HttpTransport(const QString& user, const QString& password);

    Result<Answer> send(const QByteArray& verb, const QUrl& url, const QByteArray& body,
                        const Headers& headers, const std::function<void()>& meanwhile) override;

private:
    void authenticate(QNetworkReply* reply, QAuthenticator* authenticator);
    void checkCertificate(QNetworkReply* reply, const QList<QSslError>& errors);

    QNetworkAccessManager m_network;
    QString m_user;
    QString m_password;
    QTimer* m_silence = nullptr; // the request's silence limit, paused while the user is asked
};

HttpTransport::HttpTransport(const QString& user, const QString& password)
    : m_user(user)
    , m_password(password)
{
    QObject::connect(&m_network, &QNetworkAccessManager::authenticationRequired, &m_network,
                     [this](QNetworkReply* reply, QAuthenticator* authenticator) {
                         authenticate(reply, authenticator);
                     });
    QObject::connect(&m_network, &QNetworkAccessManager::sslErrors, &m_network,
                     [this](QNetworkReply* reply, const QList<QSslError>& errors) {
                         checkCertificate(reply, errors);
                     });
}

void HttpTransport::checkCertificate(QNetworkReply* reply, const QList<QSslError>& errors)
{
    // Only a certificate the system does not know is the user's to accept; an expired one or
    // one for another host is refused as the system would refuse it.
    const QSslCertificate certificate = errors.value(0).certificate();
    const bool onlyUntrusted = std::all_of(errors.begin(), errors.end(), [](const QSslError& e) {
        return e.error() == QSslError::SelfSignedCertificate ||
               e.error() == QSslError::SelfSignedCertificateInChain ||
               e.error() == QSslError::UnableToGetLocalIssuerCertificate ||
               e.error() == QSslError::UnableToVerifyFirstCertificate ||
               e.error() == QSslError::CertificateUntrusted;
    });
    if (certificate.isNull() || !onlyUntrusted)
        return;
    const QString fingerprint =
        QString::fromLatin1(certificate.digest(QCryptographicHash::Sha256).toHex(':').toUpper());
    if (fingerprint != m_trustedCertificate) {
        if (m_silence)
            m_silence->stop();
        const bool accepted =
            m_askCertificate && m_askCertificate({certificate.subjectDisplayName(), fingerprint});
        if (m_silence)
            m_silence->start();
        if (!accepted)
            return;
        m_trustedCertificate = fingerprint;
    }
    reply->ignoreSslErrors(errors);
}

void HttpTransport::authenticate(QNetworkReply* reply, QAuthenticator* authenticator)
{
    // Offered once per request: a second challenge means the server refused the password, and
    // the request then ends with 401 rather than asking forever.
    if (reply->property("vardelinAuthenticated").toBool())
        return;
    reply->setProperty("vardelinAuthenticated", true);
    authenticator->setUser(m_user);
    authenticator->setPassword(m_password);
}

Result<DavTransport::Answer> HttpTransport::send(const QByteArray& verb, const QUrl& url,
                                                 const QByteArray& body, const Headers& headers,
                                                 const std::function<void()>& meanwhile)
{
    if (m_cancelled)
        return DbError{SyncErrorCode::Cancelled, QStringLiteral("同步已取消。")};
    QNetworkRequest request(url);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::ManualRedirectPolicy);
    const bool typed = std::any_of(headers.begin(), headers.end(), [](const auto& header) {
        return header.first == "Content-Type";
    });
    if (!body.isEmpty() && !typed)
        request.setHeader(QNetworkRequest::ContentTypeHeader,
                          QByteArrayLiteral("application/xml; charset=utf-8"));
    for (const auto& [name, value] : headers)
        request.setRawHeader(name, value);
    QElapsedTimer clock;
    clock.start();
    QNetworkReply* reply = m_network.sendCustomRequest(request, verb, body);
    qint64 ownWorkNs = 0;

    QEventLoop loop;
    bool timedOut = false;
    QTimer silence;
    silence.setSingleShot(true);
    QObject::connect(&silence, &QTimer::timeout, &loop, [&] {
        timedOut = true;
        reply->abort();
    });
    // Any byte in either direction shows the server is still there.
    const auto heard = [&silence](qint64, qint64) {
        silence.start();
    };
    QObject::connect(reply, &QNetworkReply::downloadProgress, &loop, heard);
    QObject::connect(reply, &QNetworkReply::uploadProgress, &loop, heard);
    QTimer cancelCheck;
    QObject::connect(&cancelCheck, &QTimer::timeout, &loop, [&] {
        if (m_cancelled)
            reply->abort();
    });
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    silence.setInterval(m_timeoutMs);
    silence.start();
    m_silence = &silence;
    cancelCheck.start(100);
    if (meanwhile) {
        // Qt starts a request from the event loop: out of the door first, then the caller's work
        // while the server answers.
        const auto sent =
            QObject::connect(reply, &QNetworkReply::requestSent, &loop, &QEventLoop::quit);
        if (!reply->isFinished())
            loop.exec();
        QObject::disconnect(sent);
        const qint64 before = clock.nsecsElapsed();
        meanwhile();
        ownWorkNs = clock.nsecsElapsed() - before;
        silence.start(); // the time spent here is no silence of the server's
    }
    if (!reply->isFinished())
        loop.exec();
    m_sent.append({verb, double(clock.nsecsElapsed() - ownWorkNs) / 1e6});

    m_silence = nullptr;
    Answer answer;
    answer.status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    answer.body = reply->isOpen() ? reply->readAll() : QByteArray();
    answer.etag = reply->rawHeader("ETag");
    answer.url = url;
    if (answer.status >= 300 && answer.status < 400)
        answer.url = url.resolved(reply->header(QNetworkRequest::LocationHeader).toUrl());
    const QNetworkReply::NetworkError error = reply->error();
    const QString errorText = reply->errorString();
    reply->deleteLater();
    if (timedOut)
        return DbError{
            SyncErrorCode::TimedOut,
            QStringLiteral("服务器 %1 秒没有回答，同步已停止。").arg(m_timeoutMs / 1000)};
    if (m_cancelled)
        return DbError{SyncErrorCode::Cancelled, QStringLiteral("同步已取消。")};
    if (error == QNetworkReply::SslHandshakeFailedError)
        return DbError{SyncErrorCode::Untrusted,
                       QStringLiteral("服务器的安全证书不受信任，没有连接。")};
    if (answer.status == 0 && error != QNetworkReply::NoError)
        return DbError{SyncErrorCode::Unreachable,
                       QStringLiteral("无法连接服务器：%1").arg(errorText)};
    return answer;
}

} // namespace

extern "C" Q_DECL_EXPORT DavTransport* vardelin_http_transport(const QString& user,
                                                               const QString& password)
{
    return new HttpTransport(user, password);
}
// HttpModule reads the factory by its name as this type.
static_assert(std::is_same_v<decltype(vardelin_http_transport), CreateDavTransport>);
