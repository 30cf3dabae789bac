// SPDX-License-Identifier: GPL-3.0-or-later
// The floor of the launch benchmarks on X: a main window with an empty table, in an executable
// that links Qt Widgets and nothing else, as any Qt program starts. It prints one line at the
// table's first paint and ends.
#include <QApplication>
#include <QEvent>
#include <QMainWindow>
#include <QTableView>

#include <cstdio>

namespace {

class FirstPaintExit : public QObject {
public:
    using QObject::QObject;

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint && !m_reported) {
            m_reported = true;
            std::printf("first-frame rows=0\n");
            std::fflush(stdout);
            QCoreApplication::exit(0);
        }
        return QObject::eventFilter(watched, event);
    }

private:
    bool m_reported = false;
};

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QMainWindow window;
    window.resize(1100, 720);
    auto* table = new QTableView(&window);
    window.setCentralWidget(table);
    FirstPaintExit watcher;
    table->viewport()->installEventFilter(&watcher);
    window.show();
    return QApplication::exec();
}
