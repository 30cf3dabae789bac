// SPDX-License-Identifier: GPL-3.0-or-later
// The XML of WebDAV and CardDAV: the bodies of our requests and the server's multistatus.
#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

namespace DavXml {

// A property of a response as found in a propstat of status 200.
struct Property {
    QString text;          // its text (an ETag, a display name, the card's vCard)
    QStringList hrefs;     // the hrefs inside it (current-user-principal, addressbook-home-set)
    QStringList childTags; // the names of its child elements (resourcetype: "addressbook", …)
    // The version attributes of its child elements (supported-address-data: "3.0", "4.0")
    QStringList childVersions;
};

struct Response {
    QString href;   // as the server wrote it, percent-decoded
    int status = 0; // the response's own status (a card gone from a sync report: 404); 0: none
    // Properties by name: "getetag", "displayname", "address-data", …
    QHash<QString, Property> properties;

    const Property* property(const QString& name) const
    {
        auto it = properties.constFind(name);
        return it == properties.cend() ? nullptr : &*it;
    }
};

struct Multistatus {
    QList<Response> responses;
    QString syncToken;
};

// Nothing when the bytes are not a well-formed multistatus.
std::optional<Multistatus> parseMultistatus(const QByteArray& bytes);

// PROPFIND asking for these properties, each given as "D:name" (DAV:), "C:name" (CardDAV) or
// "CS:name" (the calendar server's namespace, where the CTag lives).
QByteArray propfind(const QStringList& properties);
// REPORT sync-collection from the token (empty: everything), asking for each card's ETag.
QByteArray syncCollection(const QString& syncToken);
// REPORT addressbook-multiget of the cards at these hrefs, with their ETags and text.
QByteArray multiget(const QStringList& hrefs);

} // namespace DavXml
