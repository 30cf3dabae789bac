// SPDX-License-Identifier: GPL-3.0-or-later
// Which of the desktop's system-information programs the About box starts.
#pragma once

#include <QString>
#include <QStringList>

#include <functional>

namespace SystemInfoProgram {

// Well-known programs that show the computer's hardware and load, in the order
// they are preferred.
QStringList candidates();

// The full path of the first candidate that findExecutable (a program name to
// its full path, empty when absent) knows; empty when there is none.
QString find(const std::function<QString(const QString&)>& findExecutable);

} // namespace SystemInfoProgram
