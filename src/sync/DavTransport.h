// SPDX-License-Identifier: GPL-3.0-or-later
// The HTTP under the CardDAV client: one request sent and its answer waited for, with the
// password, the certificate check and the silence limit. Implemented by the module
// vardelin_http (Qt Network), which HttpModule loads at the first sync, so that a start of the
// program does not load Qt Network and the libraries it brings.
#pragma once

#include "db/Result.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QUrl>

#include <atomic>
#include <functional>
#include <utility>

// The numbers after "错误" of the sync's errors that are no HTTP answer; an HTTP error keeps
// its status code (401, 412, 500, …), which no SQLite or import error uses.
namespace SyncErrorCode {
inline constexpr int Unreachable = 4001;
inline constexpr int TimedOut = 4002;
inline constexpr int Cancelled = 4003;
inline constexpr int NotAddressBookServer = 4004;
inline constexpr int Untrusted = 4005;
inline constexpr int Busy = 4006;         // another sync of this program is under way
inline constexpr int NoHttpModule = 4007; // the program's network module could not be loaded
} // namespace SyncErrorCode

// A server's certificate as the user is shown it.
struct ServerCertificate {
    QString subject;     // the subject's display name
    QString fingerprint; // "AB:CD:…", the SHA-256 digest of the certificate
};

class DavTransport {
public:
    using Headers = QList<std::pair<QByteArray, QByteArray>>;
    using CertificateQuestion = std::function<bool(const ServerCertificate&)>;
    struct Answer {
        int status = 0;
        QByteArray body;
        QByteArray etag;
        QUrl url; // where a redirect points, else where it came from
    };
    // A request sent and how long its answer took, from the request to the answer's last byte
    // (the caller's own work meanwhile not counted).
    struct SentRequest {
        QByteArray verb;
        double milliseconds = 0;
    };
    static constexpr int defaultTimeoutMs = 30000;

    virtual ~DavTransport() = default;

    // One request; redirects are not followed. meanwhile runs once the request is on its way,
    // before its answer is waited for.
    virtual Result<Answer> send(const QByteArray& verb, const QUrl& url, const QByteArray& body,
                                const Headers& headers, const std::function<void()>& meanwhile) = 0;

    // A certificate the system does not trust is used only when it is the one trusted here (by
    // its fingerprint) or when ask accepts it; it is then trusted for the transport's life.
    void setCertificateQuestion(CertificateQuestion ask) { m_askCertificate = std::move(ask); }
    void trustCertificate(const QString& fingerprint) { m_trustedCertificate = fingerprint; }
    QString trustedCertificate() const { return m_trustedCertificate; }
    // Stops the request under way and every later one (from any thread).
    void cancel() { m_cancelled = true; }
    void setTimeout(int milliseconds) { m_timeoutMs = milliseconds; }
    const QList<SentRequest>& sent() const { return m_sent; }

protected:
    int m_timeoutMs = defaultTimeoutMs;
    QList<SentRequest> m_sent;
    std::atomic_bool m_cancelled = false;
    CertificateQuestion m_askCertificate;
    QString m_trustedCertificate;
};

// The module's one exported function: a transport that answers the server's challenge with
// this user and password.
extern "C" {
using CreateDavTransport = DavTransport*(const QString& user, const QString& password);
}
