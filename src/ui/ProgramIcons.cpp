// SPDX-License-Identifier: GPL-3.0-or-later
// Reading and caching the program's icon files.
#include "ProgramIcons.h"

#include "IcoFileIconEngine.h"

#include "db/DataLocation.h"

#include <QCoreApplication>
#include <QHash>

#include <memory>

namespace {

QString& folderOverride()
{
    static QString folder;
    return folder;
}

QHash<QString, QIcon>& cache()
{
    static QHash<QString, QIcon> icons;
    return icons;
}

// Every drawing of the file is in the icon, so a 16 px tree row gets the 16 px drawing instead
// of a scaled-down 48 px one; each is decoded when first drawn.
QIcon read(const QString& path)
{
    auto engine = std::make_unique<IcoFileIconEngine>(path);
    if (engine->isNull())
        return {};
    return QIcon(engine.release());
}

} // namespace

namespace ProgramIcons {

QString folder()
{
    if (!folderOverride().isEmpty())
        return folderOverride();
    return DataLocation::iconsFolder(QCoreApplication::applicationDirPath());
}

void setFolder(const QString& folder)
{
    folderOverride() = folder;
}

QIcon load(const QString& fileName)
{
    const QString path = folder() + u'/' + fileName;
    const auto found = cache().constFind(path);
    if (found != cache().constEnd())
        return found.value();
    const QIcon icon = read(path);
    cache().insert(path, icon);
    return icon;
}

} // namespace ProgramIcons
