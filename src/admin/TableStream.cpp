// SPDX-License-Identifier: GPL-3.0-or-later
#include "TableStream.h"

#include <QIODevice>
#include <QtEndian>

namespace {

constexpr char magic[] = "VTS1";
constexpr qsizetype magicSize = 4;
constexpr qsizetype flushSize = 256 * 1024;

DbError garbled()
{
    return importError(ImportErrorCode::ReaderFailed,
                       QStringLiteral("读取工作簿的程序送回的数据不完整。"));
}

class Cursor {
public:
    explicit Cursor(const QByteArray& bytes)
        : m_data(bytes.constData())
        , m_left(bytes.size())
    {
    }

    bool take(char& tag)
    {
        if (m_left < 1)
            return false;
        tag = *m_data++;
        --m_left;
        return true;
    }

    bool take(quint32& number)
    {
        if (m_left < 4)
            return false;
        number = qFromLittleEndian<quint32>(m_data);
        m_data += 4;
        m_left -= 4;
        return true;
    }

    bool take(QString& text)
    {
        quint32 size = 0;
        if (!take(size) || qsizetype(size) > m_left)
            return false;
        text = QString::fromUtf8(m_data, size);
        m_data += size;
        m_left -= size;
        return true;
    }

    // A list whose count cannot be honest (more strings than bytes left) fails before any
    // memory is reserved for it.
    bool take(QStringList& strings)
    {
        quint32 count = 0;
        if (!take(count) || qsizetype(count) * 4 > m_left)
            return false;
        strings.resize(count);
        for (QString& text : strings)
            if (!take(text))
                return false;
        return true;
    }

    bool atEnd() const { return m_left == 0; }

private:
    const char* m_data;
    qsizetype m_left;
};

} // namespace

namespace TableStream {

Writer::Writer(QIODevice& device)
    : m_device(device)
{
    m_buffer.reserve(flushSize + 64 * 1024);
    m_buffer.append(magic, magicSize);
}

void Writer::columns(const QStringList& names)
{
    m_buffer.append('H');
    putList(names);
    flushWhenFull();
}

void Writer::row(const QStringList& cells)
{
    m_buffer.append('R');
    putList(cells);
    flushWhenFull();
}

void Writer::error(const DbError& error)
{
    m_buffer.append('X');
    m_closed = true;
    putNumber(quint32(error.number));
    putList({error.description});
}

bool Writer::end()
{
    if (!m_closed)
        m_buffer.append('E');
    m_closed = true;
    if (m_device.write(m_buffer) != m_buffer.size())
        m_failed = true;
    m_buffer.clear();
    return !m_failed;
}

void Writer::putList(const QStringList& strings)
{
    putNumber(quint32(strings.size()));
    for (const QString& text : strings) {
        const qsizetype at = m_buffer.size();
        putNumber(0);
        m_buffer.append(text.toUtf8());
        qToLittleEndian<quint32>(quint32(m_buffer.size() - at - 4), m_buffer.data() + at);
    }
}

void Writer::putNumber(quint32 number)
{
    char bytes[4];
    qToLittleEndian<quint32>(number, bytes);
    m_buffer.append(bytes, 4);
}

void Writer::flushWhenFull()
{
    if (m_buffer.size() < flushSize)
        return;
    if (m_device.write(m_buffer) != m_buffer.size())
        m_failed = true;
    m_buffer.clear();
}

Result<ImportTable> read(const QByteArray& bytes)
{
    if (!bytes.startsWith(QByteArrayView(magic, magicSize)))
        return garbled();
    Cursor cursor(bytes);
    char skipped;
    for (qsizetype i = 0; i < magicSize; ++i)
        cursor.take(skipped);

    ImportTable table;
    bool haveColumns = false;
    char tag = 0;
    while (cursor.take(tag)) {
        switch (tag) {
        case 'H':
            if (haveColumns || !cursor.take(table.columns))
                return garbled();
            haveColumns = true;
            break;
        case 'R': {
            QStringList cells;
            if (!haveColumns || !cursor.take(cells) || cells.size() != table.columns.size())
                return garbled();
            table.rows.append(std::move(cells));
            break;
        }
        case 'X': {
            quint32 number = 0;
            QStringList text;
            if (!cursor.take(number) || !cursor.take(text) || text.size() != 1)
                return garbled();
            return importError(int(number), text.first());
        }
        case 'E':
            if (!cursor.atEnd())
                return garbled();
            return table;
        default:
            return garbled();
        }
    }
    return garbled();
}

} // namespace TableStream
