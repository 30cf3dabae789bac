// SPDX-License-Identifier: GPL-3.0-or-later
// A CardDAV client: finding the user's address books, listing, fetching, writing and deleting
// cards. Each call waits for its answer in a local event loop (the window stays responsive;
// the caller's progress dialog keeps the other windows from input meanwhile)
// and gives the answer or the error that stopped it, in Chinese with the HTTP status as its
// number. A server that sends nothing for 30 s is given up.
#pragma once

#include "DavXml.h"
#include "db/Result.h"

#include <QByteArray>
#include <QList>
#include <QNetworkAccessManager>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <atomic>
#include <functional>
#include <optional>

class QAuthenticator;
class QNetworkReply;
class QSslCertificate;
class QSslError;
class QTimer;

// The numbers after "错误" of the sync's errors that are no HTTP answer; an HTTP error keeps
// its status code (401, 412, 500, …), which no SQLite or import error uses.
namespace SyncErrorCode {
inline constexpr int Unreachable = 4001;
inline constexpr int TimedOut = 4002;
inline constexpr int Cancelled = 4003;
inline constexpr int NotAddressBookServer = 4004;
inline constexpr int Untrusted = 4005;
inline constexpr int Busy = 4006; // another sync of this program is under way
} // namespace SyncErrorCode

struct AddressBookInfo {
    QUrl url;
    QString displayName;
};

struct CardEtag {
    QString href; // the path on the server, decoded
    QString etag;
};

struct CardListing {
    // The cards present with their ETags: all of them when complete, else those changed since
    // the token given.
    QList<CardEtag> present;
    // Cards removed since the token (a sync report only).
    QStringList removed;
    bool complete = true;
    QString syncToken; // empty when the server offers no sync report
};

struct FetchedCard {
    QString href;
    QString etag;
    QByteArray text;
};

// A write the server refused because the card changed there meanwhile (412), or done.
struct WriteOutcome {
    bool conflict = false;
    QString etag; // the card's new ETag, when the server told it
};

class DavClient {
public:
    static constexpr int timeoutMs = 30000;

    DavClient(const QString& user, const QString& password);

    // The address books of the user at the server: /.well-known/carddav (or the address as
    // given), current-user-principal, addressbook-home-set, then the collections there.
    Result<QList<AddressBookInfo>> discover(const QUrl& server);
    // Everything changed since the token by a sync report (a full listing for no token or one
    // the server no longer knows), or every card's ETag by PROPFIND where there is no report.
    Result<CardListing> list(const QUrl& book, const QString& syncToken);
    // Every card's ETag by a depth-1 PROPFIND: the listing of servers without the report.
    Result<CardListing> listByPropfind(const QUrl& book);
    // Whether the address book takes vCard 4.0 only: its supported-address-data lists no other
    // version. A server that does not say takes 3.0, as the standard has it.
    Result<bool> takesOnlyVersion4(const QUrl& book);
    // The address book's CTag, which changes with every card added, changed or removed there;
    // empty when the server keeps none. meanwhile runs while the server works out the answer
    // (the caller's own reading, done beside it); it runs sooner when the client has already
    // passed the server's password challenge.
    Result<QString> ctag(const QUrl& book, const std::function<void()>& meanwhile = {});
    // The cards at these hrefs (addressbook-multiget); cards gone meanwhile are left out.
    Result<QList<FetchedCard>> fetch(const QUrl& book, const QStringList& hrefs);
    // A new card (If-None-Match: *) when etag is empty, else a change of that version.
    Result<WriteOutcome> put(const QUrl& card, const QByteArray& text, const QString& etag);
    // Deletes that version of the card; one already gone counts as deleted.
    Result<WriteOutcome> remove(const QUrl& card, const QString& etag);

    // A certificate the system does not trust is used only when it is the one trusted here (by
    // its SHA-256 fingerprint, as certificateFingerprint gives it) or when ask accepts it; it is
    // then trusted for the client's life. Without either the connection is refused.
    using CertificateQuestion = std::function<bool(const QSslCertificate&)>;
    void setCertificateQuestion(CertificateQuestion ask) { m_askCertificate = std::move(ask); }
    void trustCertificate(const QString& fingerprint) { m_trustedCertificate = fingerprint; }
    QString trustedCertificate() const { return m_trustedCertificate; }
    // "AB:CD:…", the SHA-256 digest of the certificate.
    static QString certificateFingerprint(const QSslCertificate& certificate);

    // Stops the request under way and every later one (from any thread).
    void cancel() { m_cancelled = true; }
    // Sets how long a silent server is waited for (tests shorten it).
    void setTimeout(int milliseconds) { m_timeoutMs = milliseconds; }
    // A request sent and how long its answer took, from the request to the answer's last byte
    // (the caller's own work meanwhile not counted).
    struct SentRequest {
        QByteArray verb;
        double milliseconds = 0;
    };
    // The requests sent so far (each redirect one more): what a sync cost the server.
    const QList<SentRequest>& sent() const { return m_sent; }

private:
    struct Answer {
        int status = 0;
        QByteArray body;
        QByteArray etag;
        QUrl url; // where it came from after redirects
    };
    using Headers = QList<std::pair<QByteArray, QByteArray>>;
    // meanwhile runs once the first request is on its way, before its answer is waited for.
    Result<Answer> send(const QByteArray& verb, QUrl url, const QByteArray& body,
                        const Headers& headers = {}, const std::function<void()>& meanwhile = {});
    Result<Answer> sendOnce(const QByteArray& verb, const QUrl& url, const QByteArray& body,
                            const Headers& headers, const std::function<void()>& meanwhile);
    Result<QList<AddressBookInfo>> collectionsAt(const QUrl& home);
    // One property ("C:supported-address-data", "CS:getctag") of the address book itself, by a
    // depth-0 PROPFIND; nothing when the server gave none.
    Result<std::optional<DavXml::Property>>
    bookProperty(const QUrl& book, const QString& prefixed,
                 const std::function<void()>& meanwhile = {});
    void authenticate(QNetworkReply* reply, QAuthenticator* authenticator);
    void checkCertificate(QNetworkReply* reply, const QList<QSslError>& errors);

    QNetworkAccessManager m_network;
    QString m_user;
    QString m_password;
    int m_timeoutMs = timeoutMs;
    QList<SentRequest> m_sent;
    std::atomic_bool m_cancelled = false;
    CertificateQuestion m_askCertificate;
    QString m_trustedCertificate;
    QTimer* m_silence = nullptr; // the request's silence limit, paused while the user is asked
};
