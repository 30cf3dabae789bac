// SPDX-License-Identifier: GPL-3.0-or-later
#include "XlsxSheet.h"

#include "CompoundFile.h"
#include "SheetErrors.h"
#include "WorkbookCells.h"

#include <QFile>
#include <QHash>
#include <QXmlStreamReader>

#include <quazip/quazip.h>
#include <quazip/quazipfile.h>

#include <optional>
#include <vector>

using namespace Qt::StringLiterals;
using WorkbookCells::Shown;

namespace {

// The relationship types, told apart by their last path segment.
const QString officeDocument = QStringLiteral("/officeDocument");
const QString sharedStringsType = QStringLiteral("/sharedStrings");
const QString stylesType = QStringLiteral("/styles");

// Larger parts than this are no sheet a person typed; refusing them keeps a crafted file
// from exhausting memory.
constexpr qint64 largestPart = qint64(1) << 31;

class Package {
public:
    explicit Package(const QString& path)
        : m_zip(path)
    {
    }

    bool open() { return m_zip.open(QuaZip::mdUnzip); }

    // Part names are case-insensitive in a package: a relationship to "sharedStrings.xml"
    // finds a part stored as "SharedStrings.xml".
    bool has(const QString& name) { return m_zip.setCurrentFile(name, QuaZip::csInsensitive); }

    // A part's bytes; nothing when it is missing, too large or fails its checksum.
    std::optional<QByteArray> part(const QString& name)
    {
        if (!has(name))
            return std::nullopt;
        QuaZipFileInfo64 info;
        if (!m_zip.getCurrentFileInfo(&info) || qint64(info.uncompressedSize) > largestPart)
            return std::nullopt;
        QuaZipFile file(&m_zip);
        if (!file.open(QIODevice::ReadOnly))
            return std::nullopt;
        QByteArray bytes = file.readAll();
        file.close();
        if (file.getZipError() != UNZ_OK || bytes.size() != qint64(info.uncompressedSize))
            return std::nullopt;
        return bytes;
    }

private:
    QuaZip m_zip;
};

// "xl/workbook.xml" + "worksheets/sheet1.xml" → "xl/worksheets/sheet1.xml"; "/xl/..." is
// from the package's root.
QString resolved(const QString& fromPart, const QString& target)
{
    if (target.startsWith(u'/'))
        return target.mid(1);
    QString folder = fromPart.left(fromPart.lastIndexOf(u'/') + 1);
    QString rest = target;
    while (rest.startsWith(QStringLiteral("../"))) {
        rest = rest.mid(3);
        folder.chop(1);
        folder = folder.left(folder.lastIndexOf(u'/') + 1);
    }
    return folder + rest;
}

QString relsOf(const QString& part)
{
    const qsizetype slash = part.lastIndexOf(u'/');
    return part.left(slash + 1) + QStringLiteral("_rels/") + part.mid(slash + 1) +
           QStringLiteral(".rels");
}

// The next token; a DTD is refused. No part of a workbook has one, and its entities are how a
// crafted part of a few kilobytes expands a billion times.
QXmlStreamReader::TokenType nextToken(QXmlStreamReader& reader)
{
    const QXmlStreamReader::TokenType token = reader.readNext();
    if (token == QXmlStreamReader::DTD)
        reader.raiseError(QStringLiteral("含有DTD声明，表格程序不会写出这样的内容"));
    return token;
}

// Where and why the XML of `part` could not be read, in the program's words; Qt's own text
// is English.
DbError xmlDamage(const QString& part, const QXmlStreamReader& reader)
{
    if (reader.error() == QXmlStreamReader::CustomError)
        return SheetErrors::damaged(part + u'：' + reader.errorString());
    const QString what = reader.error() == QXmlStreamReader::PrematureEndOfDocumentError
                             ? QStringLiteral("内容不完整")
                             : QStringLiteral("不是合乎规范的XML");
    return SheetErrors::damaged(QStringLiteral("%1：第%2行第%3列起%4")
                                    .arg(part)
                                    .arg(reader.lineNumber())
                                    .arg(reader.columnNumber())
                                    .arg(what));
}

struct Relationship {
    QString id;
    QString type;
    QString target;
};

Result<QList<Relationship>> relationships(const QString& part, const QByteArray& xml)
{
    QList<Relationship> found;
    QXmlStreamReader reader(xml);
    while (!reader.atEnd()) {
        nextToken(reader);
        if (reader.isStartElement() && reader.name() == u"Relationship") {
            const auto a = reader.attributes();
            found.append({a.value("Id"_L1).toString(), a.value("Type"_L1).toString(),
                          a.value("Target"_L1).toString()});
        }
    }
    if (reader.hasError())
        return xmlDamage(part, reader);
    return found;
}

// "_x000D_" and the like stand for characters XML cannot carry.
QString unescaped(QString text)
{
    if (!text.contains(QStringLiteral("_x")))
        return text;
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text.at(i) == u'_' && i + 6 < text.size() && text.at(i + 1) == u'x' &&
            text.at(i + 6) == u'_') {
            bool hex = false;
            const uint code = QStringView(text).mid(i + 2, 4).toUInt(&hex, 16);
            if (hex) {
                out.append(QChar(char16_t(code)));
                i += 6;
                continue;
            }
        }
        out.append(text.at(i));
    }
    return out;
}

