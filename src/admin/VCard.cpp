// SPDX-License-Identifier: GPL-3.0-or-later
// Reading vCard 2.1, 3.0 and 4.0 files onto the contact's columns, and writing vCard 3.0.
//
// Written here rather than taken from a library: the one vCard parser Debian packages for C or
// C++ (libebook-contacts, part of evolution-data-server) brings the mail and calendar server's
// stack with it (GLib/GObject, libedataserver, libcamel, libical, libsoup, libsecret, …) for a
// job of some hundred lines, and would still leave the mapping onto our columns and the GBK
// charsets of phones' 2.1 exports to us.
#include "VCard.h"

#include "admin/ImportTable.h"
#include "admin/TextDecoding.h"
#include "db/ContactFields.h"

#include <QDate>
#include <QFile>
#include <QRegularExpression>
#include <QUuid>

#include <algorithm>
#include <array>
#include <optional>

namespace VCard {

namespace {

// Columns no standard property carries travel as "X-VARDELIN-" + the column's name, so a card
// this program writes reads back to every column; other programs skip such properties.
constexpr const char* ownPrefix = "X-VARDELIN-";

struct Property {
    QByteArray name;
    QStringList types;
    QByteArray encoding;
    QByteArray charset;
    QByteArray rawValue;
    qsizetype line = 0;
};

struct LogicalLine {
    QByteArray bytes;
    qsizetype line = 0;
};

DbError damaged(qsizetype line, const QString& what)
{
    return importError(
        ImportErrorCode::NotVCard,
        QStringLiteral("vCard 文件第 %1 行%2，文件可能已经损坏。").arg(line).arg(what));
}

// The position of the colon that ends a property's name and parameters (quoted parameter
// values may hold one), or -1.
qsizetype valueColon(const QByteArray& line)
{
    bool inQuotes = false;
    for (qsizetype i = 0; i < line.size(); ++i) {
        if (line[i] == '"')
            inQuotes = !inQuotes;
        else if (line[i] == ':' && !inQuotes)
            return i;
    }
    return -1;
}

QByteArray headerOf(const QByteArray& line)
{
    const qsizetype colon = valueColon(line);
    return (colon < 0 ? line : line.left(colon)).toUpper();
}

bool isQuotedPrintable(const QByteArray& header)
{
    return header.contains("QUOTED-PRINTABLE");
}

bool isBase64(const QByteArray& header)
{
    return header.contains("ENCODING=B") || header.contains("BASE64");
}

// Physical lines joined into properties: a line starting with a blank continues the one
// before (folding); a quoted-printable value ending in "=" continues on the next line (a soft
// line break); a base64 value may go on over lines without a colon, as some phones write it.
QList<LogicalLine> logicalLines(const QByteArray& bytes)
{
    QList<LogicalLine> lines;
    qsizetype lineNumber = 0;
    qsizetype start = 0;
    while (start < bytes.size()) {
        qsizetype end = bytes.indexOf('\n', start);
        if (end < 0)
            end = bytes.size();
        QByteArray physical = bytes.mid(start, end - start);
        start = end + 1;
        ++lineNumber;
        if (physical.endsWith('\r'))
            physical.chop(1);
        if (!lines.isEmpty()) {
            QByteArray& current = lines.back().bytes;
            const QByteArray header = headerOf(current);
            if (isQuotedPrintable(header) && current.endsWith('=')) {
                current.chop(1);
                current += physical;
                continue;
            }
            if (physical.startsWith(' ') || physical.startsWith('\t')) {
                current += physical.mid(1);
                continue;
            }
            if (isBase64(header) && !physical.isEmpty() && valueColon(physical) < 0) {
                current += physical.trimmed();
                continue;
            }
        }
        if (physical.trimmed().isEmpty())
            continue;
        lines.append({physical, lineNumber});
    }
    return lines;
}

QList<QByteArray> splitOutsideQuotes(const QByteArray& text, char separator)
{
    QList<QByteArray> parts;
    QByteArray part;
    bool inQuotes = false;
    for (const char c : text) {
        if (c == '"')
            inQuotes = !inQuotes;
        if (c == separator && !inQuotes) {
            parts.append(part);
            part.clear();
        } else {
            part += c;
        }
    }
    parts.append(part);
    return parts;
}

QByteArray unquoted(QByteArray value)
{
    value = value.trimmed();
    if (value.size() >= 2 && value.startsWith('"') && value.endsWith('"'))
        return value.mid(1, value.size() - 2);
    return value;
}

std::optional<Property> parseProperty(const LogicalLine& logical)
{
    const qsizetype colon = valueColon(logical.bytes);
    if (colon < 0)
        return std::nullopt;
    Property property;
    property.line = logical.line;
    property.rawValue = logical.bytes.mid(colon + 1);
    const QList<QByteArray> parts = splitOutsideQuotes(logical.bytes.left(colon), ';');
    QByteArray name = parts.front().trimmed().toUpper();
    const qsizetype dot = name.lastIndexOf('.');
    property.name = dot < 0 ? name : name.mid(dot + 1);
    for (qsizetype i = 1; i < parts.size(); ++i) {
        const qsizetype equals = parts[i].indexOf('=');
        if (equals < 0) {
            // vCard 2.1 writes types and the encoding as bare parameters.
            const QByteArray bare = parts[i].trimmed().toUpper();
            if (bare == "QUOTED-PRINTABLE" || bare == "BASE64" || bare == "8BIT" || bare == "7BIT")
                property.encoding = bare;
            else
                property.types.append(QString::fromLatin1(bare));
            continue;
        }
        const QByteArray key = parts[i].left(equals).trimmed().toUpper();
        const QByteArray value = unquoted(parts[i].mid(equals + 1));
        if (key == "ENCODING")
            property.encoding = value.toUpper();
        else if (key == "CHARSET")
            property.charset = value;
        else if (key == "TYPE")
            for (const QByteArray& type : value.split(','))
                property.types.append(QString::fromLatin1(unquoted(type).toUpper()));
    }
    return property;
}

int hexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

QByteArray decodeQuotedPrintable(const QByteArray& value)
{
    QByteArray bytes;
    bytes.reserve(value.size());
    for (qsizetype i = 0; i < value.size(); ++i) {
        if (value[i] == '=' && i + 2 < value.size() && hexDigit(value[i + 1]) >= 0 &&
            hexDigit(value[i + 2]) >= 0) {
            bytes += char(hexDigit(value[i + 1]) * 16 + hexDigit(value[i + 2]));
            i += 2;
        } else {
            bytes += value[i];
        }
    }
    return bytes;
}

struct DecodedText {
    QString text;
    bool damaged = false; // a stray byte stands as U+FFFD
};

// The value's text before unescaping: quoted-printable undone, then read in its CHARSET (or
// UTF-8, and GB18030 for phones that write GBK without saying so). UTF-8 with a stray byte (a
// phone's export cut inside a sequence) costs that byte, not the file; nothing when the bytes
// are not text in the charset at all.
std::optional<DecodedText> textOf(const Property& property)
{
    const QByteArray bytes = property.encoding == "QUOTED-PRINTABLE"
                                 ? decodeQuotedPrintable(property.rawValue)
                                 : property.rawValue;
    const QByteArray charset = TextDecoding::charsetForLabel(property.charset);
    if (!charset.isEmpty() && charset != "UTF-8" && charset != "UTF8") {
        if (auto text = TextDecoding::decodeStrictly(charset.constData(), bytes))
            return DecodedText{*text};
        return std::nullopt;
    }
    if (auto text = TextDecoding::decodeStrictly("UTF-8", bytes))
        return DecodedText{*text};
    if (charset.isEmpty())
        if (auto text = TextDecoding::decodeStrictly("GB18030", bytes))
            return DecodedText{*text};
    return DecodedText{QString::fromUtf8(bytes), true};
}

// The escapes of the format; "\:" too, which address services write in URLs. In our own
// properties "\r" is a CR, so a line break stored as CR LF reads back as one.
QString unescaped(QStringView text, bool own = false)
{
    QString result;
    result.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] != u'\\' || i + 1 == text.size()) {
            result += text[i];
            continue;
        }
        const QChar next = text[++i];
        if (next == u'n' || next == u'N')
            result += u'\n';
        else if (next == u'\\' || next == u';' || next == u',' || next == u':' || next == u'"')
            result += next;
        else if (own && (next == u'r' || next == u'R'))
            result += u'\r';
        else
            result += u'\\' + QString(next);
    }
    return result;
}

