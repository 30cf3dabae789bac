// SPDX-License-Identifier: GPL-3.0-or-later
#include "frmSystem.h"

#include "AccountsPage.h"
#include "BackupCommands.h"
#include "ColumnsPage.h"
#include "ImportPage.h"
#include "OptionsPage.h"
#include "PasswordPage.h"
#include "SettingsSave.h"

#include "db/Database.h"
#include "db/PasswordSuffix.h"
#include "db/Session.h"
#include "history/Reminders.h"
#include "ui/Prompter.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

frmSystem::frmSystem(Database& db, Session& session, Prompter& prompter, RebuildList rebuildList,
                     QWidget* parent)
    : QDialog(parent)
    , m_db(db)
    , m_session(session)
    , m_prompter(prompter)
    , m_rebuildList(std::move(rebuildList))
    , m_tabs(new QTabWidget(this))
    , m_options(new OptionsPage(m_tabs))
    , m_accounts(new AccountsPage(db, prompter, session.currentUserId, m_tabs))
    , m_columns(new ColumnsPage(db, m_tabs))
    , m_import(new ImportPage(db, session, prompter, m_tabs))
    , m_password(new PasswordPage(m_tabs))
    , m_ok(new QPushButton(QStringLiteral("确定(&O)"), this))
    , m_cancel(new QPushButton(QStringLiteral("取消(&C)"), this))
{
    setObjectName(QStringLiteral("frmSystem"));
    setWindowTitle(QStringLiteral("设置"));
    setModal(true);
    resize(460, 420);
    m_tabs->setObjectName(QStringLiteral("TabC"));
    m_tabs->addTab(m_options, QStringLiteral("基本选项"));
    m_tabs->addTab(m_accounts, QStringLiteral("用户设置"));
    m_tabs->addTab(m_columns, QStringLiteral("自 定 义"));
    m_tabs->addTab(m_import, QStringLiteral("导入导出"));
    m_tabs->addTab(m_password, QStringLiteral("修改密码"));
    m_ok->setObjectName(QStringLiteral("Button_OK"));
    m_ok->setDefault(true);
    m_cancel->setObjectName(QStringLiteral("Button_Cancel"));

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_ok);
    buttons->addWidget(m_cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_tabs, 1);
    layout->addLayout(buttons);

    connect(m_ok, &QPushButton::clicked, this, &frmSystem::Button_OK_Click);
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_options, &OptionsPage::allUserClicked, this, &frmSystem::switchAccountsPage);
    // The tab bar itself lets a program choose a switched-off page; the window does not.
    connect(m_tabs, &QTabWidget::currentChanged, this, &frmSystem::showFirstOpenPage);
    connect(m_import, &ImportPage::imported, this, [this] { m_imported = true; });
    auto* backups = new BackupCommands(
        db, prompter, this,
        {m_options->backupButton(), m_options->restoreButton(), m_options->copyButton()},
        isAdministrator());
    if (db.backend() == Backend::Server)
        m_options->leaveUpkeepToServer();
    connect(backups, &BackupCommands::restored, this, [this] {
        m_restored = true;
        QDialog::done(QDialog::Rejected);
    });
}

void frmSystem::addPage(QWidget* page, const QString& title)
{
    page->setParent(m_tabs);
    m_tabs->addTab(page, title);
}

bool frmSystem::isAdministrator() const
{
    return m_session.currentUserId == Session::administratorId;
}

Status frmSystem::load()
{
    const bool administrator = isAdministrator();
    for (Page page : {OptionsTab, AccountsTab, ColumnsTab})
        m_tabs->setTabEnabled(page, administrator);
    // The start-up value, not the stored one: the box switches the page from here on.
    if (!m_session.options.isAllUser)
        m_tabs->setTabEnabled(AccountsTab, false);
    showFirstOpenPage();

    auto suffix = PasswordSuffix::read(m_db);
    if (!suffix)
        return suffix.error();
    if (suffix.value())
        m_session.passSuffix = *suffix.value();
    m_accounts->setSuffix(m_session.passSuffix);

    if (Status password = readPassword(); !password)
        return password;
    if (Status options = readOptions(); !options)
        return options;
    if (Status users = m_accounts->GJUser(); !users)
        return users;
    if (Status columns = m_columns->GJAlias(); !columns)
        return columns;
    return m_import->InputData();
}

Status frmSystem::readPassword()
{
    auto current = PasswordChange::currentPlain(m_db, m_session.currentUserId, m_session.passSuffix,
                                                &m_asRead.passwordVersion);
    if (!current)
        return current.error();
    m_currentPass = current.value();
    return {};
}

