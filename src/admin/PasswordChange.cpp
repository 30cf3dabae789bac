// SPDX-License-Identifier: GPL-3.0-or-later
#include "PasswordChange.h"

#include "db/Database.h"
#include "db/Scramble.h"

RowVersion::Row PasswordChange::passwordRow(qint64 userId)
{
    return {
        QStringLiteral("Vardelin_Login"), QStringLiteral("ID"), userId, {QStringLiteral("Pass")}};
}

Result<std::optional<QString>> PasswordChange::currentPlain(const Database& db, qint64 userId,
                                                            qint16 suffix,
                                                            RowVersion::Version* readAs)
{
    auto row = db.readOne(QStringLiteral("SELECT Pass FROM Vardelin_Login WHERE ID = ?"), {userId});
    if (!row)
        return row.error();
    if (readAs) {
        *readAs = row.value() ? RowVersion::of(*row.value(), passwordRow(userId).columns)
                              : RowVersion::Version();
    }
    if (!row.value())
        return std::optional<QString>();
    const QString stored = row.value()->value(0).toString();
    if (stored.isEmpty())
        return std::optional<QString>(QString::number(suffix));
    return std::optional<QString>(Scramble::unscramble(stored, QString::fromUtf16(Scramble::key)));
}

std::optional<QString> PasswordChange::refusal(const std::optional<QString>& currentPlain,
                                               const Input& input, qint16 suffix)
{
    if (!currentPlain || *currentPlain != input.oldPassword + QString::number(suffix))
        return QStringLiteral("原密码不正确！");
    if (input.newPassword.isEmpty())
        return QStringLiteral("新密码不能为空！");
    if (!isStorable(input.newPassword))
        return QStringLiteral("新密码不能包含表情符号或生僻字，请修改！");
    if (input.confirmation != input.newPassword)
        return QStringLiteral("两次新密码不一致！");
    return std::nullopt;
}

bool PasswordChange::isStorable(const QString& password)
{
    for (QChar c : password) {
        if (c.isSurrogate())
            return false;
    }
    return true;
}

Status PasswordChange::store(const Database& db, qint64 userId, const QString& password,
                             qint16 suffix)
{
    return db.exec(QStringLiteral("UPDATE Vardelin_Login SET Pass = ? WHERE ID = ?"),
                   {Scramble::storedPassword(password, suffix), userId});
}
