// SPDX-License-Identifier: GPL-3.0-or-later
#include "BiffSheet.h"

#include "SheetErrors.h"

#include <QtEndian>

#include <cstring>
#include <vector>

namespace Biff {

namespace {

// BIFF5 and BIFF8 sheets are 256 columns wide; BIFF5 has 16384 rows, BIFF8 65536.
constexpr quint16 columnLimit = 256;
constexpr quint32 biff5RowLimit = 16384;

std::optional<QString> errorText(quint8 code)
{
    switch (code) {
    case 0x00:
        return QStringLiteral("#NULL!");
    case 0x07:
        return QStringLiteral("#DIV/0!");
    case 0x0F:
        return QStringLiteral("#VALUE!");
    case 0x17:
        return QStringLiteral("#REF!");
    case 0x1D:
        return QStringLiteral("#NAME?");
    case 0x24:
        return QStringLiteral("#NUM!");
    case 0x2A:
        return QStringLiteral("#N/A");
    case 0x2B:
        return QStringLiteral("#GETTING_DATA");
    default:
        return std::nullopt;
    }
}

QString booleanText(bool value)
{
    return value ? QStringLiteral("TRUE") : QStringLiteral("FALSE");
}

// An RK value: a 30-bit integer or the high 30 bits of a double, either maybe times 100.
double rkValue(quint32 rk)
{
    double value = 0;
    if (rk & 0x02) {
        value = double(qint32(rk) >> 2);
    } else {
        const quint64 bits = quint64(rk & 0xFFFFFFFCu) << 32;
        std::memcpy(&value, &bits, sizeof value);
    }
    return (rk & 0x01) ? value / 100 : value;
}

class SheetReader {
public:
    SheetReader(const Globals& globals, const SheetEntry& sheet)
        : m_globals(globals)
        , m_sheet(sheet)
    {
    }

    Status read(QByteArrayView stream, SheetRows& rows)
    {
        RecordStream records(stream);
        records.seek(m_sheet.offset);
        Record record;
        if (records.next(record) != RecordStream::Next::Record || record.id != RecordId::Bof)
            return damaged();
        // Embedded charts are substreams of their own, BOF to EOF, within the sheet's.
        int depth = 1;
        while (depth > 0) {
            if (records.next(record) != RecordStream::Next::Record)
                return damaged();
            if (record.id == RecordId::Bof)
                ++depth;
            else if (record.id == RecordId::Eof)
                --depth;
            else if (depth == 1 && !cell(record))
                return damaged();
        }
        for (QStringList& cells : m_rows)
            rows.add(cells);
        rows.finish();
        return {};
    }

private:
    DbError damaged() const
    {
        if (m_lastRow < 0)
            return SheetErrors::damaged(
                QStringLiteral("工作表“%1”开头的数据已损坏").arg(m_sheet.name));
        return SheetErrors::damaged(QStringLiteral("工作表“%1”第%2行之后的数据已损坏")
                                        .arg(m_sheet.name)
                                        .arg(m_lastRow + 1));
    }

    // One record of the sheet; false when it is damaged.
    bool cell(const Record& record)
    {
        switch (record.id) {
        case RecordId::LabelSst:
        case RecordId::Number:
        case RecordId::Rk:
        case RecordId::BoolErr:
        case RecordId::MulRk:
            m_pendingString = false;
            return record.parts.size() == 1 && fixedCell(record);
        case RecordId::Label:
        case RecordId::RString:
            m_pendingString = false;
            return label(record);
        case RecordId::Formula:
        case RecordId::FormulaBiff3:
        case RecordId::FormulaBiff4:
            return formula(record);
        case RecordId::String:
            return formulaString(record);
        default:
            return true;
        }
    }

