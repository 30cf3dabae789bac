// SPDX-License-Identifier: GPL-3.0-or-later
// How a program learns of a colleague's change to an address book on a server: every committed
// write to the contacts, the groups or the contact history sends a notification on one channel
// (triggers of ours beside the tables), naming the table and the contact or group it touched.
// What a program shows again for a set of such notifications is decided here; ChangeFeed
// receives them. A file has neither: SQLite sends no notifications.
#pragma once

#include "Result.h"

#include <QString>
#include <QStringList>

class Database;

namespace ChangeNotice {

// The channel the triggers notify and the programs listen on.
inline constexpr QLatin1StringView channel("vardelin_change");

// The triggers, for Schema to write on a server and to find missing there.
QStringList triggerNames();
// Writes the triggers (nothing on a file); run inside the caller's transaction.
Status createTriggers(const Database& db);

// What a window shows again after notifications.
struct Refresh {
    bool list = false;    // a contact was added, changed or deleted
    bool groups = false;  // a group was added, renamed, moved or deleted
    bool history = false; // the records of the contact whose history is shown changed
    bool operator==(const Refresh&) const = default;
};
// The refresh the payloads call for, shownContactId being the contact whose records the
// window shows (0: none). A payload this build does not read refreshes everything: a later
// build's notification is never lost.
Refresh refreshFor(const QStringList& payloads, qint64 shownContactId);

} // namespace ChangeNotice
