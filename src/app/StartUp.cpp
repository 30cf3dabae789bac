// SPDX-License-Identifier: GPL-3.0-or-later
#include "StartUp.h"

#include "UserProfile.h"
#include "frmLogin.h"

#include "db/Backup.h"
#include "db/Database.h"
#include "db/PasswordSuffix.h"
#include "db/Session.h"
#include "db/SystemOptions.h"
#include "ui/Prompter.h"
#include "ui/Skin.h"

#include <QDateTime>
#include <QFileInfo>

StartUp::StartUp(Database& db, Session& session, Prompter& prompter, QWidget* window)
    : m_db(db)
    , m_session(session)
    , m_prompter(prompter)
    , m_window(window)
{
}

Result<std::optional<QString>> StartUp::open(const QString& databasePath,
                                             const LoginShow& loginShow)
{
    if (Status opened = openAskingPassword(databasePath); !opened)
        return opened.error();
    // Read once: what the settings change takes effect at the next start.
    auto options = SystemOptions::read(m_db);
    if (!options)
        return options.error();
    m_session.options = options.value();

    if (!m_session.options.isLogin) {
        auto dock = runAsAdministrator();
        if (!dock)
            return dock.error();
        return std::optional<QString>(dock.value());
    }
    // The login shows in the default colours; the account's own come with the main window. A
    // start without login keeps the colours the window is being made in, usually already the
    // account's (see CommandLine::rememberedColour), so that it is not styled twice.
    Skin::apply(Skin::defaultName);
    auto account = logIn(loginShow);
    if (!account)
        return account.error();
    if (!account.value())
        return std::optional<QString>();
    return std::optional<QString>(account.value()->dock);
}

Status StartUp::openAskingPassword(const QString& databasePath)
{
    Status opened = m_db.open(databasePath);
    if (opened || opened.error().number != SqliteCode::Auth)
        return opened;
    // Asked once; a wrong one is told as the server words it. Like every prompt before the
    // window, in the default colours.
    Skin::apply(Skin::defaultName);
    const QString password =
        m_prompter.password(m_window, opened.error().description + QStringLiteral("\n请输入密码："),
                            QStringLiteral("连接数据库服务器"));
    if (password.isEmpty())
        return opened;
    m_db.setServerPassword(password);
    return m_db.open(databasePath);
}

Result<std::optional<LoginAccount>> StartUp::logIn(const LoginShow& loginShow)
{
    frmLogin login(m_db, m_session, m_window);
    if (Status loaded = login.load(); !loaded)
        return loaded.error();
    const int result = loginShow ? loginShow(login) : login.exec();
    if (login.failure())
        return *login.failure();
    if (result != QDialog::Accepted || !login.account())
        return std::optional<LoginAccount>();
    return login.account();
}

Result<QString> StartUp::runAsAdministrator()
{
    auto suffix = PasswordSuffix::read(m_db);
    if (!suffix)
        return suffix.error();
    if (suffix.value())
        m_session.passSuffix = *suffix.value();

    m_session.currentUserId = Session::administratorId;
    auto profile = UserProfile::read(m_db, m_session.currentUserId);
    if (!profile)
        return profile.error();
    if (!profile.value())
        return QString();
    m_session.skinName = profile.value()->skin;
    return profile.value()->dock;
}

bool StartUp::offerNewestBackup(const QString& databasePath, const DbError& error)
{
    const bool damaged =
        (error.number == SqliteCode::Corrupt || error.number == SqliteCode::NotADatabase) &&
        error != DbError::newerProgram();
    if (!damaged)
        return false;
    const std::optional<QString> newest = Backup::newest(databasePath);
    if (!newest)
        return false;
    const QString title = QStringLiteral("错误") + QString::number(error.number);
    const QString offer =
        error.description + QStringLiteral("\n\n是否用“备份”文件夹中最新的备份“%1”恢复数据库？"
                                           "损坏的文件将保存在“备份”文件夹中。")
                                .arg(QFileInfo(*newest).fileName());
    if (!m_prompter.ask(m_window, offer, title))
        return true;
    m_db.close();
    if (Status restored =
            Backup::restoreDamaged(databasePath, *newest, QDateTime::currentDateTime());
        !restored) {
        m_prompter.showError(m_window, restored.error());
        return true;
    }
    m_restored = true;
    return true;
}
