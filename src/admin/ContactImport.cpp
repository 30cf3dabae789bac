// SPDX-License-Identifier: GPL-3.0-or-later
#include "ContactImport.h"

#include "card/PictureBag.h"
#include "contacts/PinyinInitial.h"
#include "contacts/SearchIndex.h"
#include "db/ContactFields.h"
#include "db/Database.h"

#include <QSqlError>
#include <QSqlQuery>

#include <optional>

namespace {

const QString nameColumn = QStringLiteral("Name");
const QString pyColumn = QStringLiteral("Py");
const QString addDateColumn = QStringLiteral("AddDate");
const QString photoColumn = QStringLiteral("Photo");

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

// One prepared INSERT over a fixed list of columns, run once per contact.
class ContactInsert {
public:
    ContactInsert(const Database& db, const QStringList& columns)
        : m_db(db)
        , m_query(db.connection())
    {
        QStringList marks(columns.size(), QStringLiteral("?"));
        m_sql = QStringLiteral("INSERT INTO Vardelin_Contact (") + columns.join(u',') +
                QStringLiteral(") VALUES (") + marks.join(u',') + u')';
        m_query.setForwardOnly(true);
    }

    Status prepare()
    {
        if (!m_query.prepare(m_sql))
            return failure();
        return {};
    }

    Status insert(const QVariantList& values)
    {
        for (qsizetype i = 0; i < values.size(); ++i)
            m_query.bindValue(int(i), values.at(i));
        if (!m_query.exec())
            return failure();
        return {};
    }

private:
    DbError failure() const
    {
        const DbError error = DbError::fromSql(m_query.lastError());
        m_db.noteFailure(error);
        return error;
    }

    const Database& m_db;
    QSqlQuery m_query;
    QString m_sql;
};

DbError badValue(qsizetype row, const QString& column, const QString& cell)
{
    return importError(ImportErrorCode::BadValue,
                       QStringLiteral("第%1行“%2”列的值不是日期：%3").arg(row).arg(column, cell));
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

std::optional<QString> storedDate(const QString& cell)
{
    const QString text = cell.trimmed();
    for (const QString& format : {QStringLiteral("yyyy-MM-dd"), QStringLiteral("yyyy-M-d"),
                                  QStringLiteral("yyyy/M/d"), QStringLiteral("yyyy.M.d")}) {
        const QDate date = QDate::fromString(text, format);
        if (date.isValid())
            return date.toString(Qt::ISODate);
    }
    return std::nullopt;
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
    Status written = db.transaction([&]() -> Status {
        ContactInsert insert(db, columns);
        if (Status prepared = insert.prepare(); !prepared)
            return prepared;
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
                        return badValue(r + 2, source.column, cell);
                    values.append(*date);
                } else {
                    values.append(nullWhenEmpty(cell));
                }
            }
            if (!addDateLinked)
                values.append(today);
            if (Status done = insert.insert(values); !done)
                return done;
            if (progress)
                progress(r + 1, total);
        }
        return SearchIndex::refresh(db);
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
    Status written = db.transaction([&]() -> Status {
        ContactInsert insert(db, columns);
        if (Status prepared = insert.prepare(); !prepared)
            return prepared;
        for (qsizetype c = 0; c < total; ++c) {
            const VCardContact& card = cards.at(c);
            QVariantList values{owner.userId, importGroupId, pinyinInitial(card.value(nameColumn)),
                                card.photo.isEmpty() ? QVariant(QMetaType::fromType<QByteArray>())
                                                     : QVariant(PictureBag::ofPicture(card.photo))};
            for (const QString& column : cardColumns) {
                const QString value = card.value(column);
                values.append(column == addDateColumn && value.isEmpty() ? QVariant(today)
                                                                         : nullWhenEmpty(value));
            }
            if (Status done = insert.insert(values); !done)
                return done;
            if (progress)
                progress(c + 1, total);
        }
        return SearchIndex::refresh(db);
    });
    if (!written)
        return written.error();
    return total;
}

} // namespace ContactImport
