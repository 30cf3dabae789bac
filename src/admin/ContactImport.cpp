// SPDX-License-Identifier: GPL-3.0-or-later
#include "ContactImport.h"

#include "contacts/PinyinInitial.h"
#include "contacts/SearchIndex.h"
#include "db/ContactFields.h"
#include "db/Database.h"
#include "db/PictureBag.h"
#include "db/RowStatement.h"

#include "db/SearchTable.h"

#include <algorithm>
#include <optional>

namespace {

const QString nameColumn = QStringLiteral("Name");
const QString pyColumn = QStringLiteral("Py");
const QString addDateColumn = QStringLiteral("AddDate");
const QString photoColumn = QStringLiteral("Photo");
const QString remarkColumn = QStringLiteral("Remark");

const ContactField* fieldNamed(const QString& column)
{
    for (const ContactField& field : ContactFields::all)
        if (field.name == column)
            return &field;
    return nullptr;
}

// The columns a row may fill itself: UID, TID and Py are the import's own.
bool isFillable(const ContactField& field)
{
    return field.kind != ContactField::Kind::Identifier && field.name != pyColumn;
}

const QStringList telephoneColumns{QStringLiteral("Tel1"),    QStringLiteral("Tel2"),
                                   QStringLiteral("Tel3"),    QStringLiteral("Moblie1"),
                                   QStringLiteral("Moblie2"), QStringLiteral("Moblie3")};

// Adds contacts over a fixed list of columns, each with its whole search row, both statements
// prepared once: an import writes thousands. Runs inside SearchTable::withoutInsertTrigger.
class ContactWriter {
public:
    static Result<ContactWriter> prepare(const Database& db, const QStringList& columns)
    {
        const QStringList marks(columns.size(), QStringLiteral("?"));
        auto contact = RowStatements::prepare(
            db,
            QStringLiteral("INSERT INTO Vardelin_Contact (") + columns.join(u',') +
                QStringLiteral(") VALUES (") + marks.join(u',') + u')',
            {});
        if (!contact)
            return contact.error();
        auto search = RowStatements::prepare(db, SearchTable::wholeRowStatement(db.backend()), {});
        if (!search)
            return search.error();
        return ContactWriter(std::move(contact.value()), std::move(search.value()), columns);
    }

    Status add(const QVariantList& values)
    {
        return std::visit(
            [&](auto& contact, auto& search) -> Status {
                if (Status written = contact.runWith(values); !written)
                    return written;
                const qint64 id = contact.lastInsertId();
                QStringList telephones;
                for (qsizetype at : m_telephoneAt)
                    telephones << (at < 0 ? QString() : values.at(at).toString());
                const QString name = m_nameAt < 0 ? QString() : values.at(m_nameAt).toString();
                const SearchIndex::Computed computed = SearchIndex::computedFor(name, telephones);
                return search.runWith({computed.spelling, computed.initials, computed.digits, id});
            },
            m_contact, m_search);
    }

private:
    ContactWriter(RowStatement contact, RowStatement search, const QStringList& columns)
        : m_contact(std::move(contact))
        , m_search(std::move(search))
        , m_nameAt(columns.indexOf(nameColumn))
    {
        for (const QString& telephone : telephoneColumns)
            m_telephoneAt.append(columns.indexOf(telephone));
    }

