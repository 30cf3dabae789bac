// SPDX-License-Identifier: GPL-3.0-or-later
// The named pictures stored with a contact, each a picture bag in a row of its own.
#pragma once

#include "db/Result.h"

#include <QByteArray>
#include <QString>

#include <optional>
#include <vector>

class Database;

namespace StoredPictures {

struct Entry {
    qint64 id = 0;
    QString name;
};

// The contact's pictures in the order they were added; their bytes are not read.
Result<std::vector<Entry>> list(const Database& db, qint64 contactId);

// The picture file's bytes, read whole: pictures are decoded from memory. A missing,
// unreadable or oversized file is an error.
Result<QByteArray> readPictureFile(const QString& path);
inline constexpr qint64 largestPictureBytes = 32 * 1024 * 1024;

// Stores the picture's bytes as a picture bag under the name; gives the new row's ID, or none
// when the contact is no longer there (nothing is written then).
Result<std::optional<qint64>> add(const Database& db, qint64 contactId, const QString& name,
                                  const QByteArray& pictureBytes);

enum class Shown { Picture, RowVanished, NotABag };
struct Stored {
    Shown shown = Shown::Picture;
    QByteArray pictureBytes; // for Picture: the picture file's bytes out of the bag
};
// The picture of the row, or why there is none to show.
Result<Stored> picture(const Database& db, qint64 pictureId);

// False when the row was deleted meanwhile and nothing was renamed.
Result<bool> rename(const Database& db, qint64 pictureId, const QString& name);
Status remove(const Database& db, qint64 pictureId);

// The numbers the error box shows when a picture cannot be used or found.
inline constexpr int fileUnreadableNumber = 75;
inline constexpr int notAPictureNumber = 481;
inline constexpr int rowVanishedNumber = 3021;

} // namespace StoredPictures
