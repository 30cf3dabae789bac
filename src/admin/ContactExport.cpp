// SPDX-License-Identifier: GPL-3.0-or-later
// Writing the contacts an account may see to an .xlsx workbook, a CSV file or a vCard file.
#include "ContactExport.h"

#include "admin/CsvTable.h"
#include "admin/ImportMapping.h"
#include "admin/ImportTable.h"
#include "admin/VCard.h"
#include "admin/XlsxExport.h"
#include "db/BookIdentity.h"
#include "db/Database.h"
#include "db/PictureBag.h"
#include "db/RowStatement.h"
#include "db/Session.h"

#include <QFileInfo>
#include <QHash>
#include <QSaveFile>
#include <QSet>
#include <QTemporaryDir>

#include <string_view>
#include <vector>

namespace ContactExport {

namespace {

const QString photoColumn = QStringLiteral("Photo");

// Identifiers have no list column; their headers are ours.
QString identifierCaption(QLatin1StringView column)
{
    if (column == QLatin1StringView("ID"))
        return QStringLiteral("编号");
    if (column == QLatin1StringView("UID"))
        return QStringLiteral("用户编号");
    return QStringLiteral("分组编号");
}

DbError cannotWrite(const QString& path, const QString& why)
{
    return importError(ImportErrorCode::CannotWrite,
                       QStringLiteral("无法写入文件“%1”：%2").arg(path, why));
}

// The contacts' rows in ID order, stepped forward only and handed out a batch at a time.
class ContactRows {
public:
    ContactRows(const Database& db, qint64 userId, const QStringList& columns)
        : m_db(db)
        , m_userId(userId)
        , m_columns(columns)
    {
    }

    Result<qsizetype> count() const
    {
        auto row = m_db.readOne(QStringLiteral("SELECT COUNT(*) FROM Vardelin_Contact") + filter(),
                                filterValues());
        if (!row)
            return row.error();
        return row.value() ? row.value()->value(0).toLongLong() : 0;
    }

    Status start()
    {
        auto statement = RowStatements::prepare(m_db,
                                                QStringLiteral("SELECT ") + m_columns.join(u',') +
                                                    QStringLiteral(" FROM Vardelin_Contact") +
                                                    filter() + QStringLiteral(" ORDER BY ID"),
                                                filterValues());
        if (!statement)
            return statement.error();
        m_statement.emplace(std::move(statement.value()));
        return {};
    }

    // The next row's values as UTF-8 (a blob's own bytes), valid until the following call;
    // false at the end or on an error (finished()). Read straight off the statement: at
    // 100,000 rows of 46 columns, Qt's value conversions would cost more than the writing.
    bool next(std::vector<std::string_view>& values)
    {
        return std::visit(
            [&](auto& statement) {
                if (!statement.step())
                    return false;
                values.resize(std::size_t(m_columns.size()));
                for (int i = 0; i < int(m_columns.size()); ++i)
                    values[std::size_t(i)] = statement.text(i);
                return true;
            },
            *m_statement);
    }

    Status finished() const
    {
        return std::visit([](const auto& statement) { return statement.error(); }, *m_statement);
    }

private:
    bool everyContact() const { return m_userId == Session::administratorId; }
    QString filter() const { return everyContact() ? QString() : QStringLiteral(" WHERE UID = ?"); }
    QVariantList filterValues() const
    {
        return everyContact() ? QVariantList() : QVariantList{m_userId};
    }

