// SPDX-License-Identifier: GPL-3.0-or-later
// What the About box asks of the desktop: a browser and other programs.
#pragma once

#include <QString>

class QUrl;

class AboutDesktop {
public:
    virtual ~AboutDesktop() = default;

    // Opens the address in the desktop's browser; false when nothing took it.
    virtual bool openUrl(const QUrl& url) = 0;
    // The full path of an installed program, empty when it is not on PATH.
    virtual QString findExecutable(const QString& name) = 0;
    // Starts a program on its own, without arguments; false when it did not start.
    virtual bool startDetached(const QString& program) = 0;

    // The real desktop (QDesktopServices, QStandardPaths, QProcess).
    static AboutDesktop& system();
};