    RowStatement m_contact;
    RowStatement m_search;
    qsizetype m_nameAt;
    QList<qsizetype> m_telephoneAt;
};

// All contacts in one transaction; addAll gets the writer and adds them.
Status writeContacts(const Database& db, const QStringList& columns,
                     const std::function<Status(ContactWriter&)>& addAll)
{
    return db.bulkTransaction([&]() -> Status {
        return SearchTable::withoutInsertTrigger(db, [&]() -> Status {
            auto writer = ContactWriter::prepare(db, columns);
            if (!writer)
                return writer.error();
            return addAll(writer.value());
        });
    });
}

// The caption the import grid shows for a contact column; the column's name when no list
// column names it (or the captions cannot be read: the message must still be told).
QString captionOf(const Database& db, const QString& column)
{
    auto targets = ImportMapping::targets(db);
    if (targets)
        for (const ImportTarget& target : targets.value())
            if (target.column == column && !target.alias.trimmed().isEmpty())
                return target.alias;
    return column;
}

DbError badValue(const Database& db, qsizetype row, const QString& column, const QString& cell)
{
    return importError(
        ImportErrorCode::BadValue,
        QStringLiteral("第%1行“%2”列的值不是日期：%3").arg(row).arg(captionOf(db, column), cell));
}

// A linked column, where its value comes from, and how the value is stored.
struct Source {
    QString column;
    qsizetype cell;
    ContactField::Kind kind;
};

Result<QList<Source>> sourcesOf(const ImportTable& table, const QList<ImportLink>& links)
{
    QList<Source> sources;
    QStringList taken;
    for (const ImportLink& link : links) {
        // Py always follows the imported name, so the letter tabs hold what the names say.
        if (link.source.isEmpty() || taken.contains(link.column) || link.column == pyColumn)
            continue;
        const ContactField* field = fieldNamed(link.column);
        if (!field || !isFillable(*field))
            return importError(ImportErrorCode::BadLayout,
                               QStringLiteral("联系人没有可导入的“%1”字段。").arg(link.column));
        const qsizetype cell = table.columnOf(link.source);
        if (cell < 0)
            return importError(ImportErrorCode::BadLayout,
                               QStringLiteral("文件中没有“%1”列。").arg(link.source));
        taken.append(link.column);
        sources.append({link.column, cell, field->kind});
    }
    return sources;
}

QVariant nullWhenEmpty(const QString& text)
{
    return text.isEmpty() ? QVariant(QMetaType::fromType<QString>()) : QVariant(text);
}

} // namespace

