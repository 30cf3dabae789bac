// SPDX-License-Identifier: GPL-3.0-or-later
// The built program running on the benchmark's X server, and where its first frame says the
// search box, the list and the column headers are.
#pragma once

#include "XInput.h"
#include "XServer.h"

#include <QPoint>
#include <QProcess>
#include <QRect>
#include <QString>

#include <functional>
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

// The built program on server, on book, set to report the layout of its first frame and stay
// (VARDELIN_REPORT_FIRST_FRAME=stay); its run-time folder in folder.
Child reportingProgram(const XServer& server, const QTemporaryDir& folder, const QString& book);

// Starts child, which runs with VARDELIN_REPORT_FIRST_FRAME=stay, and reads the layout its
// first frame reports; stops the benchmark when none comes.
ProgramLayout startReporting(QProcess& program, const Child& child);

// Wall and CPU medians of inputs timed one after another.
struct SeriesMedians {
    std::vector<double> wallMs;
    // The program's and the X server's CPU time over the same span.
    std::vector<double> cpuMs;
};
// Times count inputs in turn, one untimed series and then series timed ones, medians per
// input. prepare(i) readies input i untimed; act(i) sends it and gives the milliseconds to its
// repaint (negative: none came, which ends the benchmark with what(i)). The screen settles
// before and after each.
SeriesMedians seriesMedians(std::size_t count, int series, XInput& input,
                            const std::vector<qint64>& processIds,
                            const std::function<void(std::size_t)>& prepare,
                            const std::function<double(std::size_t)>& act,
                            const std::function<QString(std::size_t)>& what);

// Ends the program started by startReporting.
void stopProgram(QProcess& program);

} // namespace Bench
