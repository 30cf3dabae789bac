// SPDX-License-Identifier: GPL-3.0-or-later
// The files attached to a contact: listed, added from disk, saved back out and deleted.
#pragma once

#include "db/BlobStream.h"
#include "db/Result.h"

#include <QDate>
#include <QLocale>
#include <QString>

#include <vector>

class Database;

namespace FileAttachments {

struct Row {
    qint64 id = 0;
    QString name;
    QString upDate; // "yyyy-MM-dd" as stored
    qint64 size = 0;
    QString ext;
};

// The contact's files, newest upload day first (the later added first within a day).
Result<std::vector<Row>> list(const Database& db, qint64 contactId);

// Bytes as kilobytes rounded to two decimals, a half to the even digit, without trailing
// zeros, unit or grouping: 1000 gives "0.98", 1024 gives "1".
QString sizeText(qint64 bytes, const QLocale& locale = QLocale());

// The extension of the path's file name, from its last "." on, dot included; empty for a name
// without one. A dot in a folder name, or the leading dot of a hidden file's name, is none.
QString extensionOf(const QString& path);
// The name the add proposes: the file's own name, which carries its extension.
QString proposedName(const QString& path);

struct AddRequest {
    qint64 contactId = 0;
    QString name;
    QString path;
    QDate today;
};

// Added: the row is there (id). Stopped: the progress said stop, nothing was written.
// contactVanished: the contact was deleted meanwhile (by another program), nothing was written.
struct Added {
    BlobStream::Moved moved = BlobStream::Moved::All;
    qint64 id = 0;
    bool contactVanished = false;
};

// Streams the file into a new row in one transaction. A file that cannot be read, is not a
// plain file, or is longer than the database holds is an error, and no row is left; nor is one
// for a contact no longer there.
Result<Added> add(const Database& db, const AddRequest& request,
                  const BlobStream::Progress& progress = {});

enum class SaveOutcome { Saved, Stopped, RowVanished };

// Writes the row's bytes to target through a temporary file beside it, renamed into place only
// when every byte is written: a failure or a stop leaves a file already there as it was.
Result<SaveOutcome> saveTo(const Database& db, qint64 fileId, const QString& target,
                           const BlobStream::Progress& progress = {});

// Deletes the rows in one transaction: all of them or, on an error, none.
Status remove(const Database& db, const std::vector<qint64>& fileIds);

// The numbers the error box shows for a file the add or save cannot use.
inline constexpr int tooLargeNumber = 18; // SQLite's "string or blob too big"
inline constexpr int rowVanishedNumber = 3021;

} // namespace FileAttachments
