// SPDX-License-Identifier: GPL-3.0-or-later
// Writes the benchmark address book: bench_makedata <path> <contacts> [--replace].
#include "BenchData.h"
#include "BenchSupport.h"

#include <QCoreApplication>
#include <QFile>
#include <QStringList>
#include <QTextStream>

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QStringList args = QCoreApplication::arguments();
    const bool replace = args.removeAll(QStringLiteral("--replace")) > 0;
    bool countOk = false;
    const int contactCount = args.size() == 3 ? args.at(2).toInt(&countOk) : 0;
    if (!countOk || contactCount < 0)
        Bench::fail(QStringLiteral("usage: bench_makedata <path> <contacts> [--replace]"));

    const QString path = args.at(1);
    if (replace)
        QFile::remove(path);
    const double ms = Bench::elapsedMs([&] {
        if (Status built = BenchData::build(path, contactCount); !built)
            Bench::fail(QStringLiteral("cannot build ") + path + QStringLiteral(": ") +
                        built.error().description);
    });
    QTextStream(stderr) << "wrote " << contactCount << " contacts to " << path << " in "
                        << QString::number(ms / 1000, 'f', 1) << " s\n";
    return 0;
}
