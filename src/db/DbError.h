// SPDX-License-Identifier: GPL-3.0-or-later
// An error from the database layer, as the windows report it.
#pragma once

#include <QString>

class QSqlError;

struct DbError {
    // The number shown after "错误" in the error box: SQLite's result code where
    // there is one, so a user's report names the cause.
    int number = 0;
    QString description;
    // The user has been told already, in a notice of its own (a damaged or replaced
    // file): the error box shows nothing, so one cause is told once, not at every command.
    bool told = false;

    static DbError fromSql(const QSqlError& error);
    // From an SQLite result code (primary or extended), in the program's own words for the
    // codes users meet; the library's text only for the rare rest.
    static DbError fromSqlite(int code, const QString& driverText);
    static DbError cannotOpen(const QString& path);
    // A write refused because the file was found damaged.
    static DbError damaged();
    // A write refused because another program put a new file where the open one was (a
    // restore from a backup): the connection still holds the old, removed one.
    static DbError replaced();
    // A file stamped with a layout newer than this program reads: sound, only not ours to open.
    static DbError newerProgram();
    // Text holding U+0000, which a server cannot store.
    static DbError nulOnServer(const QString& text);
    // The same cause in the same words, whether told already or not.
    bool operator==(const DbError& other) const
    {
        return number == other.number && description == other.description;
    }
};

// SQLite primary result codes the program reports in words of its own.
namespace SqliteCode {
inline constexpr int Error = 1;
inline constexpr int Permission = 3;
inline constexpr int Busy = 5;
inline constexpr int Locked = 6;
inline constexpr int NoMemory = 7;
inline constexpr int ReadOnly = 8;
inline constexpr int IoError = 10;
inline constexpr int Corrupt = 11;
inline constexpr int Full = 13;
inline constexpr int CantOpen = 14;
inline constexpr int TooBig = 18;
inline constexpr int Misuse = 21;
inline constexpr int Auth = 23; // a server's password is wanted
inline constexpr int NotADatabase = 26;
} // namespace SqliteCode