// The components of a structured value (N, ADR, ORG), split at semicolons not escaped.
QStringList components(const QString& text)
{
    QStringList parts;
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == u'\\') {
            ++i;
        } else if (text[i] == u';') {
            parts.append(unescaped(QStringView(text).sliced(start, i - start)));
            start = i + 1;
        }
    }
    parts.append(unescaped(QStringView(text).sliced(start)));
    return parts;
}

QString component(const QStringList& parts, qsizetype index)
{
    return index < parts.size() ? parts[index].trimmed() : QString();
}

std::optional<QByteArray> photoOf(const Property& property)
{
    QByteArray value = property.rawValue;
    const bool dataUri = value.startsWith("data:");
    if (dataUri) {
        const qsizetype comma = value.indexOf(',');
        if (comma < 0)
            return std::nullopt;
        const bool base64 = value.left(comma).endsWith(";base64");
        value = value.mid(comma + 1);
        if (!base64)
            return QByteArray::fromPercentEncoding(value);
    } else if (!isBase64("ENCODING=" + property.encoding)) {
        return QByteArray(); // a link to a picture elsewhere: nothing to store
    }
    value.replace(' ', "").replace('\t', "").replace('\r', "").replace('\n', "");
    // Padding as the data needs it: some phones write one "=" too many, others none.
    while (value.endsWith('='))
        value.chop(1);
    if (value.size() % 4 == 1)
        return std::nullopt; // cut off inside a byte
    value.append(QByteArray((4 - value.size() % 4) % 4, '='));
    auto decoded = QByteArray::fromBase64Encoding(value, QByteArray::AbortOnBase64DecodingErrors);
    if (!decoded)
        return std::nullopt;
    return *decoded;
}

