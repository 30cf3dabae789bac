// SPDX-License-Identifier: GPL-3.0-or-later
// Runs a contact export beside the window, showing its progress on a bar.
#include "ExportRunner.h"

#include "db/Database.h"

#include <QEventLoop>
#include <QProgressBar>
#include <QThread>
#include <QTimer>

#include <atomic>
#include <memory>

namespace ExportRunner {

namespace {

// Often enough for the bar to move smoothly.
constexpr int progressIntervalMs = 50;
// QProgressBar counts in int; the bar shows thousandths of the rows.
constexpr int barMaximum = 1000;

} // namespace

Result<qsizetype> run(const QString& databasePath, qint64 userId, const QString& path,
                      ContactExport::Format format, QProgressBar& bar)
{
    std::atomic<qsizetype> done{0};
    std::atomic<qsizetype> total{0};
    Result<qsizetype> result = DbError{};
    // A connection belongs to the thread that opened it, so the worker opens its own.
    std::unique_ptr<QThread> worker(QThread::create([&] {
        Database db;
        if (Status opened = db.open(databasePath); !opened) {
            result = opened.error();
            return;
        }
        result = ContactExport::writeFile(db, userId, path, format,
                                          [&](qsizetype rowsDone, qsizetype rowsInAll) {
                                              total = rowsInAll;
                                              done = rowsDone;
                                          });
    }));

    bar.setRange(0, barMaximum);
    bar.setValue(0);
    QTimer tick;
    tick.setInterval(progressIntervalMs);
    QObject::connect(&tick, &QTimer::timeout, &bar, [&] {
        const qsizetype rows = total;
        const qsizetype written = done;
        if (rows > 0 && written >= rows)
            bar.setRange(0, 0); // rows written; the file is being finished
        else if (rows > 0)
            bar.setValue(int(written * barMaximum / rows));
    });
    QEventLoop loop;
    QObject::connect(worker.get(), &QThread::finished, &loop, &QEventLoop::quit);
    worker->start();
    tick.start();
    loop.exec(QEventLoop::ExcludeUserInputEvents);
    worker->wait();
    bar.setRange(0, barMaximum);
    bar.setValue(0);
    return result;
}

} // namespace ExportRunner