    bool fixedCell(const Record& record)
    {
        const qsizetype length = record.parts.front().size();
        Cursor cursor(record);
        const quint16 row = cursor.u16();
        const quint16 column = cursor.u16();
        if (record.id == RecordId::MulRk)
            return mulRk(cursor, row, column, length);
        const quint16 xf = cursor.u16();
        switch (record.id) {
        case RecordId::LabelSst: {
            const quint32 index = cursor.u32();
            if (length != 10 || index >= m_globals.sharedStrings().size())
                return false;
            return put(row, column, m_globals.sharedStrings()[index]);
        }
        case RecordId::Number:
            return length == 14 && put(row, column, numberText(cursor.f64(), xf));
        case RecordId::Rk:
            return length == 10 && put(row, column, numberText(rkValue(cursor.u32()), xf));
        default: { // BOOLERR
            const quint8 value = cursor.u8();
            const quint8 isError = cursor.u8();
            if (length != 8 || isError > 1)
                return false;
            const auto text = isError ? errorText(value) : std::optional(booleanText(value));
            return (isError || value <= 1) && text && put(row, column, *text);
        }
        }
    }

    bool mulRk(Cursor& cursor, quint16 row, quint16 first, qsizetype length)
    {
        if (length < 12 || (length - 6) % 6 != 0)
            return false;
        const qsizetype count = (length - 6) / 6;
        for (qsizetype i = 0; i < count; ++i) {
            const quint16 xf = cursor.u16();
            if (!put(row, quint16(first + i), numberText(rkValue(cursor.u32()), xf)))
                return false;
        }
        return cursor.u16() == first + count - 1 && cursor.ok();
    }

    bool label(const Record& record)
    {
        Cursor cursor(record);
        const quint16 row = cursor.u16();
        const quint16 column = cursor.u16();
        cursor.skip(2); // the style: text is shown as it is
        const auto text = m_globals.string(cursor, 2);
        return text && cursor.ok() && put(row, column, *text);
    }

    // A formula's cached result: a number (shown by the cell's style), or, marked by 0xFFFF in
    // its last two bytes, a string that the next STRING record holds, a boolean, an error
    // value or an empty string.
    bool formula(const Record& record)
    {
        m_pendingString = false;
        Cursor cursor(record);
        const quint16 row = cursor.u16();
        const quint16 column = cursor.u16();
        const quint16 xf = cursor.u16();
        const QByteArrayView result = cursor.bytes(8);
        if (!cursor.ok() || record.parts.front().size() < 20)
            return false;
        if (quint8(result[6]) != 0xFF || quint8(result[7]) != 0xFF) {
            const double value = qFromLittleEndian<double>(result.data());
            return put(row, column, numberText(value, xf));
        }
        switch (quint8(result[0])) {
        case 0:
            m_pendingString = true;
            m_pendingRow = row;
            m_pendingColumn = column;
            return put(row, column, QString());
        case 1:
            return put(row, column, booleanText(result[2] != 0));
        case 2: {
            const auto text = errorText(quint8(result[2]));
            return text && put(row, column, *text);
        }
        case 3:
            return put(row, column, QString());
        default:
            return false;
        }
    }

    bool formulaString(const Record& record)
    {
        if (!m_pendingString)
            return true; // a string of no formula we read: nothing to place
        m_pendingString = false;
        Cursor cursor(record);
        const auto text = m_globals.string(cursor, 2);
        return text && cursor.ok() && put(m_pendingRow, m_pendingColumn, *text);
    }

    QString numberText(double value, quint16 xf) const
    {
        return WorkbookCells::serialText(value, m_globals.shownByStyle(xf), m_globals.from1904());
    }

    bool put(quint16 row, quint16 column, QString text)
    {
        if (column >= columnLimit || (!m_globals.biff8() && row >= biff5RowLimit))
            return false;
        if (m_rows.size() <= row)
            m_rows.resize(row + 1);
        QStringList& cells = m_rows[row];
        if (cells.size() <= column)
            cells.resize(column + 1);
        cells[column] = std::move(text);
        m_lastRow = std::max<int>(m_lastRow, row);
        return true;
    }

    const Globals& m_globals;
    const SheetEntry& m_sheet;
    std::vector<QStringList> m_rows;
    int m_lastRow = -1;
    bool m_pendingString = false;
    quint16 m_pendingRow = 0;
    quint16 m_pendingColumn = 0;
};

} // namespace

Status readSheet(QByteArrayView stream, const Globals& globals, const SheetEntry& sheet,
                 SheetRows& rows)
{
    return SheetReader(globals, sheet).read(stream, rows);
}

} // namespace Biff
