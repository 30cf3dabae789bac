// SPDX-License-Identifier: GPL-3.0-or-later
// Choosing the address book's and the icons' folders.
#include "DataLocation.h"

#include "Database.h"

#include <QDir>
#include <QFileInfo>

namespace {

const QString databaseName = QStringLiteral("DB.xml");

// The bindir of the install prefix this build was configured for.
QString installedProgramFolder()
{
    return QDir::cleanPath(QStringLiteral(VARDELIN_INSTALL_FULL_BINDIR));
}

bool isInstalledProgramFolder(const QString& programFolder)
{
    const QString folder = QFileInfo(programFolder).canonicalFilePath();
    return !folder.isEmpty() && folder == QFileInfo(installedProgramFolder()).canonicalFilePath();
}

bool canWriteInto(const QString& folder)
{
    const QFileInfo info(folder);
    return info.isDir() && info.isWritable() && !isInstalledProgramFolder(folder);
}

} // namespace

namespace DataLocation {

QString databasePath(const QString& programFolder, const QString& dataFolder)
{
    const QString folder = canWriteInto(programFolder) ? programFolder : dataFolder;
    return QDir(folder).filePath(databaseName);
}

Status prepareDatabase(const QString& path, const QString& dataFolder)
{
    if (QFileInfo(path).absoluteFilePath() != QDir(dataFolder).absoluteFilePath(databaseName) ||
        QFileInfo::exists(path))
        return {};
    if (!QDir().mkpath(dataFolder))
        return DbError::cannotOpen(path);
    return Database::create(path);
}

QString iconsFolder(const QString& programFolder)
{
    const QString beside = QDir(programFolder).filePath(QStringLiteral("Icons"));
    if (QFileInfo(beside).isDir())
        return beside;
    return QDir::cleanPath(
        QDir(programFolder).filePath(QStringLiteral(VARDELIN_DATADIR_FROM_BINDIR "/Icons")));
}

} // namespace DataLocation