    const Database& m_db;
    qint64 m_userId;
    QStringList m_columns;
    std::optional<RowStatement> m_statement;
};

// What each format does with a row; the shared loop reads the rows and tells the progress.
class RowSink {
public:
    virtual ~RowSink() = default;
    virtual Status header(const QList<Column>& columns) = 0;
    virtual Status row(const std::vector<std::string_view>& values) = 0;
    virtual Status finish() = 0;
};

QString textOf(std::string_view utf8)
{
    return QString::fromUtf8(utf8.data(), qsizetype(utf8.size()));
}

QStringList captionsOf(const QList<Column>& columns)
{
    QStringList captions;
    for (const Column& column : columns)
        captions.append(column.caption);
    return captions;
}

// UTF-8 with a BOM and CRLF, as CsvTable writes; the cells are quoted as bytes, since the
// texts come from the database as UTF-8 already.
class CsvSink : public RowSink {
public:
    explicit CsvSink(QSaveFile& file)
        : m_file(file)
    {
    }
    Status header(const QList<Column>& columns) override
    {
        m_buffer = "\xEF\xBB\xBF";
        const QStringList captions = captionsOf(columns);
        for (qsizetype i = 0; i < captions.size(); ++i) {
            if (i > 0)
                m_buffer += ',';
            m_buffer += CsvTable::quoted(captions[i]).toUtf8();
        }
        m_buffer += "\r\n";
        return {};
    }
    Status row(const std::vector<std::string_view>& values) override
    {
        for (std::size_t i = 0; i < values.size(); ++i) {
            if (i > 0)
                m_buffer += ',';
            appendField(values[i]);
        }
        m_buffer += "\r\n";
        return m_buffer.size() >= flushBytes ? flush() : Status{};
    }
    Status finish() override { return flush(); }

private:
    static constexpr qsizetype flushBytes = 1 << 20;

    void appendField(std::string_view cell)
    {
        if (cell.find_first_of(",\"\r\n") == std::string_view::npos) {
            m_buffer.append(cell.data(), qsizetype(cell.size()));
            return;
        }
        m_buffer += '"';
        for (const char c : cell) {
            if (c == '"')
                m_buffer += '"';
            m_buffer += c;
        }
        m_buffer += '"';
    }
    Status flush()
    {
        if (m_file.write(m_buffer) != m_buffer.size())
            return cannotWrite(m_file.fileName(), m_file.errorString());
        m_buffer.clear();
        return {};
    }

    QSaveFile& m_file;
    QByteArray m_buffer;
};

// Built in a folder of its own, then copied into the save file, which alone touches the target.
class XlsxSink : public RowSink {
public:
    explicit XlsxSink(QSaveFile& file)
        : m_file(file)
    {
    }
    Status header(const QList<Column>& columns) override
    {
        if (!m_dir.isValid())
            return cannotWrite(m_file.fileName(), m_dir.errorString());
        if (Status opened = m_workbook.open(m_dir.filePath(QStringLiteral("export.xlsx"))); !opened)
            return opened;
        return m_workbook.writeRow(captionsOf(columns));
    }
    Status row(const std::vector<std::string_view>& values) override
    {
        return m_workbook.writeRow(values);
    }
    Status finish() override
    {
        if (Status finished = m_workbook.finish(); !finished)
            return finished;
        QFile built(m_dir.filePath(QStringLiteral("export.xlsx")));
        if (!built.open(QIODevice::ReadOnly))
            return cannotWrite(m_file.fileName(), built.errorString());
        constexpr qint64 chunk = 1 << 20;
        while (!built.atEnd()) {
            const QByteArray bytes = built.read(chunk);
            if (bytes.isEmpty() && built.error() != QFileDevice::NoError)
                return cannotWrite(m_file.fileName(), built.errorString());
            if (m_file.write(bytes) != bytes.size())
                return cannotWrite(m_file.fileName(), m_file.errorString());
        }
        return {};
    }

private:
    QSaveFile& m_file;
    QTemporaryDir m_dir;
    XlsxExport m_workbook;
};

// Every column but the identifiers goes onto the card; the photo is the picture's own bytes.
// The card's UID comes from the book's identity and the contact's ID, so a contact exported
// again updates its earlier copy in another address book instead of doubling it.
class VCardSink : public RowSink {
public:
    VCardSink(QSaveFile& file, const QUuid& book)
        : m_file(file)
        , m_book(book)
    {
    }
    Status header(const QList<Column>& columns) override
    {
        m_names.clear();
        for (const Column& column : columns)
            m_names.append(column.name);
        return {};
    }
    Status row(const std::vector<std::string_view>& values) override
    {
        VCardContact card;
        for (qsizetype i = 0; i < m_names.size(); ++i) {
            const std::string_view value = values[std::size_t(i)];
            if (m_names[i] == u"ID")
                card.uid = BookIdentity::contactUid(m_book, textOf(value).toLongLong());
            else if (!value.empty() && !isIdentifier(m_names[i]))
                card.columns.insert(m_names[i], textOf(value));
        }
        // A photo the card could not show either is left out rather than written as garbage.
        const std::string_view photo = values[std::size_t(m_names.size())];
        const QByteArray stored(photo.data(), qsizetype(photo.size()));
        if (!stored.isEmpty())
            card.photo = PictureBag::pictureOf(stored).value_or(QByteArray());
        const QByteArray bytes = VCard::write(card);
        if (m_file.write(bytes) != bytes.size())
            return cannotWrite(m_file.fileName(), m_file.errorString());
        return {};
    }
    Status finish() override { return {}; }

private:
    static bool isIdentifier(const QString& name)
    {
        return name == u"ID" || name == u"UID" || name == u"TID";
    }