// The text of an <si> or <is>: every <t>, directly or in runs, but not the phonetic <rPh>.
QString stringItem(QXmlStreamReader& reader)
{
    QString text;
    while (reader.readNextStartElement()) {
        if (reader.name() == u"t")
            text += reader.readElementText();
        else if (reader.name() == u"r")
            text += stringItem(reader);
        else
            reader.skipCurrentElement();
    }
    return unescaped(text);
}

std::optional<std::vector<QString>> sharedStrings(const QByteArray& xml)
{
    std::vector<QString> strings;
    QXmlStreamReader reader(xml);
    while (!reader.atEnd()) {
        nextToken(reader);
        if (reader.isStartElement()) {
            if (reader.name() == u"sst") {
                const qint64 unique = reader.attributes().value("uniqueCount"_L1).toLongLong();
                if (unique > 0 && unique < xml.size())
                    strings.reserve(size_t(unique));
            } else if (reader.name() == u"si") {
                strings.push_back(stringItem(reader));
            }
        }
    }
    if (reader.hasError())
        return std::nullopt;
    return strings;
}

// How each cell style (the index s="n" of a cell) shows a number.
std::optional<std::vector<Shown>> cellStyles(const QByteArray& xml)
{
    QHash<int, Shown> custom;
    std::vector<Shown> styles;
    QXmlStreamReader reader(xml);
    bool inCellXfs = false;
    while (!reader.atEnd()) {
        nextToken(reader);
        if (reader.isEndElement() && reader.name() == u"cellXfs")
            inCellXfs = false;
        if (!reader.isStartElement())
            continue;
        const auto a = reader.attributes();
        if (reader.name() == u"numFmt") {
            custom.insert(a.value("numFmtId"_L1).toInt(),
                          WorkbookCells::shownByCode(a.value("formatCode"_L1).toString()));
        } else if (reader.name() == u"cellXfs") {
            inCellXfs = true;
        } else if (inCellXfs && reader.name() == u"xf") {
            const int id = a.value("numFmtId"_L1).toInt();
            styles.push_back(custom.contains(id) ? custom.value(id)
                                                 : WorkbookCells::shownByBuiltIn(id));
        }
    }
    if (reader.hasError())
        return std::nullopt;
    return styles;
}

// "AB12" → 27 (zero-based column); -1 when the reference names no column.
qsizetype columnOf(QStringView reference)
{
    qsizetype column = 0;
    qsizetype letters = 0;
    for (const QChar c : reference) {
        const char16_t u = c.unicode();
        if (u >= u'A' && u <= u'Z')
            column = column * 26 + (u - u'A' + 1);
        else if (u >= u'a' && u <= u'z') // as some writers spell them, and spreadsheets read them
            column = column * 26 + (u - u'a' + 1);
        else
            break;
        if (++letters > 3)
            return -1;
    }
    return letters == 0 ? -1 : column - 1;
}

// The widest sheet the format allows (XFD).
constexpr qsizetype columnLimit = 16384;

class SheetParser {
public:
    SheetParser(const std::vector<QString>& strings, const std::vector<Shown>& styles,
                bool from1904)
        : m_strings(strings)
        , m_styles(styles)
        , m_from1904(from1904)
    {
    }

