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

// CRs that end a line on their own; the first CR of CR CR LF ends none.
qsizetype countLoneCr(QStringView part)
{
    qsizetype count = 0;
    for (qsizetype i = 0; i < part.size(); ++i)
        if (part[i] == u'\r' && (i + 1 == part.size() || part[i + 1] != u'\n') &&
            !part.sliced(i).startsWith(u"\r\r\n"))
            ++count;
    return count;
}

// How many lines a stretch of text runs over.
qsizetype lineEnds(QStringView part)
{
    return part.count(u'\n') + countLoneCr(part);
}

// Walks the text one record at a time; a record's line is where it starts, for messages.
class RecordReader {
public:
    RecordReader(const QString& text, qsizetype start, QChar separator)
        : m_text(text)
        , m_separator(separator)
        , m_pos(start)
        , m_line(1 + lineEnds(QStringView(text).first(start)))
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
            if (stop == m_separator)
                continue;
            endLine(stop);
            return true;
        }
    }

    qsizetype recordLine() const { return m_recordLine; }

private:
    void endLine(QChar stop)
    {
        if (stop == u'\r')
            m_pos += crLfAfterCr(m_pos);
        ++m_line;
    }

    // How many characters after a CR belong to its line end: LF, or CR LF of a doubled CR.
    qsizetype crLfAfterCr(qsizetype at) const
    {
        if (at < m_text.size() && m_text[at] == u'\n')
            return 1;
        if (at + 1 < m_text.size() && m_text[at] == u'\r' && m_text[at + 1] == u'\n')
            return 2;
        return 0;
    }

    bool readQuoted(QString& field)
    {
        ++m_pos;
        for (;;) {
            const qsizetype quote = m_text.indexOf(u'"', m_pos);
            if (quote < 0)
                return false;
            const QStringView part = QStringView(m_text).sliced(m_pos, quote - m_pos);
            m_line += lineEnds(part);
            appendLines(field, part);
            m_pos = quote + 1;
            if (m_pos < m_text.size() && m_text[m_pos] == u'"') {
                field += u'"';
                ++m_pos;
                continue;
            }
            return true;
        }
    }

    // A quoted part with its line ends as the file means them: CR CR LF is one CRLF.
    static void appendLines(QString& field, QStringView part)
    {
        qsizetype from = 0;
        for (qsizetype at = part.indexOf(u"\r\r\n"); at >= 0; at = part.indexOf(u"\r\r\n", from)) {
            field += part.sliced(from, at - from);
            from = at + 1;
        }
        field += part.sliced(from);
    }

    // Up to the next separator or line end; text after a closing quote joins the field, as
    // spreadsheet programs read it.
    void readPlain(QString& field)
    {
        const qsizetype start = m_pos;
        while (m_pos < m_text.size()) {
            const QChar c = m_text[m_pos];
            if (c == m_separator || c == u'\n' || c == u'\r')
                break;
            ++m_pos;
        }
        field += QStringView(m_text).sliced(start, m_pos - start);
    }

    const QString& m_text;
    const QChar m_separator;
    qsizetype m_pos = 0;
    qsizetype m_line;
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

// The separator a "sep=;" first line names, and where the text after that line starts.
std::optional<std::pair<QChar, qsizetype>> separatorLine(QStringView text)
{
    static const QString prefix = QStringLiteral("sep=");
    if (!text.startsWith(prefix, Qt::CaseInsensitive) || text.size() < prefix.size() + 1)
        return std::nullopt;
    const QChar named = text[prefix.size()];
    qsizetype end = prefix.size() + 1;
    if (!separators().contains(named) ||
        (end < text.size() && text[end] != u'\r' && text[end] != u'\n'))
        return std::nullopt;
    while (end < text.size() && (text[end] == u'\r' || text[end] == u'\n'))
        ++end;
    return std::pair{named, end};
}

// How often each separator stands outside quotes on the first line that holds anything.
QList<qsizetype> separatorCounts(QStringView text)
{
    QList<qsizetype> counts(separators().size(), 0);
    qsizetype at = 0;
    while (at < text.size() && (text[at] == u'\r' || text[at] == u'\n'))
        ++at;
    bool quoted = false;
    for (; at < text.size(); ++at) {
        const QChar c = text[at];
        if (c == u'"')
            quoted = !quoted;
        else if (!quoted && (c == u'\r' || c == u'\n'))
            break;
        else if (!quoted)
            if (const qsizetype which = separators().indexOf(c); which >= 0)
                ++counts[which];
    }
    return counts;
}

Result<ImportTable> parseFrom(const QString& text, qsizetype start, QChar separator)
{
    RecordReader reader(text, start, separator);
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

} // namespace

const QList<QChar>& separators()
{
    static const QList<QChar> all{u',', u';', u'\t'};
    return all;
}

QChar detectSeparator(QStringView text)
{
    if (const auto named = separatorLine(text))
        return named->first;
    const QList<qsizetype> counts = separatorCounts(text);
    // The first of the most frequent, so a tie or a line without any stays with the comma.
    return separators()[std::max_element(counts.begin(), counts.end()) - counts.begin()];
}

Result<ImportTable> parse(const QString& text, QChar separator)
{
    const auto named = separatorLine(text);
    return parseFrom(text, named ? named->second : 0, separator);
}

Result<Reading> readBytes(QByteArray bytes, const Format& format)
{
    Reading reading;
    QString text;
    if (format.encoding) {
        auto decoded = TextDecoding::decodeAs(bytes, *format.encoding);
        if (!decoded)
            return decoded.error();
        text = std::move(decoded).value();
        reading.encoding = *format.encoding;
    } else {
        auto decoded = TextDecoding::decodeDetecting(bytes);
        if (!decoded)
            return decoded.error();
        text = std::move(decoded.value().text);
        reading.encoding = decoded.value().encoding;
    }
    bytes = QByteArray();
    reading.separator = format.separator.value_or(detectSeparator(text));
    auto table = parse(text, reading.separator);
    if (!table)
        return table.error();
    reading.table = std::move(table).value();
    return reading;
}

Result<Reading> readPath(const QString& path, const Format& format)
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
    return readBytes(std::move(bytes), format);
}

Result<ImportTable> fromBytes(QByteArray bytes, const Format& format)
{
    auto reading = readBytes(std::move(bytes), format);
    if (!reading)
        return reading.error();
    return std::move(reading.value().table);
}

Result<ImportTable> readFile(const QString& path, const Format& format)
{
    auto reading = readPath(path, format);
    if (!reading)
        return reading.error();
    return std::move(reading.value().table);
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