// Puts a value into the first empty column of the list; false when all are taken.
bool placeInFirstFree(VCardContact& contact, std::initializer_list<const char*> columns,
                      const QString& value)
{
    for (const char* column : columns) {
        QString& slot = contact.columns[QString::fromLatin1(column)];
        if (slot.isEmpty()) {
            slot = value;
            return true;
        }
    }
    return false;
}

// A value with no free column is handed back as a labelled line; not one that a column holds
// already (vCard 4.0 repeats a value in other forms under ALTID, some programs twice over).
void leaveOver(VCardContact& contact, const QString& label, const QString& value)
{
    const QString line = label + value;
    if (value.isEmpty() || contact.leftOver.contains(line) ||
        std::find(contact.columns.cbegin(), contact.columns.cend(), value) !=
            contact.columns.cend())
        return;
    contact.leftOver.append(line);
}

// "+1-418-656-9254;ext=102" → "+1-418-656-9254 转102"; the URI's other parameters (the
// context of a local number) are no part of what is dialled.
QString telUriNumber(const QString& uri)
{
    const QStringList parts = uri.split(u';');
    QString number = parts.front();
    for (const QString& parameter : parts.mid(1))
        if (parameter.startsWith(QStringLiteral("ext="), Qt::CaseInsensitive))
            number += QStringLiteral(" 转") + parameter.mid(4);
    return number;
}

void placeTelephone(VCardContact& contact, const Property& property, const QString& number)
{
    const auto has = [&](const char* type) {
        return property.types.contains(QString::fromLatin1(type));
    };
    bool placed = false;
    if (has("CELL") || has("MOBILE"))
        placed =
            placeInFirstFree(contact, {"Moblie1", "Moblie2", "Moblie3", "Tel1", "Tel2"}, number);
    else if (has("WORK"))
        placed =
            placeInFirstFree(contact, {"OfficePhone1", "OfficePhone2", "Tel1", "Tel2"}, number);
    else if (has("HOME"))
        placed = placeInFirstFree(contact, {"Tel3", "Tel1", "Tel2"}, number);
    else
        placed = placeInFirstFree(contact, {"Tel1", "Tel2", "Tel3"}, number);
    if (!placed)
        leaveOver(contact, QStringLiteral("电话："), number);
}