namespace ContactImport {

QString remarkOf(const VCardContact& card)
{
    const QString remark = card.value(remarkColumn);
    if (card.leftOver.isEmpty())
        return remark;
    const QString lineBreak =
        remark.contains(u'\r') ? QStringLiteral("\r\n") : QStringLiteral("\n");
    const QString lines = card.leftOver.join(lineBreak);
    return remark.isEmpty() ? lines : remark + lineBreak + lines;
}

namespace {

// The cards named by their contact's name (or place in the file), at most ten of them: a whole
// file of damaged photos must not make a message taller than the screen.
QString cardNames(const QList<VCardContact>& cards, bool (*picked)(const VCardContact&))
{
    constexpr qsizetype namesShown = 10;
    QStringList names;
    qsizetype count = 0;
    for (qsizetype c = 0; c < cards.size(); ++c) {
        if (!picked(cards[c]))
            continue;
        if (++count <= namesShown) {
            const QString name = cards[c].value(nameColumn);
            names.append(name.isEmpty() ? QStringLiteral("第%1张名片").arg(c + 1) : name);
        }
    }
    if (count > namesShown)
        return names.join(QStringLiteral("、")) + QStringLiteral(" 等%1张名片").arg(count);
    return names.join(QStringLiteral("、"));
}

} // namespace

QString cardsNotice(const QList<VCardContact>& cards)
{
    const auto withLines = std::count_if(cards.begin(), cards.end(), [](const VCardContact& card) {
        return !card.leftOver.isEmpty();
    });
    QStringList notice;
    if (withLines > 0)
        notice.append(QStringLiteral("%1位联系人的电话、邮箱、网址或地址等多于可存放的栏目，"
                                     "已逐行写入其“备注”。")
                          .arg(withLines));
    const QString withoutPhoto =
        cardNames(cards, [](const VCardContact& card) { return card.photoUnreadable; });
    if (!withoutPhoto.isEmpty())
        notice.append(
            QStringLiteral("以下名片的照片无法读取，已不带照片导入：%1").arg(withoutPhoto));
    const QString withStrayBytes =
        cardNames(cards, [](const VCardContact& card) { return card.textDamaged; });
    if (!withStrayBytes.isEmpty())
        notice.append(
            QStringLiteral("以下名片含有无法识别的字符，已显示为“\uFFFD”：%1").arg(withStrayBytes));
    return notice.join(u'\n');
}

std::optional<QString> storedDate(const QString& cell)
{
    // Read by hand: QDate::fromString costs more than the row's insert, four forms over.
    const QStringView text = QStringView(cell).trimmed();
    const QChar separator = text.size() > 4 ? text.at(4) : QChar();
    if (separator != u'-' && separator != u'/' && separator != u'.')
        return std::nullopt;
    const auto parts = text.split(separator);
    if (parts.size() != 3 || parts[0].size() != 4 || parts[1].isEmpty() || parts[1].size() > 2 ||
        parts[2].isEmpty() || parts[2].size() > 2)
        return std::nullopt;
    int numbers[3] = {};
    for (int p = 0; p < 3; ++p) {
        for (QChar digit : parts[p]) {
            if (digit < u'0' || digit > u'9')
                return std::nullopt;
            numbers[p] = numbers[p] * 10 + (digit.unicode() - u'0');
        }
    }
    const QDate date(numbers[0], numbers[1], numbers[2]);
    if (!date.isValid())
        return std::nullopt;
    return date.toString(Qt::ISODate);
}

Result<qsizetype> importTable(const Database& db, const ImportTable& table,
                              const QList<ImportLink>& links, const Owner& owner,
                              const Progress& progress)
{
    auto found = sourcesOf(table, links);
    if (!found)
        return found.error();
    const QList<Source>& sources = found.value();

    QStringList columns{QStringLiteral("UID"), QStringLiteral("TID"), pyColumn};
    qsizetype nameSource = -1;
    bool addDateLinked = false;
    for (const Source& source : sources) {
        if (source.column == nameColumn)
            nameSource = source.cell;
        addDateLinked = addDateLinked || source.column == addDateColumn;
        columns.append(source.column);
    }
    if (!addDateLinked)
        columns.append(addDateColumn);
    const QString today = owner.today.toString(Qt::ISODate);

    const qsizetype total = table.rows.size();
    Status written = writeContacts(db, columns, [&](ContactWriter& writer) -> Status {
        QVariantList values;
        values.reserve(columns.size());
        for (qsizetype r = 0; r < total; ++r) {
            const QStringList& row = table.rows.at(r);
            const QString name = nameSource >= 0 ? row.at(nameSource) : QString();
            values = {owner.userId, importGroupId, pinyinInitial(name)};
            for (const Source& source : sources) {
                const QString& cell = row.at(source.cell);
                if (source.kind == ContactField::Kind::Date && !cell.trimmed().isEmpty()) {
                    const auto date = storedDate(cell);
                    // The file's first row holds the names, so data row r is line r + 2.
                    if (!date)
                        return badValue(db, r + 2, source.column, cell);
                    values.append(*date);
                } else {
                    values.append(nullWhenEmpty(cell));
                }
            }
            if (!addDateLinked)
                values.append(today);
            if (Status done = writer.add(values); !done)
                return done;
            if (progress)
                progress(r + 1, total);
        }
        return {};
    });
    if (!written)
        return written.error();
    return total;
}

Result<qsizetype> importCards(const Database& db, const QList<VCardContact>& cards,
                              const Owner& owner, const Progress& progress)
{
    QStringList cardColumns;
    for (const ContactField& field : ContactFields::all)
        if (isFillable(field) && field.kind != ContactField::Kind::Binary)
            cardColumns.append(QString(field.name));
    QStringList columns{QStringLiteral("UID"), QStringLiteral("TID"), pyColumn, photoColumn};
    columns += cardColumns;
    const QString today = owner.today.toString(Qt::ISODate);

    const qsizetype total = cards.size();
    Status written = writeContacts(db, columns, [&](ContactWriter& writer) -> Status {
        for (qsizetype c = 0; c < total; ++c) {
            const VCardContact& card = cards.at(c);
            QVariantList values{owner.userId, importGroupId, pinyinInitial(card.value(nameColumn)),
                                card.photo.isEmpty() ? QVariant(QMetaType::fromType<QByteArray>())
                                                     : QVariant(PictureBag::ofPicture(card.photo))};
            for (const QString& column : cardColumns) {
                const QString value = column == remarkColumn ? remarkOf(card) : card.value(column);
                values.append(column == addDateColumn && value.isEmpty() ? QVariant(today)
                                                                         : nullWhenEmpty(value));
            }
            if (Status done = writer.add(values); !done)
                return done;
            if (progress)
                progress(c + 1, total);
        }
        return {};
    });
    if (!written)
        return written.error();
    return total;
}

} // namespace ContactImport