    Status parse(const QByteArray& xml, SheetRows& rows)
    {
        QXmlStreamReader reader(xml);
        while (!reader.atEnd()) {
            nextToken(reader);
            if (reader.isStartElement() && reader.name() == u"row") {
                if (Status read = row(reader); !read)
                    return read;
                rows.add(m_cells);
                m_cells.clear();
            }
        }
        if (reader.hasError())
            return xmlDamage(QStringLiteral("工作表“Sheet1”"), reader);
        return {};
    }

private:
    Status row(QXmlStreamReader& reader)
    {
        qsizetype next = 0;
        while (reader.readNextStartElement()) {
            if (reader.name() != u"c") {
                reader.skipCurrentElement();
                continue;
            }
            const auto a = reader.attributes();
            const QStringView reference = a.value("r"_L1);
            const qsizetype column = reference.isEmpty() ? next : columnOf(reference);
            if (column < 0 || column >= columnLimit)
                return SheetErrors::damaged(QStringLiteral("单元格“%1”").arg(reference));
            const QString type = a.value("t"_L1).toString();
            const int style = a.value("s"_L1).toInt();
            QString value = cell(reader, type, style);
            if (reader.hasError())
                return xmlDamage(QStringLiteral("工作表“Sheet1”"), reader);
            if (m_cells.size() <= column)
                m_cells.resize(column + 1);
            m_cells[column] = std::move(value);
            next = column + 1;
        }
        return {};
    }

    QString cell(QXmlStreamReader& reader, const QString& type, int style)
    {
        QString raw;
        QString inlineText;
        bool haveInline = false;
        while (reader.readNextStartElement()) {
            if (reader.name() == u"v") {
                raw = reader.readElementText();
            } else if (reader.name() == u"is") {
                inlineText = stringItem(reader);
                haveInline = true;
            } else {
                reader.skipCurrentElement(); // <f>: the cached <v> is what the sheet shows
            }
        }
        if (type == u"inlineStr")
            return haveInline ? inlineText : raw;
        if (raw.isEmpty())
            return QString(); // an empty cell, or a formula never calculated
        if (type == u"s") {
            bool number = false;
            const qulonglong index = raw.toULongLong(&number);
            return number && index < m_strings.size() ? m_strings[size_t(index)] : QString();
        }
        if (type == u"str" || type == u"e")
            return unescaped(raw);
        if (type == u"b")
            return raw == u"1" || raw == u"true" ? QStringLiteral("TRUE") : QStringLiteral("FALSE");
        if (type == u"d")
            return WorkbookCells::withoutMidnight(raw.left(19).replace(u'T', u' '));
        bool number = false;
        const double value = raw.toDouble(&number);
        if (!number)
            return raw;
        const Shown shown =
            style >= 0 && size_t(style) < m_styles.size() ? m_styles[size_t(style)] : Shown::Number;
        return WorkbookCells::serialText(value, shown, m_from1904);
    }

    const std::vector<QString>& m_strings;
    const std::vector<Shown>& m_styles;
    bool m_from1904;
    QStringList m_cells;
};

struct SheetPart {
    QString sheet;
    QString sharedStrings;
    QString styles;
    bool from1904 = false;
};