    QSaveFile& m_file;
    QUuid m_book;
    QStringList m_names;
};

std::unique_ptr<RowSink> sinkFor(Format format, QSaveFile& file, const QUuid& book)
{
    switch (format) {
    case Format::Csv:
        return std::make_unique<CsvSink>(file);
    case Format::VCard:
        return std::make_unique<VCardSink>(file, book);
    case Format::Xlsx:
        break;
    }
    return std::make_unique<XlsxSink>(file);
}

Result<qsizetype> writeRows(const Database& db, qint64 userId, const QList<Column>& columns,
                            RowSink& sink, bool withPhoto, const Progress& progress)
{
    QStringList names;
    for (const Column& column : columns)
        names.append(column.name);
    if (withPhoto)
        names.append(photoColumn);
    ContactRows rows(db, userId, names);
    auto total = rows.count();
    if (!total)
        return total.error();
    if (Status started = rows.start(); !started)
        return started.error();
    if (Status headed = sink.header(columns); !headed)
        return headed.error();
    qsizetype done = 0;
    std::vector<std::string_view> values;
    while (rows.next(values)) {
        if (Status written = sink.row(values); !written)
            return written.error();
        if (++done % batchRows == 0 && progress)
            progress(done, std::max(done, total.value()));
    }
    if (Status finished = rows.finished(); !finished)
        return finished.error();
    if (progress)
        progress(done, done);
    if (Status finished = sink.finish(); !finished)
        return finished.error();
    return done;
}

} // namespace

std::optional<Format> formatOf(const QString& path)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == u"xlsx")
        return Format::Xlsx;
    if (suffix == u"csv")
        return Format::Csv;
    if (suffix == u"vcf" || suffix == u"vcard")
        return Format::VCard;
    return std::nullopt;
}

QString fileFilter()
{
    return QStringLiteral("Excel 2007 工作簿 (*.xlsx);;CSV 文件 (*.csv);;vCard 文件 (*.vcf)");
}

Result<QList<Column>> tabularColumns(const Database& db)
{
    auto targets = ImportMapping::targets(db);
    if (!targets)
        return targets.error();
    QHash<QString, QString> aliases;
    for (const ImportTarget& target : targets.value())
        if (!aliases.contains(target.column))
            aliases.insert(target.column, target.alias);

    QList<Column> columns;
    QSet<QString> captionsTaken;
    for (const ContactField& field : ContactFields::all) {
        if (field.kind == ContactField::Kind::Binary)
            continue;
        const QString name(field.name);
        QString caption = field.kind == ContactField::Kind::Identifier
                              ? identifierCaption(field.name)
                              : aliases.value(name, QString::fromUtf16(field.caption));
        if (caption.trimmed().isEmpty() || captionsTaken.contains(caption))
            caption = caption.trimmed().isEmpty() ? name : caption + u'(' + name + u')';
        captionsTaken.insert(caption);
        columns.append({name, caption});
    }
    return columns;
}

Result<qsizetype> writeFile(const Database& db, qint64 userId, const QString& path, Format format,
                            const Progress& progress)
{
    auto columns = tabularColumns(db);
    if (!columns)
        return columns.error();
    auto book = format == Format::VCard ? BookIdentity::read(db) : Result<QUuid>(QUuid());
    if (!book)
        return book.error();
    QSaveFile file(path);
    // Opened first, so an unwritable folder is told before any row is read.
    if (!file.open(QIODevice::WriteOnly))
        return cannotWrite(path, file.errorString());
    const std::unique_ptr<RowSink> sink = sinkFor(format, file, book.value());
    auto written = writeRows(db, userId, columns.value(), *sink, format == Format::VCard, progress);
    if (!written) {
        file.cancelWriting();
        return written;
    }
    if (!file.commit())
        return cannotWrite(path, file.errorString());
    return written;
}

} // namespace ContactExport
