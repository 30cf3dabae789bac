// SPDX-License-Identifier: GPL-3.0-or-later
#include "BiffRecords.h"

#include <QtEndian>

#include <cstring>

namespace Biff {

namespace {

// BIFF8 records hold at most 8224 bytes of data (BIFF5 2080); longer content goes on in
// CONTINUE records, so a longer length is no record a writer made.
constexpr quint16 largestRecord = 8224;

// The ids the format assigns: the sheet and workbook records (up to 0x02FF), the BIFF4-era
// ids still written (0x04xx), the later additions (0x08xx) and the chart records (0x10xx).
// A random pair of bytes falls among them about once in forty times.
bool assigned(quint16 id)
{
    const quint16 high = id >> 8;
    return high <= 0x02 || high == 0x04 || high == 0x08 || high == 0x10;
}

} // namespace

RecordStream::RecordStream(QByteArrayView stream)
    : m_stream(stream)
{
}

bool RecordStream::header(qsizetype at, quint16& id, quint16& length) const
{
    if (at < 0 || at + 4 > m_stream.size())
        return false;
    id = qFromLittleEndian<quint16>(m_stream.data() + at);
    length = qFromLittleEndian<quint16>(m_stream.data() + at + 2);
    return true;
}

RecordStream::Next RecordStream::next(Record& record)
{
    if (m_position == m_stream.size())
        return Next::End;
    quint16 id = 0;
    quint16 length = 0;
    if (!header(m_position, id, length) || length > largestRecord || !assigned(id) ||
        m_position + 4 + length > m_stream.size())
        return Next::Damaged;
    record.id = id;
    record.offset = m_position;
    record.parts.clear();
    record.parts.push_back(m_stream.sliced(m_position + 4, length));
    m_position += 4 + length;
    while (header(m_position, id, length) && id == RecordId::Continue) {
        if (length > largestRecord || m_position + 4 + length > m_stream.size())
            return Next::Damaged;
        record.parts.push_back(m_stream.sliced(m_position + 4, length));
        m_position += 4 + length;
    }
    return Next::Record;
}

Cursor::Cursor(const Record& record)
    : m_record(record)
{
}

bool Cursor::nextPart()
{
    if (m_part + 1 >= m_record.parts.size())
        return false;
    ++m_part;
    m_at = 0;
    return true;
}

bool Cursor::atEnd() const
{
    if (m_at < m_record.parts[m_part].size())
        return false;
    for (size_t later = m_part + 1; later < m_record.parts.size(); ++later)
        if (!m_record.parts[later].isEmpty())
            return false;
    return true;
}

quint8 Cursor::u8()
{
    while (m_ok && m_at >= m_record.parts[m_part].size())
        if (!nextPart())
            m_ok = false;
    if (!m_ok)
        return 0;
    return quint8(m_record.parts[m_part][m_at++]);
}

quint16 Cursor::u16()
{
    const quint16 low = u8();
    return quint16(low | (u8() << 8));
}

quint32 Cursor::u32()
{
    const quint32 low = u16();
    return low | (quint32(u16()) << 16);
}

double Cursor::f64()
{
    const quint64 low = u32();
    const quint64 bits = low | (quint64(u32()) << 32);
    double value = 0;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

void Cursor::skip(qsizetype count)
{
    while (m_ok && count > 0) {
        const qsizetype here = std::min(count, m_record.parts[m_part].size() - m_at);
        m_at += here;
        count -= here;
        if (count > 0 && !nextPart())
            m_ok = false;
    }
}

QByteArrayView Cursor::bytes(qsizetype count)
{
    if (!m_ok || count > m_record.parts[m_part].size() - m_at) {
        m_ok = false;
        return {};
    }
    const QByteArrayView taken = m_record.parts[m_part].sliced(m_at, count);
    m_at += count;
    return taken;
}

QString Cursor::characters(quint32 count, bool wide)
{
    QString text;
    text.reserve(qsizetype(std::min<quint32>(count, 32767)));
    while (m_ok && count > 0) {
        const QByteArrayView part = m_record.parts[m_part];
        const qsizetype fit = (part.size() - m_at) / (wide ? 2 : 1);
        const qsizetype taken = std::min<qsizetype>(fit, count);
        const char* from = part.data() + m_at;
        if (wide) {
            for (qsizetype i = 0; i < taken; ++i)
                text.append(QChar(qFromLittleEndian<quint16>(from + 2 * i)));
        } else {
            // Compressed characters are the low bytes of UTF-16 units: Latin-1.
            text.append(QLatin1StringView(from, taken));
        }
        m_at += taken * (wide ? 2 : 1);
        count -= quint32(taken);
        if (count == 0)
            break;
        if (!nextPart()) {
            m_ok = false;
            break;
        }
        wide = u8() & 0x01; // the rest of the byte repeats the string's own flags, or nothing
    }
    return text;
}

QString Cursor::unicodeString(int countBytes)
{
    const quint32 count = countBytes == 1 ? u8() : u16();
    const quint8 options = u8();
    if (options & ~0x0Du) {
        m_ok = false;
        return {};
    }
    const quint32 runs = (options & 0x08) ? u16() : 0;
    const quint32 phonetic = (options & 0x04) ? u32() : 0;
    QString text = characters(count, options & 0x01);
    skip(qsizetype(runs) * 4);
    skip(qsizetype(phonetic));
    return text;
}

} // namespace Biff