Status frmSystem::readOptions()
{
    auto stored = SystemOptions::read(m_db, &m_asRead.optionsVersion);
    if (!stored)
        return stored.error();
    m_asRead.options = stored.value();
    m_options->GJSystem(stored.value());
    auto remind = Reminders::isOn(m_db, &m_asRead.remindVersion);
    if (!remind)
        return remind.error();
    m_asRead.remindAtStart = remind.value();
    m_options->setRemindAtStart(remind.value());
    return {};
}

void frmSystem::switchAccountsPage(bool on)
{
    m_tabs->setTabEnabled(AccountsTab, on && isAdministrator());
}

void frmSystem::showFirstOpenPage()
{
    if (m_tabs->isTabEnabled(m_tabs->currentIndex()))
        return;
    for (int page = 0; page < m_tabs->count(); ++page) {
        if (m_tabs->isTabEnabled(page)) {
            m_tabs->setCurrentIndex(page);
            return;
        }
    }
}

void frmSystem::Button_OK_Click()
{
    SettingsChange change;
    change.userId = m_session.currentUserId;
    change.suffix = m_session.passSuffix;
    if (m_password->changeWanted()) {
        const PasswordChange::Input input = m_password->input();
        if (const auto refused = PasswordChange::refusal(m_currentPass, input, change.suffix)) {
            m_tabs->setCurrentIndex(PasswordTab);
            m_prompter.message(this, *refused, QStringLiteral("提示！"),
                               Prompter::Icon::Exclamation);
            return;
        }
        change.newPassword = input.confirmation;
    }
    change.columns = m_columns->columns();
    change.options = m_options->values();
    change.remindAtStart = m_options->remindAtStart();
    change.asRead = m_asRead;
    change.asRead->columns = m_columns->asRead();
    if (!write(std::move(change)))
        return;
    if (m_rebuildList) {
        if (Status rebuilt = m_rebuildList(); !rebuilt) {
            // The window stays open on what it has just written, which a second OK must not
            // take for a change made elsewhere. Should this read fail too, that OK asks.
            readWritten();
            m_prompter.showError(this, rebuilt.error());
            return;
        }
    }
    accept();
}

bool frmSystem::write(SettingsChange change)
{
    auto saved = SettingsSave::save(m_db, change);
    if (!saved) {
        m_prompter.showError(this, saved.error());
        return false;
    }
    if (saved.value().written())
        return true;
    const std::vector<RowVersion::Conflict>& conflicts = saved.value().conflicts;
    const QString changed =
        SettingsSave::describe(conflicts, m_columns->asRead()).join(QStringLiteral("\n"));
    const int answer =
        m_prompter.choose(this,
                          QStringLiteral("在您打开设置窗口后，下列设置已在别处被修改：\n%1\n\n"
                                         "“重新读取”：放弃您对这些设置的修改，显示已保存的内容；\n"
                                         "“覆盖保存”：用您的设置替换它们；\n"
                                         "“取消”：返回设置窗口。")
                              .arg(changed),
                          QStringLiteral("提示！"), Prompter::Icon::Exclamation,
                          {QStringLiteral("重新读取(&R)"), QStringLiteral("覆盖保存(&O)"),
                           QStringLiteral("取消(&C)")});
    if (answer == 0) {
        if (Status reloaded = reload(conflicts); !reloaded)
            m_prompter.showError(this, reloaded.error());
        return false;
    }
    if (answer != 1)
        return false;
    change.overwrite = true;
    auto overwritten = SettingsSave::save(m_db, change);
    if (!overwritten) {
        m_prompter.showError(this, overwritten.error());
        return false;
    }
    return true;
}

Status frmSystem::readWritten()
{
    if (Status password = readPassword(); !password)
        return password;
    if (Status options = readOptions(); !options)
        return options;
    return m_columns->GJAlias();
}

Status frmSystem::reload(const std::vector<RowVersion::Conflict>& conflicts)
{
    QSet<qint64> columns;
    for (const RowVersion::Conflict& conflict : conflicts) {
        const QString& table = conflict.row.table;
        if (table == ColumnSettings::versionedRow(conflict.row.key).table) {
            columns.insert(conflict.row.key);
        } else if (table == PasswordChange::passwordRow(conflict.row.key).table) {
            // The boxes keep what was typed; OK checks it against the password stored now.
            if (Status password = readPassword(); !password)
                return password;
        } else if (Status options = readOptions(); !options) {
            return options;
        }
    }
    return m_columns->reloadRows(columns);
}

void frmSystem::reject()
{
    // The bar's repaints let a close request from the window system through mid-import;
    // the window stays until the import has finished (or rolled back).
    if (m_import->busy())
        return;
    // An import has written already, whatever the window is closed with.
    if (m_imported && m_rebuildList) {
        if (Status rebuilt = m_rebuildList(); !rebuilt)
            m_prompter.showError(this, rebuilt.error());
    }
    QDialog::reject();
}
