// SPDX-License-Identifier: GPL-3.0-or-later
// Reading a CSV file into an import table and writing one, as RFC 4180 lays the format out.
#include "CsvTable.h"

#include "admin/TextDecoding.h"

#include <QBuffer>
#include <QFile>
#include <QSaveFile>

#include <algorithm>

namespace CsvTable {

namespace {

// Walks the text one record at a time; a record's line is where it starts, for messages.
class RecordReader {
public:
    explicit RecordReader(const QString& text)
        : m_text(text)
    {
    }

    bool atEnd() const { return m_pos >= m_text.size(); }
    // Whether the next record is a line with nothing on it (not even an empty quoted field).
    bool atBlankLine() const { return m_text[m_pos] == u'\n' || m_text[m_pos] == u'\r'; }
    qsizetype line() const { return m_line; }

    // The next record's cells; false with an error when a quoted field never ends.
    bool next(QStringList& cells, DbError& error)
    {
        cells.clear();
        m_recordLine = m_line;
        QString field;
        for (;;) {
            if (m_pos < m_text.size() && m_text[m_pos] == u'"') {
                if (!readQuoted(field)) {
                    error =
                        importError(ImportErrorCode::BadLayout,
                                    QStringLiteral("文件第 %1 行的引号没有结束，文件可能已经损坏。")
                                        .arg(m_recordLine));
                    return false;
                }
            }
            readPlain(field);
            cells.append(std::move(field));
            field = QString();
            if (m_pos >= m_text.size())
                return true;
            const QChar stop = m_text[m_pos++];
            if (stop == u',')
                continue;
            endLine(stop);
            return true;
        }
    }

    qsizetype recordLine() const { return m_recordLine; }

private:
    void endLine(QChar stop)
    {
        if (stop == u'\r' && m_pos < m_text.size() && m_text[m_pos] == u'\n')
            ++m_pos;
        ++m_line;
    }

    bool readQuoted(QString& field)
    {
        ++m_pos;
        for (;;) {
            const qsizetype quote = m_text.indexOf(u'"', m_pos);
            if (quote < 0)
                return false;
            const QStringView part = QStringView(m_text).sliced(m_pos, quote - m_pos);
            m_line += part.count(u'\n') + countLoneCr(part);
            field += part;
            m_pos = quote + 1;
            if (m_pos < m_text.size() && m_text[m_pos] == u'"') {
                field += u'"';
                ++m_pos;
                continue;
            }
            return true;
        }
    }

    // Up to the next comma or line end; text after a closing quote joins the field, as
    // spreadsheet programs read it.
    void readPlain(QString& field)
    {
        const qsizetype start = m_pos;
        while (m_pos < m_text.size()) {
            const QChar c = m_text[m_pos];
            if (c == u',' || c == u'\n' || c == u'\r')
                break;
            ++m_pos;
        }
        field += QStringView(m_text).sliced(start, m_pos - start);
    }

    static qsizetype countLoneCr(QStringView part)
    {
        qsizetype count = 0;
        for (qsizetype i = 0; i < part.size(); ++i)
            if (part[i] == u'\r' && (i + 1 == part.size() || part[i + 1] != u'\n'))
                ++count;
        return count;
    }

    const QString& m_text;
    qsizetype m_pos = 0;
    qsizetype m_line = 1;
    qsizetype m_recordLine = 1;
};

// Pads or trims a record to the header's width; false when a dropped cell holds a value.
bool fitToColumns(QStringList& cells, qsizetype columns)
{
    while (cells.size() > columns) {
        if (!cells.back().isEmpty())
            return false;
        cells.removeLast();
    }
    while (cells.size() < columns)
        cells.append(QString());
    return true;
}

} // namespace

Result<ImportTable> parse(const QString& text)
{
    RecordReader reader(text);
    ImportTable table;
    QStringList cells;
    DbError error;
    bool haveHeader = false;
    while (!reader.atEnd()) {
        const bool blank = reader.atBlankLine();
        if (!reader.next(cells, error))
            return error;
        if (blank)
            continue;
        if (!haveHeader) {
            table.columns = std::move(cells);
            haveHeader = true;
            continue;
        }
        if (!fitToColumns(cells, table.columns.size()))
            return importError(ImportErrorCode::BadLayout,
                               QStringLiteral("文件第 %1 行的单元格比标题行的 %2 列多。")
                                   .arg(reader.recordLine())
                                   .arg(table.columns.size()));
        table.rows.append(std::move(cells));
        cells = QStringList();
    }
    if (!haveHeader)
        return importError(ImportErrorCode::BadLayout,
                           QStringLiteral("文件中没有标题行（第一行应为字段名）。"));
    return table;
}

Result<ImportTable> fromBytes(QByteArray bytes)
{
    auto text = TextDecoding::decodeFile(bytes);
    bytes = QByteArray();
    if (!text)
        return text.error();
    return parse(text.value());
}

Result<ImportTable> readFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return importError(ImportErrorCode::CannotOpen,
                           QStringLiteral("无法打开文件“%1”：%2").arg(path, file.errorString()));
    QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return importError(ImportErrorCode::CannotOpen,
                           QStringLiteral("读取文件“%1”失败：%2").arg(path, file.errorString()));
    file.close();
    return fromBytes(std::move(bytes));
}

namespace {

bool needsQuotes(QStringView field)
{
    return std::any_of(field.begin(), field.end(),
                       [](QChar c) { return c == u',' || c == u'"' || c == u'\r' || c == u'\n'; });
}

void appendField(QString& line, const QString& field)
{
    if (!needsQuotes(field)) {
        line += field;
        return;
    }
    line += u'"';
    for (const QChar c : field) {
        if (c == u'"')
            line += u'"';
        line += c;
    }
    line += u'"';
}

} // namespace

QString quoted(const QString& field)
{
    QString line;
    appendField(line, field);
    return line;
}

Writer::Writer(QIODevice& device)
    : m_device(device)
{
}

bool Writer::writeRow(const QStringList& cells)
{
    m_line.clear();
    // A lone empty cell is written as "" so the reader does not take its row for a blank line.
    if (cells.size() == 1 && cells.front().isEmpty())
        m_line += QStringLiteral("\"\"");
    for (qsizetype i = 0; i < cells.size(); ++i) {
        if (i > 0)
            m_line += u',';
        appendField(m_line, cells[i]);
    }
    m_line += QStringLiteral("\r\n");
    if (!m_bomWritten) {
        m_bomWritten = true;
        if (m_device.write("\xEF\xBB\xBF", 3) != 3)
            return false;
    }
    const QByteArray bytes = m_encoder(m_line);
    return m_device.write(bytes) == bytes.size();
}

QByteArray toBytes(const ImportTable& table)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    Writer writer(buffer);
    writer.writeRow(table.columns);
    for (const QStringList& row : table.rows)
        writer.writeRow(row);
    return bytes;
}

Status writeFile(const QString& path, const ImportTable& table)
{
    QSaveFile file(path);
    const auto failed = [&] {
        return importError(ImportErrorCode::CannotWrite,
                           QStringLiteral("无法写入文件“%1”：%2").arg(path, file.errorString()));
    };
    if (!file.open(QIODevice::WriteOnly))
        return failed();
    Writer writer(file);
    bool written = writer.writeRow(table.columns);
    for (qsizetype i = 0; written && i < table.rows.size(); ++i)
        written = writer.writeRow(table.rows[i]);
    if (!written || !file.commit())
        return failed();
    return {};
}

} // namespace CsvTable
