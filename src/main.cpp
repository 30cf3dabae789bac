// SPDX-License-Identifier: GPL-3.0-or-later
// Starts the address book on DB.xml beside the executable (in the user's data
// folder once installed), or on the file named by --database.
#include "app/DataLocation.h"
#include "app/Program.h"
#include "ui/FontConfigWarmUp.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QStandardPaths>

namespace {

QString databasePath(const QApplication& app)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("瓦德林通讯录"));
    parser.addHelpOption();
    const QCommandLineOption database(QStringLiteral("database"),
                                      QStringLiteral("打开指定的通讯录数据库文件。"),
                                      QStringLiteral("file"));
    parser.addOption(database);
    parser.process(app);
    if (parser.isSet(database))
        return parser.value(database);
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
    return Program::run(databasePath(app));
}