void placeAddress(VCardContact& contact, const Property& property, const QString& text)
{
    const QStringList parts = components(text);
    // Largest place first, as addresses are written in Chinese: country, region, city, street.
    QStringList pieces;
    for (const qsizetype index : {6, 4, 3, 2, 1, 0})
        if (!component(parts, index).isEmpty())
            pieces.append(component(parts, index));
    const bool work = property.types.contains(QStringLiteral("WORK"));
    const char* column = work ? "CompanyAddress" : "Address";
    const bool columnFree = contact.value(QString::fromLatin1(column)).isEmpty();
    // The postal code has a column of its own only beside the home address; anywhere else it
    // stays with its address.
    const QString postalCode = component(parts, 5);
    const bool inZipCode = !postalCode.isEmpty() && !work && columnFree &&
                           placeInFirstFree(contact, {"ZipCode"}, postalCode);
    if (!postalCode.isEmpty() && !inZipCode)
        pieces.append(postalCode);
    const QString address = pieces.join(u' ');
    if (!placeInFirstFree(contact, {column}, address))
        leaveOver(contact, QStringLiteral("地址："), address);
}

// "YYYY-MM-DD", "YYYYMMDD", either with a time after "T"; nothing for dates without a year.
std::optional<QString> birthdayOf(const QString& text)
{
    const QString date = text.section(u'T', 0, 0).trimmed();
    static const QRegularExpression pattern(QStringLiteral("^(\\d{4})-?(\\d{2})-?(\\d{2})$"));
    const auto match = pattern.match(date);
    if (!match.hasMatch())
        return std::nullopt;
    const QDate day(match.captured(1).toInt(), match.captured(2).toInt(),
                    match.captured(3).toInt());
    if (!day.isValid())
        return std::nullopt;
    return day.toString(QStringLiteral("yyyy-MM-dd"));
}

void appendText(VCardContact& contact, const char* column, const QString& value,
                const QString& separator)
{
    QString& slot = contact.columns[QString::fromLatin1(column)];
    slot = slot.isEmpty() ? value : slot + separator + value;
}

// The contact column an "X-VARDELIN-<column>" property carries; empty for any other name.
QString ownColumn(const QByteArray& propertyName)
{
    if (!propertyName.startsWith(ownPrefix))
        return {};
    const QByteArray column = propertyName.mid(qsizetype(qstrlen(ownPrefix)));
    for (const ContactField& field : ContactFields::all)
        if (field.kind != ContactField::Kind::Identifier &&
            field.kind != ContactField::Kind::Binary &&
            QByteArrayView(column).compare(QByteArrayView(field.name.data(), field.name.size()),
                                           Qt::CaseInsensitive) == 0)
            return QString(field.name);
    return {};
}