// Finds "Sheet1" in the workbook and the parts it needs.
Result<SheetPart> locate(Package& package)
{
    QString workbook = QStringLiteral("xl/workbook.xml");
    const QString packageRels = QStringLiteral("_rels/.rels");
    if (auto rels = package.part(packageRels)) {
        const auto found = relationships(packageRels, *rels);
        if (!found)
            return found.error();
        for (const Relationship& r : found.value())
            if (r.type.endsWith(officeDocument))
                workbook = resolved(QString(), r.target);
    }
    const auto workbookXml = package.part(workbook);
    if (!workbookXml && package.has(workbook))
        return SheetErrors::damaged(workbook);
    if (!workbookXml)
        return importError(ImportErrorCode::NotWorkbook,
                           QStringLiteral("这个文件不是Excel工作簿（*.xlsx）。"));

    SheetPart found;
    QString sheetId;
    QStringList names;
    QXmlStreamReader reader(*workbookXml);
    while (!reader.atEnd()) {
        nextToken(reader);
        if (!reader.isStartElement())
            continue;
        const auto a = reader.attributes();
        if (reader.name() == u"workbookPr") {
            const auto flag = a.value("date1904"_L1);
            found.from1904 = flag == u"1" || flag == u"true";
        } else if (reader.name() == u"sheet" && sheetId.isEmpty()) {
            const QString name = a.value("name"_L1).toString();
            if (name.compare(SheetErrors::sheetName, Qt::CaseInsensitive) != 0) {
                names.append(name);
                continue;
            }
            for (const QXmlStreamAttribute& attribute : a)
                if (attribute.name() == u"id") // r:id, whatever the prefix is called
                    sheetId = attribute.value().toString();
        }
    }
    if (reader.hasError())
        return xmlDamage(workbook, reader);
    if (sheetId.isEmpty())
        return SheetErrors::noSheet(names);

    const auto rels = package.part(relsOf(workbook));
    if (!rels)
        return SheetErrors::damaged(QStringLiteral("缺少%1").arg(relsOf(workbook)));
    const auto listed = relationships(relsOf(workbook), *rels);
    if (!listed)
        return listed.error();
    for (const Relationship& r : listed.value()) {
        if (r.id == sheetId)
            found.sheet = resolved(workbook, r.target);
        else if (r.type.endsWith(sharedStringsType))
            found.sharedStrings = resolved(workbook, r.target);
        else if (r.type.endsWith(stylesType))
            found.styles = resolved(workbook, r.target);
    }
    if (found.sheet.isEmpty())
        return SheetErrors::damaged(QStringLiteral("找不到Sheet1的数据"));
    return found;
}

// Office keeps a password-encrypted .xlsx in a compound document, as it keeps an .xls.
DbError compoundDocument(const QString& path)
{
    auto contents = CompoundFile::read(path);
    if (!contents)
        return contents.error();
    switch (contents.value().kind) {
    case CompoundFile::Contents::Kind::Encrypted:
        return SheetErrors::encrypted();
    case CompoundFile::Contents::Kind::Workbook:
        return importError(ImportErrorCode::NotWorkbook,
                           QStringLiteral("这是Excel 97-2003工作簿（.xls），但文件名以.xlsx结尾，"
                                          "请把它改名为.xls后再导入。"));
    case CompoundFile::Contents::Kind::Other:
        break;
    }
    return importError(ImportErrorCode::NotWorkbook,
                       QStringLiteral("这个文件是Office文档，但不是Excel工作簿（*.xlsx）。"));
}

bool startsWithSignature(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) &&
           file.read(CompoundFile::signature.size()) == CompoundFile::signature;
}

} // namespace

namespace XlsxSheet {

Status read(const QString& path, SheetRows& rows)
{
    if (!QFile::exists(path))
        return importError(ImportErrorCode::CannotOpen,
                           QStringLiteral("不能打开文件：%1").arg(path));
    if (startsWithSignature(path))
        return compoundDocument(path);
    Package package(path);
    if (!package.open())
        return importError(ImportErrorCode::NotWorkbook,
                           QStringLiteral("这个文件不是Excel工作簿（*.xlsx），或已损坏。"));
    auto located = locate(package);
    if (!located)
        return located.error();
    const SheetPart& part = located.value();

    std::vector<QString> strings;
    if (!part.sharedStrings.isEmpty() && package.has(part.sharedStrings)) {
        auto xml = package.part(part.sharedStrings);
        auto parsed = xml ? sharedStrings(*xml) : std::nullopt;
        if (!parsed)
            return SheetErrors::damaged(part.sharedStrings);
        strings = std::move(*parsed);
    }
    std::vector<Shown> styles;
    if (!part.styles.isEmpty() && package.has(part.styles)) {
        auto xml = package.part(part.styles);
        auto parsed = xml ? cellStyles(*xml) : std::nullopt;
        if (!parsed)
            return SheetErrors::damaged(part.styles);
        styles = std::move(*parsed);
    }
    const auto sheet = package.part(part.sheet);
    if (!sheet)
        return SheetErrors::damaged(part.sheet);
    SheetParser parser(strings, styles, part.from1904);
    if (Status parsed = parser.parse(*sheet, rows); !parsed)
        return parsed;
    rows.finish();
    return {};
}

} // namespace XlsxSheet
