// SPDX-License-Identifier: GPL-3.0-or-later
#include "DavClient.h"

#include "DavXml.h"
#include "HttpModule.h"

#include <QSet>

#include <algorithm>

namespace {

// The redirects followed for one request (/.well-known/carddav answers with one).
constexpr int maxRedirects = 5;
// Cards asked for in one multiget.
constexpr qsizetype fetchBatch = 100;

DbError httpError(int status, const QString& what)
{
    QString reason;
    switch (status) {
    case 401:
        reason = QStringLiteral("用户名或密码不对");
        break;
    case 403:
        reason = QStringLiteral("服务器不允许这个操作");
        break;
    case 404:
        reason = QStringLiteral("服务器上没有这个地址");
        break;
    case 507:
        reason = QStringLiteral("服务器的空间已满");
        break;
    default:
        reason = status >= 500 ? QStringLiteral("服务器出错") : QStringLiteral("服务器拒绝了请求");
        break;
    }
    return {status, QStringLiteral("%1失败：%2（HTTP %3）。").arg(what, reason).arg(status)};
}

DbError notDav(const QString& what)
{
    return {SyncErrorCode::NotAddressBookServer,
            QStringLiteral("%1失败：服务器的回答不是通讯录服务器的格式。").arg(what)};
}

// The path of a collection compared with an href: both end in "/".
QString withSlash(QString path)
{
    if (!path.endsWith(u'/'))
        path += u'/';
    return path;
}

QUrl resolved(const QUrl& base, const QString& href)
{
    if (href.startsWith(QStringLiteral("http://")) || href.startsWith(QStringLiteral("https://")))
        return QUrl(href);
    QUrl url = base;
    url.setPath(href);
    url.setQuery(QString());
    return url;
}

QByteArray quotedEtag(const QString& etag)
{
    return etag.startsWith(u'"') || etag.startsWith(QStringLiteral("W/"))
               ? etag.toUtf8()
               : '"' + etag.toUtf8() + '"';
}

// What a client does without its HTTP module: every request fails with the error that names it.
class MissingTransport : public DavTransport {
public:
    explicit MissingTransport(DbError why)
        : m_why(std::move(why))
    {
    }
    Result<Answer> send(const QByteArray&, const QUrl&, const QByteArray&, const Headers&,
                        const std::function<void()>&) override
    {
        return m_why;
    }

private:
    DbError m_why;
};

} // namespace

DavClient::DavClient(const QString& user, const QString& password, const QString& modulePath)
{
    auto transport = HttpModule::transport(user, password, modulePath);
    if (transport)
        m_transport = std::move(transport.value());
    else
        m_transport = std::make_unique<MissingTransport>(transport.error());
}

Result<DavClient::Answer> DavClient::send(const QByteArray& verb, QUrl url, const QByteArray& body,
                                          const Headers& headers,
                                          const std::function<void()>& meanwhile)
{
    for (int redirect = 0;; ++redirect) {
        auto answer =
            m_transport->send(verb, url, body, headers, redirect == 0 ? meanwhile : nullptr);
        if (!answer || answer.value().status < 300 || answer.value().status >= 400 ||
            redirect == maxRedirects || answer.value().url == url)
            return answer;
        url = answer.value().url;
    }
}

