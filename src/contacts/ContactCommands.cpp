// SPDX-License-Identifier: GPL-3.0-or-later
#include "ContactCommands.h"

#include "db/Database.h"

#include <QSqlError>
#include <QStringList>

#include <algorithm>
#include <span>

namespace {

// IDs per statement: one statement per contact costs a prepare each, and
// SQLite takes up to 32766 bound values; a few hundred keep the text short.
constexpr std::size_t batchSize = 500;

QString placeholders(std::size_t count)
{
    QStringList marks;
    marks.reserve(qsizetype(count));
    for (std::size_t i = 0; i < count; ++i)
        marks << QStringLiteral("?");
    return marks.join(u',');
}

// Runs statementHead + "(?,?,...)" over the IDs, batch by batch, with
// leading bound before the IDs of each batch.
Status runInBatches(const Database& db, const QString& statementHead,
                    const std::vector<qint64>& ids, const QVariantList& leading = {})
{
    for (std::size_t start = 0; start < ids.size(); start += batchSize) {
        const std::span<const qint64> batch(ids.data() + start,
                                            std::min(batchSize, ids.size() - start));
        QVariantList values = leading;
        values.reserve(values.size() + qsizetype(batch.size()));
        for (qint64 id : batch)
            values << id;
        if (Status done = db.exec(statementHead + u'(' + placeholders(batch.size()) + u')', values);
            !done)
            return done;
    }
    return {};
}

} // namespace

Status ContactCommands::deleteContacts(const Database& db, const std::vector<qint64>& contactIds)
{
    if (contactIds.empty())
        return {};
    return db.transaction([&]() -> Status {
        // Attachments and history first: nothing else reaches them once the
        // contact is gone.
        if (Status files = runInBatches(
                db, QStringLiteral("DELETE FROM Vardelin_Files WHERE CID IN "), contactIds);
            !files)
            return files;
        if (Status history = runInBatches(
                db, QStringLiteral("DELETE FROM Vardelin_History WHERE CID IN "), contactIds);
            !history)
            return history;
        return runInBatches(db, QStringLiteral("DELETE FROM Vardelin_Contact WHERE ID IN "),
                            contactIds);
    });
}

Result<bool> ContactCommands::moveContacts(const Database& db,
                                           const std::vector<qint64>& contactIds, qint64 groupId)
{
    bool groupExists = false;
    const Status moved = db.transaction([&]() -> Status {
        auto found =
            db.query(QStringLiteral("SELECT 1 FROM Vardelin_Type WHERE ID = ?"), {groupId});
        if (!found)
            return found.error();
        groupExists = found.value().next();
        if (Status ended = db.finished(found.value()); !groupExists && !ended)
            return ended.error();
        if (!groupExists || contactIds.empty())
            return {};
        return runInBatches(db, QStringLiteral("UPDATE Vardelin_Contact SET TID = ? WHERE ID IN "),
                            contactIds, {groupId});
    });
    if (!moved)
        return moved.error();
    return groupExists;
}
