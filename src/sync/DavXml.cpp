// SPDX-License-Identifier: GPL-3.0-or-later
#include "DavXml.h"

#include <QUrl>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>

namespace DavXml {

namespace {

const QString davNamespace = QStringLiteral("DAV:");
const QString cardDavNamespace = QStringLiteral("urn:ietf:params:xml:ns:carddav");
// Where the address book's CTag comes from: no standard has it, every common server offers it.
const QString calendarServerNamespace = QStringLiteral("http://calendarserver.org/ns/");

// "HTTP/1.1 404 Not Found" → 404.
int statusCode(const QString& line)
{
    return line.section(u' ', 1, 1).toInt();
}

QString decodedHref(const QString& text)
{
    return QUrl::fromPercentEncoding(text.trimmed().toUtf8());
}

// Reads one property element up to its end: its text, inner hrefs and children's names.
Property readProperty(QXmlStreamReader& xml)
{
    Property property;
    int depth = 1;
    while (depth > 0 && !xml.atEnd()) {
        switch (xml.readNext()) {
        case QXmlStreamReader::StartElement:
            if (depth == 1) {
                property.childTags.append(xml.name().toString());
                if (xml.attributes().hasAttribute(QStringLiteral("version")))
                    property.childVersions.append(
                        xml.attributes().value(QStringLiteral("version")).toString());
            }
            if (xml.name() == u"href" && xml.namespaceUri() == davNamespace) {
                property.hrefs.append(decodedHref(xml.readElementText()));
                break;
            }
            ++depth;
            break;
        case QXmlStreamReader::EndElement:
            --depth;
            break;
        case QXmlStreamReader::Characters:
            property.text += xml.text();
            break;
        default:
            break;
        }
    }
    return property;
}

// One propstat: its properties, kept only when the status says they were found.
void readPropstat(QXmlStreamReader& xml, Response& response)
{
    QHash<QString, Property> found;
    int status = 200;
    while (xml.readNextStartElement()) {
        if (xml.name() == u"prop") {
            while (xml.readNextStartElement())
                found.insert(xml.name().toString(), readProperty(xml));
        } else if (xml.name() == u"status") {
            status = statusCode(xml.readElementText());
        } else {
            xml.skipCurrentElement();
        }
    }
    if (status / 100 == 2)
        response.properties.insert(found);
}

Response readResponse(QXmlStreamReader& xml)
{
    Response response;
    while (xml.readNextStartElement()) {
        if (xml.name() == u"href")
            response.href = decodedHref(xml.readElementText());
        else if (xml.name() == u"status")
            response.status = statusCode(xml.readElementText());
        else if (xml.name() == u"propstat")
            readPropstat(xml, response);
        else
            xml.skipCurrentElement();
    }
    return response;
}

class RequestBody {
public:
    explicit RequestBody(const QString& rootNamespace, const QString& root)
        : m_xml(&m_bytes)
    {
        m_xml.writeStartDocument();
        m_xml.writeNamespace(davNamespace, QStringLiteral("D"));
        m_xml.writeNamespace(cardDavNamespace, QStringLiteral("C"));
        m_xml.writeNamespace(calendarServerNamespace, QStringLiteral("CS"));
        m_xml.writeStartElement(rootNamespace, root);
    }
    // "D:getetag", "C:address-data" or "CS:getctag" as an empty element.
    void emptyElement(const QString& prefixed)
    {
        m_xml.writeEmptyElement(namespaceOf(prefixed), prefixed.section(u':', 1));
    }
    void properties(const QStringList& names)
    {
        m_xml.writeStartElement(davNamespace, QStringLiteral("prop"));
        for (const QString& name : names)
            emptyElement(name);
        m_xml.writeEndElement();
    }
    QXmlStreamWriter& xml() { return m_xml; }
    QByteArray finish()
    {
        m_xml.writeEndDocument();
        return m_bytes;
    }

private:
    static QString namespaceOf(const QString& prefixed)
    {
        if (prefixed.startsWith(QStringLiteral("CS:")))
            return calendarServerNamespace;
        return prefixed.startsWith(u'C') ? cardDavNamespace : davNamespace;
    }

    QByteArray m_bytes;
    QXmlStreamWriter m_xml;
};

} // namespace

std::optional<Multistatus> parseMultistatus(const QByteArray& bytes)
{
    QXmlStreamReader xml(bytes);
    if (!xml.readNextStartElement() || xml.name() != u"multistatus" ||
        xml.namespaceUri() != davNamespace)
        return std::nullopt;
    Multistatus result;
    while (xml.readNextStartElement()) {
        if (xml.name() == u"response")
            result.responses.append(readResponse(xml));
        else if (xml.name() == u"sync-token")
            result.syncToken = xml.readElementText().trimmed();
        else
            xml.skipCurrentElement();
    }
    if (xml.hasError())
        return std::nullopt;
    return result;
}

QByteArray propfind(const QStringList& properties)
{
    RequestBody body(davNamespace, QStringLiteral("propfind"));
    body.properties(properties);
    return body.finish();
}

QByteArray syncCollection(const QString& syncToken)
{
    RequestBody body(davNamespace, QStringLiteral("sync-collection"));
    body.xml().writeTextElement(davNamespace, QStringLiteral("sync-token"), syncToken);
    body.xml().writeTextElement(davNamespace, QStringLiteral("sync-level"), QStringLiteral("1"));
    body.properties({QStringLiteral("D:getetag")});
    return body.finish();
}

QByteArray multiget(const QStringList& hrefs)
{
    RequestBody body(cardDavNamespace, QStringLiteral("addressbook-multiget"));
    body.properties({QStringLiteral("D:getetag"), QStringLiteral("C:address-data")});
    for (const QString& href : hrefs)
        body.xml().writeTextElement(davNamespace, QStringLiteral("href"),
                                    QString::fromUtf8(QUrl::toPercentEncoding(href, "/")));
    return body.finish();
}

} // namespace DavXml