void placeText(VCardContact& contact, const Property& property, const QString& text,
               QString& nameFromN)
{
    const QByteArray& name = property.name;
    if (name == "FN") {
        placeInFirstFree(contact, {"Name"}, unescaped(text).trimmed());
    } else if (name == "N") {
        const QStringList parts = components(text);
        const QString family = component(parts, 0);
        const QString given = component(parts, 1);
        // Chinese names join without a space; Latin ones are written given name first.
        const bool latin = !family.isEmpty() && family.front().unicode() < 0x2E80;
        nameFromN =
            latin && !given.isEmpty() ? QString(given + u' ' + family) : QString(family + given);
    } else if (name == "TEL") {
        QString number = unescaped(text).trimmed();
        // vCard 4.0 may give the number as a tel: URI, its extension as a parameter of it.
        if (number.startsWith(QStringLiteral("tel:"), Qt::CaseInsensitive))
            number = telUriNumber(number.mid(4));
        if (!number.isEmpty())
            placeTelephone(contact, property, number);
    } else if (name == "EMAIL") {
        const QString mail = unescaped(text).trimmed();
        if (!placeInFirstFree(contact, {"Mail1", "Mail2"}, mail))
            leaveOver(contact, QStringLiteral("邮箱："), mail);
    } else if (name == "ORG") {
        const QStringList parts = components(text);
        const QString company = component(parts, 0);
        const QString department = parts.mid(1).join(u' ').trimmed();
        if (contact.value(QStringLiteral("CompanyName")).isEmpty() &&
            contact.value(QStringLiteral("Deptment")).isEmpty()) {
            placeInFirstFree(contact, {"CompanyName"}, company);
            placeInFirstFree(contact, {"Deptment"}, department);
        } else if (company != contact.value(QStringLiteral("CompanyName")) ||
                   department != contact.value(QStringLiteral("Deptment"))) {
            leaveOver(contact, QStringLiteral("单位："),
                      QStringList{company, department}.join(u' ').trimmed());
        }
    } else if (name == "TITLE") {
        if (!placeInFirstFree(contact, {"Post"}, unescaped(text)))
            leaveOver(contact, QStringLiteral("职务："), unescaped(text));
    } else if (name == "ADR") {
        placeAddress(contact, property, text);
    } else if (name == "BDAY") {
        const auto day = birthdayOf(unescaped(text));
        if (!day || !placeInFirstFree(contact, {"Birthday"}, *day))
            leaveOver(contact, QStringLiteral("生日："), day.value_or(unescaped(text).trimmed()));
    } else if (name == "NOTE") {
        appendText(contact, "Remark", unescaped(text), QStringLiteral("\n"));
    } else if (name == "URL") {
        const QString url = unescaped(text).trimmed();
        if (!placeInFirstFree(contact, {"Web"}, url))
            leaveOver(contact, QStringLiteral("网址："), url);
    } else if (name == "NICKNAME") {
        appendText(contact, "NickName", unescaped(text), QStringLiteral(","));
    } else if (const QString column = ownColumn(name); !column.isEmpty()) {
        contact.columns[column] = unescaped(text, true);
    }
}

// Property names whose values go onto a column; others (VERSION, UID, REV, X-…) are skipped.
bool isMapped(const QByteArray& name)
{
    if (!ownColumn(name).isEmpty())
        return true;
    static const std::array<QByteArrayView, 12> mapped{"FN",   "N",     "TEL",      "EMAIL",
                                                       "ORG",  "TITLE", "ADR",      "BDAY",
                                                       "NOTE", "URL",   "NICKNAME", "PHOTO"};
    return std::find(mapped.begin(), mapped.end(), QByteArrayView(name)) != mapped.end();
}

// Fills one card from a property; an error names the line it could not read.
// The items of a list value (CATEGORIES), split at commas not escaped.
QStringList listItems(const QString& text)
{
    QStringList items;
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == u'\\') {
            ++i;
        } else if (text[i] == u',') {
            items.append(unescaped(QStringView(text).sliced(start, i - start)));
            start = i + 1;
        }
    }
    items.append(unescaped(QStringView(text).sliced(start)));
    return items;
}

// Properties of the card itself rather than of the contact: written anew each time.
bool isCardHousekeeping(const QByteArray& name)
{
    static const std::array<QByteArrayView, 6> names{"VERSION", "PRODID", "REV",
                                                     "UID",     "KIND",   "CATEGORIES"};
    return std::find(names.begin(), names.end(), QByteArrayView(name)) != names.end();
}

