// SPDX-License-Identifier: GPL-3.0-or-later
// Starts the address book on DB.xml beside the executable (in the user's data folder once
// installed), on the file named by --database, or on a new, empty one written by --new.
#include "db/DataLocation.h"
#include "app/Program.h"
#include "db/Database.h"
#include "ui/FontConfigWarmUp.h"
#include "ui/QtPrompter.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QFileInfo>
#include <QStandardPaths>

#include <optional>

namespace {

// The address book to start on, or nothing when it cannot be had (the error box has been
// shown). Paths on the command line are taken as typed, against the folder the user started in.
std::optional<QString> databasePath(const QApplication& app)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("瓦德林通讯录"));
    parser.addHelpOption();
    const QCommandLineOption database(QStringLiteral("database"),
                                      QStringLiteral("打开指定的通讯录数据库文件。"),
                                      QStringLiteral("file"));
    const QCommandLineOption newBook(QStringLiteral("new"),
                                     QStringLiteral("新建一个空的通讯录数据库文件并打开它"
                                                    "（不会覆盖已有的文件）。"),
                                     QStringLiteral("file"));
    parser.addOption(database);
    parser.addOption(newBook);
    parser.process(app);

    QtPrompter prompter;
    if (parser.isSet(newBook)) {
        const QString path = QFileInfo(parser.value(newBook)).absoluteFilePath();
        if (Status created = Database::create(path); !created) {
            prompter.showError(nullptr, created.error());
            return std::nullopt;
        }
        return path;
    }
    if (parser.isSet(database)) {
        const QString path = QFileInfo(parser.value(database)).absoluteFilePath();
        // Never created here: a mistyped name must not start an empty address book.
        if (!QFileInfo::exists(path)) {
            prompter.showError(nullptr,
                               {SqliteCode::CantOpen,
                                QStringLiteral("数据库文件“%1”不存在。\n要新建一个空的通讯录，"
                                               "请用 --new 指定文件名。")
                                    .arg(path)});
            return std::nullopt;
        }
        return path;
    }
    const QString dataFolder = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    const QString path =
        DataLocation::databasePath(QCoreApplication::applicationDirPath(), dataFolder);
    // A first start that cannot write the new file goes on to the open, whose error box says why.
    (void)DataLocation::prepareDatabase(path, dataFolder);
    return path;
}

} // namespace

int main(int argc, char* argv[])
{
    FontConfigWarmUp fontConfig;
    QApplication app(argc, argv);
    fontConfig.wait();
    Program::prepare(app);
    const std::optional<QString> path = databasePath(app);
    if (!path)
        return 1;
    return Program::run(*path);
}
