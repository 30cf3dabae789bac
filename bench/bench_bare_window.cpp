// SPDX-License-Identifier: GPL-3.0-or-later
// The floor of the launch benchmarks on X: a main window with an empty table, in an executable
// that links Qt Widgets and nothing else, as any Qt program starts. It prints one line at the
// table's first paint and ends.
#include "FirstPaintExit.h"

#include <QApplication>
#include <QMainWindow>
#include <QTableView>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QMainWindow window;
    window.resize(1100, 720);
    auto* table = new QTableView(&window);
    window.setCentralWidget(table);
    FirstPaintExit watcher(0);
    table->viewport()->installEventFilter(&watcher);
    window.show();
    return QApplication::exec();
}