std::optional<DbError> applyProperty(VCardContact& contact, const Property& property,
                                     const QByteArray& line, QString& nameFromN)
{
    if (property.name == "VERSION") {
        contact.version = property.rawValue.trimmed();
        return std::nullopt;
    }
    // A card of another kind (a group, an organisation) keeps its KIND when written back.
    if (property.name == "KIND") {
        if (property.rawValue.trimmed().compare("individual", Qt::CaseInsensitive) != 0)
            contact.keptLines.append(line);
        return std::nullopt;
    }
    if (property.name == "UID" || property.name == "CATEGORIES") {
        const auto text = textOf(property);
        if (!text)
            return std::nullopt;
        if (property.name == "UID")
            contact.uid = unescaped(text->text).trimmed();
        else
            for (const QString& category : listItems(text->text))
                if (const QString name = category.trimmed(); !name.isEmpty())
                    contact.categories.append(name);
        return std::nullopt;
    }
    if (!isMapped(property.name)) {
        if (!isCardHousekeeping(property.name) && !property.name.startsWith(ownPrefix))
            contact.keptLines.append(line);
        return std::nullopt;
    }
    if (const QString column = ownColumn(property.name);
        !column.isEmpty() && isBase64("ENCODING=" + property.encoding)) {
        auto bytes = QByteArray::fromBase64Encoding(property.rawValue.trimmed(),
                                                    QByteArray::AbortOnBase64DecodingErrors);
        if (bytes)
            contact.columns[column] = QString::fromUtf8(*bytes);
        return std::nullopt;
    }
    if (property.name == "PHOTO") {
        // A damaged photo costs the card its photo, not the file its cards.
        const auto photo = photoOf(property);
        if (!photo)
            contact.photoUnreadable = true;
        else if (contact.photo.isEmpty())
            contact.photo = *photo;
        return std::nullopt;
    }
    const auto text = textOf(property);
    if (!text)
        return damaged(
            property.line,
            QStringLiteral("的文字无法按 %1 编码读取")
                .arg(QString::fromLatin1(property.charset.isEmpty() ? "UTF-8" : property.charset)));
    contact.textDamaged = contact.textDamaged || text->damaged;
    placeText(contact, property, text->text, nameFromN);
    return std::nullopt;
}

void dropEmptyColumns(VCardContact& contact)
{
    for (auto it = contact.columns.begin(); it != contact.columns.end();)
        it = it.value().isEmpty() ? contact.columns.erase(it) : std::next(it);
}

} // namespace

Result<QList<VCardContact>> parse(const QByteArray& fileBytes)
{
    QByteArray bytes = fileBytes;
    if (bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF")) {
        auto text = TextDecoding::decodeFile(bytes);
        if (!text)
            return text.error();
        bytes = text.value().toUtf8();
    } else if (bytes.startsWith("\xEF\xBB\xBF")) {
        bytes.remove(0, 3);
    }
    QList<VCardContact> contacts;
    std::optional<VCardContact> current;
    QString nameFromN;
    const QList<LogicalLine> lines = logicalLines(bytes);
    for (const LogicalLine& logical : lines) {
        const auto property = parseProperty(logical);
        if (!property)
            return damaged(logical.line, QStringLiteral("不是 vCard 的内容行"));
        const QByteArray value = property->rawValue.trimmed().toUpper();
        if (property->name == "BEGIN" && value == "VCARD") {
            if (current)
                return damaged(logical.line,
                               QStringLiteral("开始了新的名片，而上一张名片没有结束"));
            current.emplace();
            nameFromN.clear();
        } else if (property->name == "END" && value == "VCARD") {
            if (!current)
                return damaged(logical.line, QStringLiteral("的名片结束标记前没有名片开始标记"));
            if (current->value(QStringLiteral("Name")).isEmpty() && !nameFromN.isEmpty())
                current->columns[QStringLiteral("Name")] = nameFromN;
            dropEmptyColumns(*current);
            current->photoUnreadable = current->photoUnreadable && current->photo.isEmpty();
            contacts.append(std::move(*current));
            current.reset();
        } else if (!current) {
            return damaged(logical.line, QStringLiteral("在名片之外"));
        } else if (const auto error =
                       applyProperty(*current, *property, logical.bytes, nameFromN)) {
            return *error;
        }
    }
    if (current)
        return damaged(lines.back().line, QStringLiteral("之后，最后一张名片没有结束标记"));
    if (contacts.isEmpty())
        return importError(ImportErrorCode::NotVCard,
                           QStringLiteral("文件中没有名片，不是 vCard 文件。"));
    return contacts;
}

Result<QList<VCardContact>> readFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return importError(ImportErrorCode::CannotOpen,
                           QStringLiteral("无法打开文件“%1”：%2").arg(path, file.errorString()));
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return importError(ImportErrorCode::CannotOpen,
                           QStringLiteral("读取文件“%1”失败：%2").arg(path, file.errorString()));
    return parse(bytes);
}

