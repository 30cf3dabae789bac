// SPDX-License-Identifier: GPL-3.0-or-later
// The command line of the program: its options, and the address book a start opens.
#pragma once

#include "db/Result.h"

#include <QString>

class QCommandLineParser;

namespace CommandLine {

// What the user asked for, as typed; empty where an option was not given.
struct Request {
    QString newBook;
    QString database;
};

// Adds --new and --database (and --help) to parser.
void addOptions(QCommandLineParser& parser);
// The request in a parser that has processed the command line.
Request requestOf(const QCommandLineParser& parser);

// The address book to start on: a new, empty one written at --new (never over a file that is
// there), the existing file of --database, otherwise DB.xml beside the program or in the user's
// data folder. Paths are taken as typed, against the current folder.
Result<QString> databasePath(const Request& request, const QString& programFolder,
                             const QString& dataFolder);

} // namespace CommandLine
