// SPDX-License-Identifier: GPL-3.0-or-later
// Starts the address book on DB.xml beside the executable, or on the file named
// by --database.
#include "app/Program.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>

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
    return QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("DB.xml"));
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    Program::prepare(app);
    return Program::run(databasePath(app));
}