namespace {

// The format's escapes. A CR can only be a line break here; our own properties keep it in
// base64 (CardWriter::textProperty).
QString escaped(const QString& text)
{
    QString result;
    result.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == u'\\' || c == u';' || c == u',') {
            result += u'\\';
            result += c;
        } else if (c == u'\r') {
            result += QStringLiteral("\\n");
            if (i + 1 < text.size() && text[i + 1] == u'\n')
                ++i;
        } else if (c == u'\n') {
            result += QStringLiteral("\\n");
        } else {
            result += c;
        }
    }
    return result;
}

// Folds at 75 bytes without splitting a UTF-8 sequence; a continuation starts with a blank.
QByteArray folded(const QByteArray& line)
{
    constexpr qsizetype width = 75;
    QByteArray out;
    qsizetype start = 0;
    qsizetype limit = width;
    while (line.size() - start > limit) {
        qsizetype cut = start + limit;
        while (cut > start && (static_cast<unsigned char>(line[cut]) & 0xC0) == 0x80)
            --cut;
        out += line.mid(start, cut - start) + "\r\n ";
        start = cut;
        limit = width - 1;
    }
    return out + line.mid(start) + "\r\n";
}

QByteArray pictureType(const QByteArray& photo)
{
    if (photo.startsWith("\x89PNG"))
        return "PNG";
    if (photo.startsWith("GIF8"))
        return "GIF";
    if (photo.startsWith("BM"))
        return "BMP";
    return "JPEG";
}

// LABEL, grouped or not: vCard 3.0's formatted address, which 4.0 has only as ADR's parameter.
bool isLabel(const QByteArray& line)
{
    const QByteArray name = headerOf(line).split(';').front();
    return name == "LABEL" || name.endsWith(".LABEL");
}

class CardWriter {
public:
    explicit CardWriter(const VCardContact& contact)
        : m_contact(contact)
    {
    }

    void property(const QByteArray& header, const QString& value)
    {
        m_out += folded(header + ':' + value.toUtf8());
    }
    void textProperty(const QByteArray& header, const char* column, bool own = false)
    {
        const QString value = m_contact.value(QString::fromLatin1(column));
        if (value.isEmpty())
            return;
        // A CR in our own properties travels in base64: address-book servers rewrite the
        // card, and an escape the format does not know ("\r") comes back as "\\r".
        if (own && value.contains(u'\r'))
            m_out += folded(header + ";ENCODING=b:" + value.toUtf8().toBase64());
        else
            property(header, escaped(value));
    }
    void telephones(const QByteArray& header, std::initializer_list<const char*> columns)
    {
        for (const char* column : columns)
            textProperty(header, column);
    }
    QString text(const char* column) const
    {
        return escaped(m_contact.value(QString::fromLatin1(column)));
    }

    QByteArray m_out;

private:
    const VCardContact& m_contact;
};

} // namespace

namespace {

// The columns the standard properties below carry.
const QList<QByteArray> standardColumns{
    "Name",     "Tel1",         "Tel2",         "Tel3",    "Moblie1",        "Moblie2",
    "Moblie3",  "OfficePhone1", "OfficePhone2", "Mail1",   "Mail2",          "CompanyName",
    "Deptment", "Post",         "Address",      "ZipCode", "CompanyAddress", "Birthday",
    "Remark",   "Web",          "NickName"};

} // namespace

