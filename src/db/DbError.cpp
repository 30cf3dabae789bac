// SPDX-License-Identifier: GPL-3.0-or-later
#include "DbError.h"

#include <QSqlError>

namespace {

// Extended result codes carry the primary code in their low byte.
int primaryCode(const QSqlError& error)
{
    bool ok = false;
    const int code = error.nativeErrorCode().toInt(&ok);
    return ok ? (code & 0xff) : SqliteCode::Error;
}

QString describe(int code, const QString& driverText)
{
    switch (code) {
    case SqliteCode::Busy:
    case SqliteCode::Locked:
        return QStringLiteral("数据库文件正被其他程序使用，请稍后再试。");
    case SqliteCode::NoMemory:
        return QStringLiteral("内存不足，无法完成数据库操作。");
    case SqliteCode::ReadOnly:
        return QStringLiteral("数据库文件是只读的，无法保存修改。");
    case SqliteCode::IoError:
        return QStringLiteral("读写数据库文件时发生磁盘错误。");
    case SqliteCode::Corrupt:
    case SqliteCode::NotADatabase:
        return QStringLiteral("数据库文件已损坏，或者不是本程序的数据库。");
    case SqliteCode::Full:
        return QStringLiteral("磁盘已满，无法写入数据库。");
    case SqliteCode::CantOpen:
        return QStringLiteral("无法打开数据库文件。");
    case SqliteCode::Permission:
        return QStringLiteral("没有访问数据库文件的权限。");
    case SqliteCode::TooBig:
        return QStringLiteral("要写入的内容太大，超过了数据库允许的大小。");
    default:
        return QStringLiteral("数据库操作失败：") + driverText;
    }
}

} // namespace

DbError DbError::fromSql(const QSqlError& error)
{
    return fromSqlite(primaryCode(error), error.text());
}

DbError DbError::fromSqlite(int code, const QString& driverText)
{
    const int primary = code & 0xff;
    return {primary, describe(primary, driverText)};
}

DbError DbError::cannotOpen(const QString& path)
{
    return {SqliteCode::CantOpen, QStringLiteral("无法打开数据库文件“%1”。").arg(path)};
}

DbError DbError::damaged()
{
    return {SqliteCode::Corrupt,
            QStringLiteral("数据库文件已损坏，程序将不再写入该文件。请用备份恢复。")};
}

DbError DbError::replaced()
{
    return {SqliteCode::ReadOnly,
            QStringLiteral("通讯录文件已被其他程序替换（例如从备份恢复），此处的修改无法再保存。")};
}

DbError DbError::nulOnServer(const QString& text)
{
    QString shown = text.left(20);
    return {SqliteCode::Error,
            QStringLiteral("文本“%1”中含有空字符（U+0000），数据库服务器不能保存它。")
                .arg(shown.replace(QChar(0), u'\u2400'))};
}

DbError DbError::newerProgram()
{
    return {SqliteCode::NotADatabase,
            QStringLiteral("数据库文件由更新版本的程序创建，请升级本程序后再打开。")};
}
