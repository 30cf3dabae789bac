// SPDX-License-Identifier: GPL-3.0-or-later
#include "IdBatches.h"

#include "db/Database.h"

#include <QStringList>

#include <algorithm>

QString IdBatches::placeholders(std::size_t count)
{
    QString marks(qsizetype(count) * 2 + 1, u',');
    marks[0] = u'(';
    for (std::size_t i = 0; i < count; ++i)
        marks[qsizetype(i) * 2 + 1] = u'?';
    marks.back() = u')';
    return marks;
}

Status
IdBatches::forEach(const std::vector<qint64>& ids,
                   const std::function<Status(const QString& marks, const QVariantList& ids)>& work)
{
    for (std::size_t start = 0; start < ids.size(); start += batchSize) {
        const std::size_t count = std::min(batchSize, ids.size() - start);
        QVariantList values;
        values.reserve(qsizetype(count));
        for (std::size_t i = start; i < start + count; ++i)
            values << ids[i];
        if (Status done = work(placeholders(count), values); !done)
            return done;
    }
    return {};
}

Status IdBatches::run(const Database& db, const QString& statementHead,
                      const std::vector<qint64>& ids, const QVariantList& leading)
{
    return forEach(ids, [&](const QString& marks, const QVariantList& batch) {
        return db.exec(statementHead + marks, leading + batch);
    });
}