QByteArray write(const VCardContact& contact, Version version)
{
    const bool v4 = version == Version::V4;
    CardWriter card(contact);
    card.m_out = v4 ? "BEGIN:VCARD\r\nVERSION:4.0\r\n" : "BEGIN:VCARD\r\nVERSION:3.0\r\n";
    // Address-book servers and the programs syncing with them refuse a card without one.
    card.property("UID", escaped(contact.uid.isEmpty()
                                     ? QStringLiteral("urn:uuid:") +
                                           QUuid::createUuid().toString(QUuid::WithoutBraces)
                                     : contact.uid));
    card.property("FN", card.text("Name"));
    card.property("N", card.text("Name") + QStringLiteral(";;;;"));
    // 4.0 lists types in quotes, and e-mail has no INTERNET type there.
    card.telephones(v4 ? "TEL;TYPE=voice" : "TEL;TYPE=VOICE", {"Tel1", "Tel2"});
    card.telephones(v4 ? "TEL;TYPE=\"home,voice\"" : "TEL;TYPE=HOME,VOICE", {"Tel3"});
    card.telephones(v4 ? "TEL;TYPE=\"cell,voice\"" : "TEL;TYPE=CELL,VOICE",
                    {"Moblie1", "Moblie2", "Moblie3"});
    card.telephones(v4 ? "TEL;TYPE=\"work,voice\"" : "TEL;TYPE=WORK,VOICE",
                    {"OfficePhone1", "OfficePhone2"});
    card.telephones(v4 ? "EMAIL" : "EMAIL;TYPE=INTERNET", {"Mail1", "Mail2"});
    if (!contact.value(QStringLiteral("CompanyName")).isEmpty() ||
        !contact.value(QStringLiteral("Deptment")).isEmpty())
        card.property("ORG", card.text("CompanyName") + u';' + card.text("Deptment"));
    card.textProperty("TITLE", "Post");
    if (!contact.value(QStringLiteral("Address")).isEmpty() ||
        !contact.value(QStringLiteral("ZipCode")).isEmpty())
        card.property("ADR;TYPE=HOME", QStringLiteral(";;") + card.text("Address") +
                                           QStringLiteral(";;;") + card.text("ZipCode") + u';');
    if (!contact.value(QStringLiteral("CompanyAddress")).isEmpty())
        card.property("ADR;TYPE=WORK",
                      QStringLiteral(";;") + card.text("CompanyAddress") + QStringLiteral(";;;;"));
    if (const QString birthday = contact.value(QStringLiteral("Birthday"));
        v4 && birthdayOf(birthday))
        card.property("BDAY", escaped(QString(birthday).remove(u'-')));
    else
        card.textProperty("BDAY", "Birthday");
    card.textProperty("NOTE", "Remark");
    card.textProperty("URL", "Web");
    card.textProperty("NICKNAME", "NickName");
    if (!contact.categories.isEmpty()) {
        QStringList names;
        for (const QString& category : contact.categories)
            names << escaped(category);
        card.property("CATEGORIES", names.join(u','));
    }
    // A CR LF, which the standard properties can only write as a line break, read back as
    // stored from a twin of ours; other programs read the standard property.
    for (const QByteArray& column : standardColumns)
        if (contact.value(QString::fromLatin1(column)).contains(u'\r'))
            card.textProperty(ownPrefix + column.toUpper(), column.constData(), true);
    for (const ContactField& field : ContactFields::all) {
        const QByteArray column(field.name.data(), field.name.size());
        if (field.kind == ContactField::Kind::Identifier ||
            field.kind == ContactField::Kind::Binary || standardColumns.contains(column))
            continue;
        card.textProperty(ownPrefix + column.toUpper(), column.constData(), true);
    }
    if (!contact.photo.isEmpty() && v4)
        card.m_out += folded("PHOTO:data:image/" + pictureType(contact.photo).toLower() +
                             ";base64," + contact.photo.toBase64());
    else if (!contact.photo.isEmpty())
        card.m_out += folded("PHOTO;ENCODING=b;TYPE=" + pictureType(contact.photo) + ':' +
                             contact.photo.toBase64());
    for (const QByteArray& line : contact.keptLines)
        if (!v4 || !isLabel(line))
            card.m_out += folded(line);
    card.m_out += "END:VCARD\r\n";
    return card.m_out;
}

QStringList ownColumns()
{
    QStringList columns;
    for (const ContactField& field : ContactFields::all) {
        const QByteArray column(field.name.data(), field.name.size());
        if (field.kind != ContactField::Kind::Identifier &&
            field.kind != ContactField::Kind::Binary && !standardColumns.contains(column))
            columns << QString::fromLatin1(column);
    }
    return columns;
}

QByteArray toBytes(const QList<VCardContact>& contacts)
{
    QByteArray bytes;
    for (const VCardContact& contact : contacts)
        bytes += write(contact);
    return bytes;
}

} // namespace VCard
