// SPDX-License-Identifier: GPL-3.0-or-later
#include "WorkbookReader.h"

#include "TableStream.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>

namespace {

constexpr int pollMs = 30;

DbError helperFailed(const QString& why)
{
    return importError(
        ImportErrorCode::ReaderFailed,
        QStringLiteral("读取工作簿失败：%1文件可能已损坏，未导入任何联系人。").arg(why));
}

} // namespace

namespace WorkbookReader {

QString installedHelper()
{
    return QCoreApplication::applicationDirPath() + QStringLiteral("/vardelin-readsheet");
}

Result<ImportTable> readFile(const QString& path, const Options& options)
{
    if (!QFileInfo(path).isFile())
        return importError(ImportErrorCode::CannotOpen, QStringLiteral("找不到文件：%1").arg(path));
    QProcess helper;
    helper.setProgram(options.helper.isEmpty() ? installedHelper() : options.helper);
    helper.setArguments({QStringLiteral("--"), path});
    helper.setStandardErrorFile(QProcess::nullDevice());
    helper.setStandardInputFile(QProcess::nullDevice());
    helper.start(QIODevice::ReadOnly);
    if (!helper.waitForStarted())
        return importError(ImportErrorCode::ReaderFailed,
                           QStringLiteral("无法启动读取工作簿的程序：%1").arg(helper.program()));

    QElapsedTimer running;
    running.start();
    // Waiting also drains the pipe into the process object, so the helper never blocks on it.
    while (!helper.waitForFinished(pollMs) && helper.state() != QProcess::NotRunning) {
        if (running.elapsed() > options.timeoutMs) {
            helper.kill();
            helper.waitForFinished();
            return helperFailed(QStringLiteral("读取超时。"));
        }
        if (options.waiting)
            options.waiting();
    }
    if (helper.exitStatus() != QProcess::NormalExit || helper.exitCode() != 0)
        return helperFailed(QStringLiteral("读取程序意外终止。"));
    return TableStream::read(helper.readAllStandardOutput());
}

} // namespace WorkbookReader
