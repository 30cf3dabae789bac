// SPDX-License-Identifier: GPL-3.0-or-later
#include "CommandLine.h"

#include "db/BookCopy.h"
#include "db/DataLocation.h"
#include "db/Database.h"

#include <QCommandLineParser>
#include <QFileInfo>
#include <QSettings>

namespace {

const QString newOption = QStringLiteral("new");
const QString databaseOption = QStringLiteral("database");
const QString copyOption = QStringLiteral("copy");
const QString lastServerKey = QStringLiteral("Database/LastServer");
const QString colourKey = QStringLiteral("Window/Colour");
const QString colourBookKey = QStringLiteral("Window/ColourOf");

} // namespace

namespace CommandLine {

void addOptions(QCommandLineParser& parser)
{
    parser.setApplicationDescription(QStringLiteral("瓦德林通讯录"));
    parser.addHelpOption();
    parser.addOption({databaseOption,
                      QStringLiteral("打开指定的通讯录数据库文件，或数据库服务器上的通讯录"
                                     "（postgresql://用户名@主机:端口/数据库名）。"),
                      QStringLiteral("file")});
    parser.addOption(
        {copyOption,
         QStringLiteral("把整个通讯录（含图片和文件）复制到一个新文件或空的服务器数据库，"
                        "核对无误后才算完成：--copy 来源 目标。"),
         QStringLiteral("from")});
    parser.addPositionalArgument(QStringLiteral("to"), QStringLiteral("--copy 的目标。"),
                                 QStringLiteral("[to]"));
    parser.addOption(
        {newOption, QStringLiteral("新建一个空的通讯录数据库文件并打开它（不会覆盖已有的文件）。"),
         QStringLiteral("file")});
}

Request requestOf(const QCommandLineParser& parser)
{
    return {parser.value(newOption), parser.value(databaseOption), parser.value(copyOption),
            parser.positionalArguments().value(0)};
}

Result<QString> databasePath(const Request& request, const QString& programFolder,
                             const QString& dataFolder, const QString& rememberedServer)
{
    if (SqlDialect::backendOf(request.database) == Backend::Server) {
        if (!SqlDialect::serverAddress(request.database))
            return DbError{SqliteCode::CantOpen,
                           QStringLiteral("“%1”不是有效的数据库服务器地址，应写作 "
                                          "postgresql://用户名@主机:端口/数据库名。")
                               .arg(SqlDialect::displayName(request.database))};
        return request.database;
    }
    if (!request.newBook.isEmpty()) {
        const QString path = QFileInfo(request.newBook).absoluteFilePath();
        if (Status created = Database::create(path); !created)
            return created.error();
        return path;
    }
    if (!request.database.isEmpty()) {
        const QString path = QFileInfo(request.database).absoluteFilePath();
        // Never created here: a mistyped name must not start an empty address book.
        if (!QFileInfo::exists(path))
            return DbError{SqliteCode::CantOpen,
                           QStringLiteral("数据库文件“%1”不存在。\n要新建一个空的通讯录，"
                                          "请用 --new 指定文件名。")
                               .arg(path)};
        return path;
    }
    if (request.newBook.isEmpty() && request.database.isEmpty() && !rememberedServer.isEmpty())
        return rememberedServer;
    const QString path = DataLocation::databasePath(programFolder, dataFolder);
    // A first start that cannot write the new file goes on to the open, whose error box says why.
    (void)DataLocation::prepareDatabase(path, dataFolder);
    return path;
}

} // namespace CommandLine

namespace {

QString locationAsTyped(const QString& typed)
{
    return SqlDialect::backendOf(typed) == Backend::Server ? typed
                                                           : QFileInfo(typed).absoluteFilePath();
}

} // namespace

Result<QString> CommandLine::copyBook(const Request& request)
{
    if (request.copyFrom.isEmpty() || request.copyTo.isEmpty())
        return DbError{SqliteCode::Misuse, QStringLiteral("--copy 需要来源和目标两个参数。")};
    const QString from = locationAsTyped(request.copyFrom);
    const QString to = locationAsTyped(request.copyTo);
    auto copied = BookCopy::copy(from, to);
    if (!copied)
        return copied.error();
    return QStringLiteral("已把通讯录“%1”复制到“%2”：共 %3 行，%4 个图片和文件，均已核对无误。")
        .arg(SqlDialect::displayName(from), SqlDialect::displayName(to))
        .arg(copied.value().rows)
        .arg(copied.value().blobs);
}

std::unique_ptr<QSettings> CommandLine::userSettings()
{
    return std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                       QStringLiteral("vardelin"), QStringLiteral("vardelin"));
}

QString CommandLine::rememberedServer(const QSettings& settings)
{
    return settings.value(lastServerKey).toString();
}

void CommandLine::noteOpened(QSettings& settings, const QString& location)
{
    if (SqlDialect::backendOf(location) == Backend::Server)
        settings.setValue(lastServerKey, SqlDialect::displayName(location));
    else
        settings.remove(lastServerKey);
    settings.sync();
}

QString CommandLine::rememberedColour(const QSettings& settings, const QString& location)
{
    return settings.value(colourBookKey).toString() == location
               ? settings.value(colourKey).toString()
               : QString();
}

void CommandLine::noteColour(QSettings& settings, const QString& location, const QString& colour)
{
    if (rememberedColour(settings, location) == colour)
        return;
    if (colour.isEmpty()) {
        settings.remove(colourKey);
        settings.remove(colourBookKey);
    } else {
        settings.setValue(colourKey, colour);
        settings.setValue(colourBookKey, location);
    }
    settings.sync();
}
