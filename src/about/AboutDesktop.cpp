// SPDX-License-Identifier: GPL-3.0-or-later
#include "AboutDesktop.h"

#include <QDesktopServices>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>

namespace {

class SystemDesktop final : public AboutDesktop {
public:
    bool openUrl(const QUrl& url) override { return QDesktopServices::openUrl(url); }
    QString findExecutable(const QString& name) override
    {
        return QStandardPaths::findExecutable(name);
    }
    bool startDetached(const QString& program) override
    {
        return QProcess::startDetached(program, {});
    }
};

} // namespace

AboutDesktop& AboutDesktop::system()
{
    static SystemDesktop desktop;
    return desktop;
}
