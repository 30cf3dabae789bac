// SPDX-License-Identifier: GPL-3.0-or-later
// The program's icon files, read from the Icons folder beside the executable or installed.
#pragma once

#include <QIcon>
#include <QLatin1StringView>
#include <QString>

namespace ProgramIcons {

// Rows of the column list.
inline constexpr QLatin1StringView columnRow("00000.ico");
// A contact whose sex is female or not known.
inline constexpr QLatin1StringView contactFemale("00001.ico");
inline constexpr QLatin1StringView contactMale("00002.ico");
// Rows of the account list.
inline constexpr QLatin1StringView accountRow("00003.ico");
// Group tree nodes: at rest, and when selected or under the pointer.
inline constexpr QLatin1StringView groupClosed("00032.ico");
inline constexpr QLatin1StringView groupOpen("00023.ico");
// Toolbar actions.
inline constexpr QLatin1StringView toolNew("new.ico");
inline constexpr QLatin1StringView toolEdit("edit.ico");
inline constexpr QLatin1StringView toolDelete("delete.ico");
inline constexpr QLatin1StringView toolPrint("print.ico");
inline constexpr QLatin1StringView toolSettings("settings.ico");
inline constexpr QLatin1StringView toolAbout("about.ico");
inline constexpr QLatin1StringView toolSearch("search.ico");
inline constexpr QLatin1StringView toolNewGroup("newgroup.ico");

// The icon in fileName inside folder(), with every size the file holds. A missing or unreadable
// file gives a null QIcon and reports nothing: the program runs without its icons. Results,
// null ones included, are kept per path, so a file is read once. GUI thread only.
QIcon load(const QString& fileName);

// The folder load() reads: Icons beside the executable, else the installed one in the data
// folder, unless setFolder() chose another.
QString folder();

// For tests only: reads icons from folder instead of the one beside the executable; an empty
// string goes back to it.
void setFolder(const QString& folder);

} // namespace ProgramIcons