Result<QList<AddressBookInfo>> DavClient::discover(const QUrl& server)
{
    const QString what = QStringLiteral("查找服务器上的通讯录");
    const QByteArray principalQuery =
        DavXml::propfind({QStringLiteral("D:current-user-principal")});
    const QList<std::pair<QByteArray, QByteArray>> depth0{{"Depth", "0"}};
    // The well-known address first; a server without it is asked at the address as given.
    QUrl wellKnown = server;
    wellKnown.setPath(QStringLiteral("/.well-known/carddav"));
    QString principal;
    QUrl principalBase = server;
    for (const QUrl& start : {wellKnown, server}) {
        auto answer = send("PROPFIND", start, principalQuery, depth0);
        if (!answer)
            return answer.error();
        if (answer.value().status == 401)
            return httpError(401, what);
        const auto status = DavXml::parseMultistatus(answer.value().body);
        if (answer.value().status != 207 || !status)
            continue;
        for (const DavXml::Response& response : status->responses)
            if (const auto* property = response.property(QStringLiteral("current-user-principal"));
                property && !property->hrefs.isEmpty())
                principal = property->hrefs.front();
        if (!principal.isEmpty()) {
            principalBase = answer.value().url;
            break;
        }
    }
    if (principal.isEmpty())
        return DbError{SyncErrorCode::NotAddressBookServer,
                       what +
                           QStringLiteral("失败：这个地址不是通讯录服务器（找不到用户的主体）。")};

    auto homeAnswer = send("PROPFIND", resolved(principalBase, principal),
                           DavXml::propfind({QStringLiteral("C:addressbook-home-set")}), depth0);
    if (!homeAnswer)
        return homeAnswer.error();
    if (homeAnswer.value().status != 207)
        return httpError(homeAnswer.value().status, what);
    const auto homeStatus = DavXml::parseMultistatus(homeAnswer.value().body);
    if (!homeStatus)
        return notDav(what);
    for (const DavXml::Response& response : homeStatus->responses)
        if (const auto* property = response.property(QStringLiteral("addressbook-home-set"));
            property && !property->hrefs.isEmpty())
            return collectionsAt(resolved(principalBase, property->hrefs.front()));
    return DbError{SyncErrorCode::NotAddressBookServer,
                   what + QStringLiteral("失败：服务器没有给出用户的通讯录所在。")};
}

Result<QList<AddressBookInfo>> DavClient::collectionsAt(const QUrl& home)
{
    const QString what = QStringLiteral("列出服务器上的通讯录");
    auto answer =
        send("PROPFIND", home,
             DavXml::propfind({QStringLiteral("D:resourcetype"), QStringLiteral("D:displayname")}),
             {{"Depth", "1"}});
    if (!answer)
        return answer.error();
    if (answer.value().status != 207)
        return httpError(answer.value().status, what);
    const auto status = DavXml::parseMultistatus(answer.value().body);
    if (!status)
        return notDav(what);
    QList<AddressBookInfo> books;
    for (const DavXml::Response& response : status->responses) {
        const auto* type = response.property(QStringLiteral("resourcetype"));
        if (!type || !type->childTags.contains(QStringLiteral("addressbook")))
            continue;
        const auto* name = response.property(QStringLiteral("displayname"));
        const QUrl url = resolved(home, withSlash(response.href));
        books.append({url, name && !name->text.trimmed().isEmpty()
                               ? name->text.trimmed()
                               : url.path().section(u'/', -2, -2)});
    }
    return books;
}

Result<CardListing> DavClient::list(const QUrl& book, const QString& syncToken)
{
    const QString what = QStringLiteral("读取服务器上的名片列表");
    auto answer = send("REPORT", book, DavXml::syncCollection(syncToken), {{"Depth", "0"}});
    if (!answer)
        return answer.error();
    const int status = answer.value().status;
    // A token the server no longer knows: everything again, from no token.
    if ((status == 403 || status == 409 || status == 410) && !syncToken.isEmpty())
        return list(book, QString());
    if (status == 401)
        return httpError(status, what);
    const auto report = DavXml::parseMultistatus(answer.value().body);
    // No sync report here: the ETags of all cards by PROPFIND.
    if (status != 207 || !report || report->syncToken.isEmpty())
        return listByPropfind(book);
    CardListing listing;
    listing.complete = syncToken.isEmpty();
    listing.syncToken = report->syncToken;
    const QString bookPath = withSlash(book.path());
    for (const DavXml::Response& response : report->responses) {
        if (withSlash(response.href) == bookPath)
            continue;
        if (response.status == 404)
            listing.removed.append(response.href);
        else if (const auto* etag = response.property(QStringLiteral("getetag")))
            listing.present.append({response.href, etag->text.trimmed()});
    }
    return listing;
}

Result<CardListing> DavClient::listByPropfind(const QUrl& book)
{
    const QString what = QStringLiteral("读取服务器上的名片列表");
    auto answer =
        send("PROPFIND", book,
             DavXml::propfind({QStringLiteral("D:getetag"), QStringLiteral("D:resourcetype")}),
             {{"Depth", "1"}});
    if (!answer)
        return answer.error();
    if (answer.value().status != 207)
        return httpError(answer.value().status, what);
    const auto status = DavXml::parseMultistatus(answer.value().body);
    if (!status)
        return notDav(what);
    CardListing listing;
    const QString bookPath = withSlash(book.path());
    for (const DavXml::Response& response : status->responses) {
        const auto* type = response.property(QStringLiteral("resourcetype"));
        if (withSlash(response.href) == bookPath ||
            (type && type->childTags.contains(QStringLiteral("collection"))))
            continue;
        if (const auto* etag = response.property(QStringLiteral("getetag")))
            listing.present.append({response.href, etag->text.trimmed()});
    }
    return listing;
}

