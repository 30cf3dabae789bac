// SPDX-License-Identifier: GPL-3.0-or-later
// A CardDAV client: finding the user's address books, listing, fetching, writing and deleting
// cards. Each call waits for its answer in a local event loop (the window stays responsive;
// the caller's progress dialog keeps the other windows from input meanwhile)
// and gives the answer or the error that stopped it, in Chinese with the HTTP status as its
// number. A server that sends nothing for 30 s is given up. The HTTP itself is a DavTransport
// from the module loaded at the first client; without it every call fails with
// SyncErrorCode::NoHttpModule.
#pragma once

#include "DavTransport.h"
#include "DavXml.h"
#include "db/Result.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <functional>
#include <memory>
#include <optional>

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
    static constexpr int timeoutMs = DavTransport::defaultTimeoutMs;

    // modulePath names another HTTP module than the program's own (tests).
    DavClient(const QString& user, const QString& password, const QString& modulePath = {});

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
    // its SHA-256 fingerprint, "AB:CD:…") or when ask accepts it; it is then trusted for the
    // client's life. Without either the connection is refused.
    using CertificateQuestion = DavTransport::CertificateQuestion;
    void setCertificateQuestion(CertificateQuestion ask)
    {
        m_transport->setCertificateQuestion(std::move(ask));
    }
    void trustCertificate(const QString& fingerprint)
    {
        m_transport->trustCertificate(fingerprint);
    }
    QString trustedCertificate() const { return m_transport->trustedCertificate(); }

    // Stops the request under way and every later one (from any thread).
    void cancel() { m_transport->cancel(); }
    // Sets how long a silent server is waited for (tests shorten it).
    void setTimeout(int milliseconds) { m_transport->setTimeout(milliseconds); }
    using SentRequest = DavTransport::SentRequest;
    // The requests sent so far (each redirect one more): what a sync cost the server.
    const QList<SentRequest>& sent() const { return m_transport->sent(); }

private:
    using Answer = DavTransport::Answer;
    using Headers = DavTransport::Headers;
    // meanwhile runs once the first request is on its way, before its answer is waited for.
    Result<Answer> send(const QByteArray& verb, QUrl url, const QByteArray& body,
                        const Headers& headers = {}, const std::function<void()>& meanwhile = {});
    Result<QList<AddressBookInfo>> collectionsAt(const QUrl& home);
    // One property ("C:supported-address-data", "CS:getctag") of the address book itself, by a
    // depth-0 PROPFIND; nothing when the server gave none.
    Result<std::optional<DavXml::Property>>
    bookProperty(const QUrl& book, const QString& prefixed,
                 const std::function<void()>& meanwhile = {});

    std::unique_ptr<DavTransport> m_transport; // never null
};
