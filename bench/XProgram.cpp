// SPDX-License-Identifier: GPL-3.0-or-later
#include "XProgram.h"

#include "BenchSupport.h"

#include <QRegularExpression>

namespace {

constexpr int childTimeoutMs = 60000;

std::vector<Bench::HeaderSection> headersFrom(const QString& text)
{
    std::vector<Bench::HeaderSection> columns;
    for (const QString& column : text.split(u'|', Qt::SkipEmptyParts)) {
        const QStringList parts = column.split(u'@');
        if (parts.size() == 3)
            columns.push_back({parts[0], QPoint(parts[1].toInt(), parts[2].toInt())});
    }
    return columns;
}

Bench::ProgramLayout layoutFrom(const QByteArray& line)
{
    static const QRegularExpression pattern(
        QStringLiteral("search=(\\d+),(\\d+) list=(\\d+),(\\d+),(\\d+),(\\d+) columns=([^\\n]*)"));
    const QRegularExpressionMatch found = pattern.match(QString::fromUtf8(line));
    if (!found.hasMatch())
        Bench::fail(QStringLiteral("the program's first frame gave no layout: ") +
                    QString::fromUtf8(line));
    const auto at = [&found](int n) {
        return found.captured(n).toInt();
    };
    return {QPoint(at(1), at(2)), QRect(at(3), at(4), at(5), at(6)),
            headersFrom(found.captured(7))};
}

} // namespace

Bench::Child Bench::reportingProgram(const XServer& server, const QTemporaryDir& folder,
                                     const QString& book)
{
    QProcessEnvironment environment = xEnvironment(server, folder);
    environment.insert(QStringLiteral("VARDELIN_REPORT_FIRST_FRAME"), QStringLiteral("stay"));
    return {builtProgram(QStringLiteral("vardelin")),
            {QStringLiteral("--database"), book},
            environment};
}

Bench::ProgramLayout Bench::startReporting(QProcess& program, const Child& child)
{
    program.setProcessEnvironment(child.environment);
    program.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    program.start(child.program, child.arguments);
    QByteArray output;
    while (!output.contains('\n') && program.waitForReadyRead(childTimeoutMs))
        output += program.readAllStandardOutput();
    return layoutFrom(output);
}

Bench::SeriesMedians Bench::seriesMedians(std::size_t count, int series, XInput& input,
                                          const std::vector<qint64>& processIds,
                                          const std::function<void(std::size_t)>& prepare,
                                          const std::function<double(std::size_t)>& act,
                                          const std::function<QString(std::size_t)>& what)
{
    const auto cpuNow = [&processIds] {
        qint64 ns = 0;
        for (qint64 pid : processIds)
            ns += cpuNs(pid);
        return ns;
    };
    std::vector<std::vector<double>> wall(count);
    std::vector<std::vector<double>> cpu(count);
    for (int run = -1; run < series; ++run) {
        for (std::size_t i = 0; i < count; ++i) {
            prepare(i);
            input.settle(150, 5000);
            const qint64 cpuBefore = cpuNow();
            const double ms = act(i);
            const qint64 cpuAfter = cpuNow();
            if (ms < 0)
                fail(QStringLiteral("no repaint after ") + what(i));
            if (run >= 0) {
                wall[i].push_back(ms);
                cpu[i].push_back(double(cpuAfter - cpuBefore) / 1e6);
            }
            input.settle(150, 5000);
        }
    }
    SeriesMedians medians;
    for (std::size_t i = 0; i < count; ++i) {
        medians.wallMs.push_back(median(wall[i]));
        medians.cpuMs.push_back(median(cpu[i]));
    }
    return medians;
}

void Bench::stopProgram(QProcess& program)
{
    program.terminate();
    if (!program.waitForFinished(5000))
        program.kill();
}
