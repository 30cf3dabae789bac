// SPDX-License-Identifier: GPL-3.0-or-later
// The built program running on the benchmark's X server, and where its first frame says the
// search box, the list and the column headers are.
#pragma once

#include "XServer.h"

#include <QPoint>
#include <QProcess>
#include <QRect>
#include <QString>

#include <vector>

namespace Bench {

struct HeaderSection {
    QString caption;
    QPoint centre;
};

struct ProgramLayout {
    QPoint searchBox;
    QRect list; // the list's viewport, where the rows are drawn
    std::vector<HeaderSection> columns;
};

// Starts child, which runs with VARDELIN_REPORT_FIRST_FRAME=stay, and reads the layout its
// first frame reports; stops the benchmark when none comes.
ProgramLayout startReporting(QProcess& program, const Child& child);

// Ends the program started by startReporting.
void stopProgram(QProcess& program);

} // namespace Bench
