// SPDX-License-Identifier: GPL-3.0-or-later
// Starts the address book on DB.xml beside the executable (in the user's data folder once
// installed), on the file or server database named by --database (or the server database
// opened last), or on a new, empty one written by --new.
#include "app/CommandLine.h"
#include "app/Program.h"
#include "ui/FontConfigWarmUp.h"
#include "ui/QtPrompter.h"
#include "ui/Skin.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QSettings>
#include <QStandardPaths>

#include <cstdio>

using namespace Qt::StringLiterals;

int main(int argc, char* argv[])
{
    FontConfigWarmUp fontConfig;
    QApplication app(argc, argv);
    fontConfig.wait();
    Program::prepare(app);
    QCommandLineParser parser;
    CommandLine::addOptions(parser);
    parser.process(app);
    const CommandLine::Request request = CommandLine::requestOf(parser);
    if (!request.copyFrom.isEmpty()) {
        const Result<QString> copied = CommandLine::copyBook(request);
        const QString told = copied ? copied.value()
                                    : u"错误"_s + QString::number(copied.error().number) + u"："_s +
                                          copied.error().description;
        std::fputs(qPrintable(told + u'\n'), copied ? stdout : stderr);
        return copied ? 0 : 1;
    }
    const auto settings = CommandLine::userSettings();
    const Result<QString> path =
        CommandLine::databasePath(request, QCoreApplication::applicationDirPath(),
                                  QStandardPaths::writableLocation(QStandardPaths::AppDataLocation),
                                  CommandLine::rememberedServer(*settings));
    if (!path) {
        QtPrompter().showError(nullptr, path.error());
        return 1;
    }
    // Made in the colours it last closed in, the window is not styled a second time when the
    // account's own are read: a start in a colour other than the default did a sixth more work.
    Skin::apply(CommandLine::rememberedColour(*settings, path.value()));
    Program::Watch watch;
    watch.opened = [&settings](const QString& opened) {
        CommandLine::noteOpened(*settings, opened);
    };
    watch.closedIn = [&settings](const QString& opened, const QString& colour) {
        CommandLine::noteColour(*settings, opened, colour);
    };
    return Program::run(path.value(), watch);
}
