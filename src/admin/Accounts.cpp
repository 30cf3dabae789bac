// SPDX-License-Identifier: GPL-3.0-or-later
#include "Accounts.h"

#include "db/Database.h"
#include "db/Scramble.h"
#include "db/Session.h"

namespace {

// Whether an account other than exceptId is called name, in any letter case: the login
// finds an account regardless of it.
Result<bool> nameTaken(const Database& db, const QString& name, qint64 exceptId)
{
    auto found = db.readOne(
        QStringLiteral("SELECT 1 FROM Vardelin_Login WHERE Name = ? COLLATE NOCASE AND ID <> ? "
                       "LIMIT 1"),
        {name, exceptId});
    if (!found)
        return found.error();
    return found.value().has_value();
}

} // namespace

Result<bool> Accounts::exists(const Database& db, qint64 id)
{
    auto found = db.readOne(QStringLiteral("SELECT 1 FROM Vardelin_Login WHERE ID = ?"), {id});
    if (!found)
        return found.error();
    return found.value().has_value();
}

Result<std::vector<Account>> Accounts::list(const Database& db)
{
    auto rows = db.query(QStringLiteral("SELECT ID, Name, Skin FROM Vardelin_Login ORDER BY ID"));
    if (!rows)
        return rows.error();
    QSqlQuery& q = rows.value();
    std::vector<Account> accounts;
    while (q.next())
        accounts.push_back({q.value(0).toLongLong(), q.value(1).toString(), q.value(2).toString()});
    if (Status finished = db.finished(q); !finished)
        return finished.error();
    return accounts;
}

Result<Accounts::Outcome> Accounts::add(const Database& db, const QString& name, qint16 suffix)
{
    Outcome outcome = Outcome::Done;
    // A write transaction, so that no other program adds or renames an account to the same name
    // between the look for it and the insert.
    const Status done = db.writeTransaction([&]() -> Status {
        auto taken = nameTaken(db, name, 0);
        if (!taken)
            return taken.error();
        if (taken.value()) {
            outcome = Outcome::NameTaken;
            return {};
        }
        // Bound, so the scrambled text is stored exactly, quotes and control
        // characters included.
        return db.exec(QStringLiteral("INSERT INTO Vardelin_Login (Name, Pass, Skin, Dock) "
                                      "VALUES (?, ?, ?, ?)"),
                       {name, Scramble::storedPassword(QString::fromUtf16(defaultPassword), suffix),
                        QString::fromUtf16(defaultSkin), QString()});
    });
    if (!done)
        return done.error();
    return outcome;
}

Result<Accounts::Outcome> Accounts::rename(const Database& db, qint64 id, const QString& name)
{
    Outcome outcome = Outcome::Done;
    // A write transaction, as for an added account.
    const Status done = db.writeTransaction([&]() -> Status {
        auto found = exists(db, id);
        if (!found)
            return found.error();
        if (!found.value()) {
            outcome = Outcome::Missing;
            return {};
        }
        auto taken = nameTaken(db, name, id);
        if (!taken)
            return taken.error();
        if (taken.value()) {
            outcome = Outcome::NewNameTaken;
            return {};
        }
        return db.exec(QStringLiteral("UPDATE Vardelin_Login SET Name = ? WHERE ID = ?"),
                       {name, id});
    });
    if (!done)
        return done.error();
    return outcome;
}

Accounts::Outcome Accounts::mayRemove(qint64 id, qint64 currentUserId)
{
    if (id == Session::administratorId)
        return Outcome::IsAdministrator;
    if (id == currentUserId)
        return Outcome::IsCurrentUser;
    return Outcome::Done;
}

Result<Accounts::Outcome> Accounts::remove(const Database& db, qint64 id, qint64 currentUserId)
{
    if (const Outcome refused = mayRemove(id, currentUserId); refused != Outcome::Done)
        return refused;
    if (Status done = db.exec(QStringLiteral("DELETE FROM Vardelin_Login WHERE ID = ?"), {id});
        !done)
        return done.error();
    return Outcome::Done;
}

QString Accounts::refusal(Outcome outcome)
{
    switch (outcome) {
    case Outcome::Done:
        break;
    case Outcome::NameTaken:
        return QStringLiteral("此用户已经存在，不能重复添加！");
    case Outcome::NewNameTaken:
        return QStringLiteral("此用户名已被其他用户使用，不能重命名！");
    case Outcome::Missing:
        return QStringLiteral("没有此用户，不能修改！");
    case Outcome::IsAdministrator:
        return QStringLiteral("管理员用户不能删除！");
    case Outcome::IsCurrentUser:
        return QStringLiteral("当前登录的用户不能删除！");
    }
    return {};
}
