// SPDX-License-Identifier: GPL-3.0-or-later
// Statements over many contact IDs, a few hundred bound IDs at a time.
#pragma once

#include "db/Result.h"

#include <QString>
#include <QVariantList>

#include <functional>
#include <vector>

class Database;

namespace IdBatches {

// IDs per statement: one statement per contact costs a prepare each, and
// SQLite takes up to 32766 bound values; a few hundred keep the text short.
inline constexpr std::size_t batchSize = 500;

// "(?,?,...)" with count marks, for an IN list of count bound values.
QString placeholders(std::size_t count);

// Calls work once per batch of ids with the batch's "(?,?,...)" and its IDs as values,
// stopping at the first failure.
Status forEach(const std::vector<qint64>& ids,
               const std::function<Status(const QString& marks, const QVariantList& ids)>& work);

// Runs statementHead + "(?,?,...)" over the IDs, batch by batch, with leading bound before
// the IDs of each batch.
Status run(const Database& db, const QString& statementHead, const std::vector<qint64>& ids,
           const QVariantList& leading = {});

} // namespace IdBatches
