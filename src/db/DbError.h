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

    static DbError fromSql(const QSqlError& error);
    // From an SQLite result code, with the library's own text for codes the
    // program has no words of its own for.
    static DbError fromSqlite(int code, const QString& driverText);
    static DbError cannotOpen(const QString& path);
    // A write refused because the file was found damaged.
    static DbError damaged();
    // A file stamped with a layout newer than this program reads: sound, only not ours to open.
    static DbError newerProgram();
    bool operator==(const DbError&) const = default;
};

// SQLite primary result codes the program reports in words of its own.
namespace SqliteCode {
inline constexpr int Error = 1;
inline constexpr int Busy = 5;
inline constexpr int Locked = 6;
inline constexpr int NoMemory = 7;
inline constexpr int ReadOnly = 8;
inline constexpr int IoError = 10;
inline constexpr int Corrupt = 11;
inline constexpr int Full = 13;
inline constexpr int CantOpen = 14;
inline constexpr int Misuse = 21;
inline constexpr int NotADatabase = 26;
} // namespace SqliteCode
