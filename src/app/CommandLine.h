// SPDX-License-Identifier: GPL-3.0-or-later
// The command line of the program: its options, and the address book a start opens.
#pragma once

#include "db/Result.h"

#include <QString>

#include <memory>

class QCommandLineParser;
class QSettings;

namespace CommandLine {

// What the user asked for, as typed; empty where an option was not given.
struct Request {
    QString newBook;
    QString database;
    // --copy FROM TO: the address book copied, and where to; no window is shown.
    QString copyFrom;
    QString copyTo;
};

// Adds --new, --database and --copy (and --help) to parser.
void addOptions(QCommandLineParser& parser);
// The request in a parser that has processed the command line.
Request requestOf(const QCommandLineParser& parser);

// The address book to start on: a new, empty one written at --new (never over a file that is
// there), the existing file or the server database (postgresql://…, postgres://…) of
// --database, otherwise the server database last opened on this computer (rememberedServer),
// otherwise DB.xml beside the program or in the user's data folder. Paths are taken as typed,
// against the current folder.
Result<QString> databasePath(const Request& request, const QString& programFolder,
                             const QString& dataFolder, const QString& rememberedServer = {});

// Runs --copy: the line to print when the copy has been made and checked, or why not. Paths
// are taken as typed, against the current folder; a URL names a server database.
Result<QString> copyBook(const Request& request);

// The user's own settings on this computer, where the last server database is kept.
std::unique_ptr<QSettings> userSettings();
// The server database a start without options opens again; empty when there is none.
QString rememberedServer(const QSettings& settings);
// Called with each address book the program has opened: a server database is kept (without a
// password typed into its URL), so the menu entry opens it again; a file puts the default back.
void noteOpened(QSettings& settings, const QString& location);
// The colours the main window of the address book at location last closed in, when its start
// needed no login; empty otherwise. The next start makes its window in them from the outset.
QString rememberedColour(const QSettings& settings, const QString& location);
// Keeps the colours for the address book's next start; empty (a start through the login, whose
// account decides) forgets them.
void noteColour(QSettings& settings, const QString& location, const QString& colour);

} // namespace CommandLine
