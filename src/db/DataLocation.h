// SPDX-License-Identifier: GPL-3.0-or-later
// Where the address book and the icons are found, run from a build folder or installed.
#pragma once

#include "Result.h"

#include <QString>

namespace DataLocation {

// The DB.xml to open when none is named on the command line: beside the executable when
// programFolder is a folder this user may write to (a build folder), otherwise inside dataFolder
// (the user's own data folder). The folder a package installs the program into always counts as
// not writable, so even root's start never drops a DB.xml among the system's programs.
QString databasePath(const QString& programFolder, const QString& dataFolder);

// Gives a first start of an installed program its address book: when path lies in dataFolder and
// no file is there yet, creates the folder and writes a new, empty address book at path. Any other
// path is left alone, so a missing DB.xml beside the executable or one named on the command line is
// still reported, never silently replaced.
Status prepareDatabase(const QString& path, const QString& dataFolder);

// The Icons folder beside the executable when there is one, else the installed one in the
// program's data folder.
QString iconsFolder(const QString& programFolder);

} // namespace DataLocation
