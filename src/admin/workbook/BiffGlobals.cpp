// SPDX-License-Identifier: GPL-3.0-or-later
#include "BiffGlobals.h"

#include "SheetErrors.h"

#include "admin/TextDecoding.h"

#include <QHash>

namespace Biff {

namespace {

constexpr quint16 biff5Version = 0x0500;
constexpr quint16 globalsType = 0x0005;

// The ICU converter for a CODEPAGE record's value. GBK is read as GB18030, its superset.
QByteArray charsetOf(quint16 codePage)
{
    switch (codePage) {
    case 367:
    case 20127:
        return "US-ASCII";
    case 936:
        return "GB18030";
    case 932:
        return "windows-31j";
    case 10000:
    case 32768:
        return "macintosh";
    case 32769:
        return "windows-1252";
    default:
        return "windows-" + QByteArray::number(codePage);
    }
}

} // namespace

Result<Globals> Globals::read(QByteArrayView stream)
{
    const DbError damaged =
        SheetErrors::damaged(QStringLiteral("工作簿开头的公共数据（字符串表、格式、工作表目录）"));
    RecordStream records(stream);
    Record record;
    if (records.next(record) != RecordStream::Next::Record)
        return damaged;
    if (record.id == 0x0009 || record.id == 0x0209 || record.id == 0x0409)
        return SheetErrors::earlyVersion(); // BIFF2 to BIFF4, kept in a compound document
    if (record.id != RecordId::Bof)
        return damaged;
    Cursor bof(record);
    const quint16 version = bof.u16();
    const quint16 type = bof.u16();
    if (!bof.ok() || type != globalsType)
        return damaged;
    Globals globals;
    // Excel 5.0 and 95 write 0x0500; every later version, and the writers that copy it, 0x0600.
    globals.m_biff8 = version != biff5Version;
    for (;;) {
        const RecordStream::Next next = records.next(record);
        if (next != RecordStream::Next::Record)
            return damaged;
        if (record.id == RecordId::Eof)
            break;
        if (!globals.readRecord(record))
            return damaged;
        if (globals.m_encrypted)
            return SheetErrors::encrypted();
    }
    QHash<quint16, WorkbookCells::Shown> custom;
    for (const auto& [id, code] : globals.m_formatCodes)
        custom.insert(id, WorkbookCells::shownByCode(code));
    globals.m_shown.reserve(globals.m_styleFormats.size());
    for (const quint16 format : globals.m_styleFormats)
        globals.m_shown.push_back(custom.contains(format) ? custom.value(format)
                                                          : WorkbookCells::shownByBuiltIn(format));
    return globals;
}

bool Globals::readRecord(const Record& record)
{
    Cursor cursor(record);
    switch (record.id) {
    case RecordId::FilePass:
        m_encrypted = true;
        return true;
    case RecordId::CodePage:
        m_codePage = cursor.u16();
        return cursor.ok();
    case RecordId::DateMode:
        m_from1904 = cursor.u16() == 1;
        return cursor.ok();
    case RecordId::BoundSheet: {
        SheetEntry sheet;
        sheet.offset = cursor.u32();
        cursor.skip(2); // visibility and kind: a hidden "Sheet1" is read all the same
        const auto name = string(cursor, 1);
        if (!name || !cursor.ok())
            return false;
        sheet.name = *name;
        m_sheets.append(sheet);
        return true;
    }
    case RecordId::Sst:
        return !m_biff8 || readSst(record);
    case RecordId::Format: {
        const quint16 id = cursor.u16();
        const auto code = string(cursor, m_biff8 ? 2 : 1);
        if (!code || !cursor.ok())
            return false;
        m_formatCodes.append({id, *code});
        return true;
    }
    case RecordId::Xf:
        cursor.skip(2); // the font
        m_styleFormats.push_back(cursor.u16());
        return cursor.ok();
    default:
        return true;
    }
}

bool Globals::readSst(const Record& record)
{
    Cursor cursor(record);
    cursor.skip(4); // the number of cells using the table
    const quint32 unique = cursor.u32();
    if (!cursor.ok())
        return false;
    // The count is a hint (some writers get it wrong); the strings present are what counts.
    m_strings.reserve(std::min<quint32>(unique, 1u << 20));
    while (!cursor.atEnd()) {
        m_strings.push_back(cursor.unicodeString(2));
        if (!cursor.ok())
            return false;
    }
    return true;
}

WorkbookCells::Shown Globals::shownByStyle(quint16 xf) const
{
    return xf < m_shown.size() ? m_shown[xf] : WorkbookCells::Shown::Number;
}

std::optional<QString> Globals::text(QByteArrayView bytes) const
{
    if (m_codePage == 1200) // BIFF5 writers that claim UTF-16 still store one byte per character
        return QString::fromLatin1(bytes);
    return TextDecoding::decodeStrictly(charsetOf(m_codePage).constData(), bytes);
}

std::optional<QString> Globals::string(Cursor& cursor, int countBytes) const
{
    if (m_biff8) {
        QString read = cursor.unicodeString(countBytes);
        return cursor.ok() ? std::optional<QString>(std::move(read)) : std::nullopt;
    }
    const quint16 count = countBytes == 1 ? cursor.u8() : cursor.u16();
    const QByteArrayView bytes = cursor.bytes(count);
    if (!cursor.ok())
        return std::nullopt;
    return text(bytes);
}

} // namespace Biff