Result<std::optional<DavXml::Property>>
DavClient::bookProperty(const QUrl& book, const QString& prefixed,
                        const std::function<void()>& meanwhile)
{
    auto answer = send("PROPFIND", book, DavXml::propfind({prefixed}), {{"Depth", "0"}}, meanwhile);
    if (!answer)
        return answer.error();
    if (answer.value().status == 401)
        return httpError(401, QStringLiteral("读取通讯录的属性"));
    const auto status = DavXml::parseMultistatus(answer.value().body);
    if (answer.value().status != 207 || !status || status->responses.isEmpty())
        return std::optional<DavXml::Property>();
    const auto* property = status->responses.front().property(prefixed.section(u':', 1));
    return property ? std::optional<DavXml::Property>(*property) : std::nullopt;
}

Result<bool> DavClient::takesOnlyVersion4(const QUrl& book)
{
    auto data = bookProperty(book, QStringLiteral("C:supported-address-data"));
    if (!data)
        return data.error();
    const QStringList& versions = data.value() ? data.value()->childVersions : QStringList();
    return !versions.isEmpty() &&
           std::all_of(versions.begin(), versions.end(),
                       [](const QString& version) { return version == u"4.0"; });
}

Result<QString> DavClient::ctag(const QUrl& book, const std::function<void()>& meanwhile)
{
    auto ctag = bookProperty(book, QStringLiteral("CS:getctag"), meanwhile);
    if (!ctag)
        return ctag.error();
    return ctag.value() ? ctag.value()->text.trimmed() : QString();
}

Result<QList<FetchedCard>> DavClient::fetch(const QUrl& book, const QStringList& hrefs)
{
    const QString what = QStringLiteral("读取服务器上的名片");
    QList<FetchedCard> cards;
    for (qsizetype start = 0; start < hrefs.size(); start += fetchBatch) {
        auto answer =
            send("REPORT", book, DavXml::multiget(hrefs.mid(start, fetchBatch)), {{"Depth", "1"}});
        if (!answer)
            return answer.error();
        if (answer.value().status != 207)
            return httpError(answer.value().status, what);
        const auto status = DavXml::parseMultistatus(answer.value().body);
        if (!status)
            return notDav(what);
        for (const DavXml::Response& response : status->responses) {
            const auto* data = response.property(QStringLiteral("address-data"));
            const auto* etag = response.property(QStringLiteral("getetag"));
            if (data && response.status != 404)
                cards.append(
                    {response.href, etag ? etag->text.trimmed() : QString(), data->text.toUtf8()});
        }
    }
    return cards;
}

Result<WriteOutcome> DavClient::put(const QUrl& card, const QByteArray& text, const QString& etag)
{
    const QString what = QStringLiteral("上传名片");
    QList<std::pair<QByteArray, QByteArray>> headers{{"Content-Type", "text/vcard; charset=utf-8"}};
    if (etag.isEmpty())
        headers.append({QByteArrayLiteral("If-None-Match"), QByteArrayLiteral("*")});
    else
        headers.append({QByteArrayLiteral("If-Match"), quotedEtag(etag)});
    auto answer = send("PUT", card, text, headers);
    if (!answer)
        return answer.error();
    if (answer.value().status == 412)
        return WriteOutcome{true, {}};
    if (answer.value().status / 100 != 2)
        return httpError(answer.value().status, what);
    return WriteOutcome{false, QString::fromUtf8(answer.value().etag)};
}

Result<WriteOutcome> DavClient::remove(const QUrl& card, const QString& etag)
{
    auto answer = send("DELETE", card, {}, {{"If-Match", quotedEtag(etag)}});
    if (!answer)
        return answer.error();
    const int status = answer.value().status;
    if (status == 412)
        return WriteOutcome{true, {}};
    if (status / 100 != 2 && status != 404)
        return httpError(status, QStringLiteral("删除服务器上的名片"));
    return WriteOutcome{};
}
