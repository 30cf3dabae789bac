// SPDX-License-Identifier: GPL-3.0-or-later
#include "SystemInfoProgram.h"

QStringList SystemInfoProgram::candidates()
{
    // Hardware reports before task managers: they answer what "system
    // information" asks for.
    return {QStringLiteral("hardinfo"),
            QStringLiteral("hardinfo2"),
            QStringLiteral("gnome-system-monitor"),
            QStringLiteral("plasma-systemmonitor"),
            QStringLiteral("ksysguard"),
            QStringLiteral("xfce4-taskmanager"),
            QStringLiteral("mate-system-monitor"),
            QStringLiteral("lxtask")};
}

QString SystemInfoProgram::find(const std::function<QString(const QString&)>& findExecutable)
{
    for (const QString& name : candidates()) {
        const QString path = findExecutable(name);
        if (!path.isEmpty())
            return path;
    }
    return {};
}
