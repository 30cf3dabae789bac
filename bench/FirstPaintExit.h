// SPDX-License-Identifier: GPL-3.0-or-later
// For the floors of the launch benchmarks on X, programs that link Qt Widgets and little else:
// at the first paint of the widget it watches, prints "first-frame rows=<n>", as the program
// does, and ends the event loop once that paint is done.
#pragma once

#include <QCoreApplication>
#include <QEvent>
#include <QObject>

#include <cstdio>

class FirstPaintExit : public QObject {
public:
    explicit FirstPaintExit(int rows)
        : m_rows(rows)
    {
    }

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint && !m_reported) {
            m_reported = true;
            std::printf("first-frame rows=%d\n", m_rows);
            std::fflush(stdout);
            QCoreApplication::exit(0);
        }
        return QObject::eventFilter(watched, event);
    }

private:
    int m_rows;
    bool m_reported = false;
};
