// SPDX-License-Identifier: GPL-3.0-or-later
// Timing, memory and table helpers shared by the benchmark programs.
#pragma once

#include <QString>
#include <QStringList>
#include <QVariantList>

#include <functional>
#include <optional>
#include <vector>

class Database;
struct sqlite3;

namespace Bench {

// Wall-clock milliseconds one call of work takes.
double elapsedMs(const std::function<void()>& work);
double median(std::vector<double> samples);
// The peak resident memory of this process so far, in MiB.
double peakRssMiB();

struct Medians {
    double ours = 0;
    double floor = 0;
};

// Runs ours and floor once each to warm up, then runs times each, alternating,
// and returns the medians. afterOurs runs untimed after every call of ours, to
// free what ours produced.
Medians compare(int runs, const std::function<void()>& ours, const std::function<void()>& floor,
                const std::function<void()>& afterOurs = {});

// One row of the results table: measurement | N | ours | floor | ratio. Without
// a floor, its cell and the ratio are dashes.
void printRow(const QString& measurement, qint64 n, double ours,
              std::optional<double> floor = std::nullopt);

// Stops the program with a message on standard error.
[[noreturn]] void fail(const QString& message);

// The command line of a program measuring a generated address book:
// <database> [--runs n] [--flag ...]. Without an existing database file it stops with
// "usage: <program> <database> [--runs n]" and the note.
struct Arguments {
    QString path;
    int runs = 0; // 0: the program's own choice
    QStringList flags;
};
Arguments databaseArguments(const QString& program, const QString& note);

// Opens the address book or stops the program.
void open(Database& db, const QString& path);
// The first column of the first row; stops the program when there is none.
QVariant scalar(const Database& db, const QString& sql, const QVariantList& values = {});

} // namespace Bench

// A bare SQLite connection that reads a statement's rows with nothing in
// between: the least any program can pay for them.
class SqliteReader {
public:
    explicit SqliteReader(const QString& path);
    ~SqliteReader();
    SqliteReader(const SqliteReader&) = delete;
    SqliteReader& operator=(const SqliteReader&) = delete;

    // Prepares sql, binds values in order (integers and texts), steps through
    // every row and reads each column with sqlite3_column_text. Returns the
    // number of rows; stops the program on an error.
    qint64 readAll(const QString& sql, const QVariantList& values);

    // The bytes of text read so far; keeps the reads from being optimised away.
    quint64 bytesRead() const { return m_bytesRead; }

private:
    [[noreturn]] void failWithError(const QString& what) const;

    sqlite3* m_db = nullptr;
    quint64 m_bytesRead = 0;
};
