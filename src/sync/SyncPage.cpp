// SPDX-License-Identifier: GPL-3.0-or-later
#include "SyncPage.h"

#include "DavClient.h"
#include "PasswordStore.h"
#include "SyncConflictDialog.h"
#include "SyncEngine.h"

#include "db/Database.h"
#include "db/Session.h"
#include "ui/Prompter.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QSpinBox>

namespace {

template <typename T> T* named(T* widget, const char* name)
{
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

} // namespace

SyncPage::SyncPage(Database& db, Session& session, Prompter& prompter, PasswordStore& passwords,
                   QWidget* parent)
    : QWidget(parent)
    , m_db(db)
    , m_session(session)
    , m_prompter(prompter)
    , m_passwords(passwords)
    , m_server(named(new QLineEdit(this), "Text_Server"))
    , m_user(named(new QLineEdit(this), "Text_User"))
    , m_password(named(new QLineEdit(this), "Text_Password"))
    , m_book(named(new QComboBox(this), "Combo_Book"))
    , m_find(named(new QPushButton(QStringLiteral("查找(&F)"), this), "Button_Find"))
    , m_groups(named(new QListWidget(this), "List_Groups"))
    , m_defaultGroup(named(new QComboBox(this), "Combo_Group"))
    , m_atStart(named(new QCheckBox(QStringLiteral("启动时同步"), this), "Check_SyncAtStart"))
    , m_everyMinutes(named(new QSpinBox(this), "Spin_SyncMinutes"))
    , m_syncNow(named(new QPushButton(QStringLiteral("立即同步(&S)"), this), "Button_SyncNow"))
    , m_log(named(new QPlainTextEdit(this), "Text_Log"))
{
    m_password->setEchoMode(QLineEdit::Password);
    m_server->setPlaceholderText(QStringLiteral("https://dav.example.com/"));
    m_log->setReadOnly(true);
    // A day at most; 0 (shown as "不定时") syncs only at start-up or when asked.
    m_everyMinutes->setRange(0, 24 * 60);
    m_everyMinutes->setSuffix(QStringLiteral(" 分钟"));
    m_everyMinutes->setSpecialValueText(QStringLiteral("不定时"));

    auto* bookRow = new QHBoxLayout;
    bookRow->addWidget(m_book, 1);
    bookRow->addWidget(m_find);
    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("服务器地址："), m_server);
    form->addRow(QStringLiteral("用户名："), m_user);
    form->addRow(QStringLiteral("密码："), m_password);
    form->addRow(QStringLiteral("通讯录："), bookRow);
    form->addRow(QStringLiteral("参与的分组\n（含下级分组，\n都不勾选为全部）："), m_groups);
    form->addRow(QStringLiteral("服务器上的新名片放入："), m_defaultGroup);
    form->addRow(m_atStart);
    form->addRow(QStringLiteral("每隔："), m_everyMinutes);
    form->addRow(m_syncNow);
    form->addRow(QStringLiteral("上次同步的记录："), m_log);
    setLayout(form);

    connect(m_find, &QPushButton::clicked, this, &SyncPage::findBooks);
    connect(m_syncNow, &QPushButton::clicked, this, &SyncPage::syncNow);
}

QString SyncPage::passwordKey() const
{
    return m_user->text().trimmed() + u'@' + m_server->text().trimmed();
}

Status SyncPage::load()
{
    auto stored = SyncSettings::read(m_db, m_session.currentUserId);
    if (!stored)
        return stored.error();
    m_stored = stored.value();
    auto groups = m_db.query(QStringLiteral("SELECT ID, Name FROM Vardelin_Type ORDER BY ID"));
    if (!groups)
        return groups.error();
    while (groups.value().next()) {
        const qint64 id = groups.value().value(0).toLongLong();
        const QString name = groups.value().value(1).toString();
        auto* item = new QListWidgetItem(name, m_groups);
        item->setData(Qt::UserRole, id);
        item->setCheckState(m_stored.groupIds.contains(id) ? Qt::Checked : Qt::Unchecked);
        m_defaultGroup->addItem(name, id);
    }
    if (Status read = m_db.finished(groups.value()); !read)
        return read;
    m_server->setText(m_stored.server);
    m_user->setText(m_stored.userName);
    if (!m_stored.book.isEmpty())
        m_book->addItem(m_stored.book.toString(), m_stored.book);
    m_defaultGroup->setCurrentIndex(std::max(0, m_defaultGroup->findData(m_stored.defaultGroupId)));
    m_atStart->setChecked(m_stored.atStart);
    m_everyMinutes->setValue(m_stored.everyMinutes);
    m_certificate = m_stored.trustedCertificate;
    if (!m_stored.userName.isEmpty())
        m_password->setText(m_passwords.read(passwordKey()).value_or(QString()));
    return {};
}

SyncSettings SyncPage::shownSettings() const
{
    SyncSettings settings = m_stored;
    settings.server = m_server->text().trimmed();
    settings.userName = m_user->text().trimmed();
    settings.book = m_book->currentData().toUrl();
    settings.groupIds.clear();
    for (int row = 0; row < m_groups->count(); ++row)
        if (m_groups->item(row)->checkState() == Qt::Checked)
            settings.groupIds << m_groups->item(row)->data(Qt::UserRole).toLongLong();
    settings.defaultGroupId = m_defaultGroup->currentData().toLongLong();
    settings.trustedCertificate = m_certificate;
    settings.atStart = m_atStart->isChecked();
    settings.everyMinutes = m_everyMinutes->value();
    return settings;
}

bool SyncPage::save()
{
    // The timed sync reads it from there; where no secret store runs it has none, and waits.
    if (!m_password->text().isEmpty())
        m_passwords.write(passwordKey(), m_password->text());
    const SyncSettings settings = shownSettings();
    if (settings == m_stored)
        return true;
    if (Status saved = settings.save(m_db, m_session.currentUserId); !saved) {
        m_prompter.showError(this, saved.error());
        return false;
    }
    auto stored = SyncSettings::read(m_db, m_session.currentUserId);
    if (stored)
        m_stored = stored.value();
    return stored.ok();
}

void SyncPage::prepare(DavClient& client)
{
    client.trustCertificate(m_certificate);
    client.setCertificateQuestion([this](const ServerCertificate& certificate) {
        const bool accepted = m_prompter.ask(
            this,
            QStringLiteral("服务器的安全证书不受本机信任。\n\n颁发给：%1\nSHA-256 指纹：\n%2\n\n"
                           "请与服务器的管理员核对指纹。确定使用这个证书连接吗？")
                .arg(certificate.subject, certificate.fingerprint),
            QStringLiteral("提示！"));
        if (accepted)
            m_certificate = certificate.fingerprint;
        return accepted;
    });
}

bool SyncPage::passwordKnown()
{
    if (!m_password->text().isEmpty())
        return true;
    // Not in the box: no secret store kept it. Asked, and kept in the box until the page closes.
    const QString typed = m_prompter.password(
        this, QStringLiteral("%1 在服务器上的密码：").arg(m_user->text().trimmed()),
        QStringLiteral("同步"));
    m_password->setText(typed);
    return !typed.isEmpty();
}

void SyncPage::findBooks()
{
    const QUrl server = QUrl::fromUserInput(m_server->text().trimmed());
    if (!server.isValid() || m_server->text().trimmed().isEmpty()) {
        m_prompter.message(this, QStringLiteral("请填写服务器地址。"), QStringLiteral("提示！"),
                           Prompter::Icon::Exclamation);
        return;
    }
    if (!passwordKnown())
        return;
    DavClient client(m_user->text().trimmed(), m_password->text());
    prepare(client);
    auto books = client.discover(server);
    if (!books) {
        m_prompter.showError(this, books.error());
        return;
    }
    m_book->clear();
    for (const AddressBookInfo& book : books.value())
        m_book->addItem(book.displayName, book.url);
    if (books.value().isEmpty())
        m_prompter.message(this, QStringLiteral("服务器上没有这个用户的通讯录。"),
                           QStringLiteral("提示！"), Prompter::Icon::Exclamation);
}

void SyncPage::syncNow()
{
    if (m_book->currentData().toUrl().isEmpty()) {
        m_prompter.message(this, QStringLiteral("请填写服务器和用户名，并选择通讯录。"),
                           QStringLiteral("提示！"), Prompter::Icon::Exclamation);
        return;
    }
    // Where no secret store runs save() keeps no password, and it is typed again next time.
    if (!passwordKnown() || !save())
        return;

    DavClient client(m_stored.userName, m_password->text());
    prepare(client);
    QProgressDialog progress(QStringLiteral("正在同步……"), QStringLiteral("取消"), 0, 0, this);
    progress.setObjectName(QStringLiteral("SyncProgress"));
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(0);
    connect(&progress, &QProgressDialog::canceled, this, [&client] { client.cancel(); });
    const SyncScope scope{m_session.currentUserId,
                          m_session.currentUserId == Session::administratorId, m_stored.groupIds,
                          m_stored.defaultGroupId, QDate::currentDate()};
    const SyncResolver resolver =
        [this](const SyncConflict& conflict) -> std::optional<QSet<QString>> {
        SyncConflictDialog dialog(conflict, this);
        if (m_prompter.runDialog(dialog) != QDialog::Accepted)
            return std::nullopt;
        return dialog.serverFields();
    };
    auto summary = SyncEngine::run(m_db, client, m_stored.book, m_stored.syncToken, scope, resolver,
                                   [&progress](qsizetype done, qsizetype total) {
                                       progress.setMaximum(int(total));
                                       progress.setValue(int(done));
                                   });
    progress.reset();
    emit synced();
    if (m_certificate != m_stored.trustedCertificate)
        save();
    if (!summary) {
        m_prompter.showError(this, summary.error());
        return;
    }
    m_log->setPlainText(summary.value().log.join(u'\n'));
    if (Status kept =
            SyncSettings::saveToken(m_db, m_session.currentUserId, summary.value().syncToken);
        !kept) {
        m_prompter.showError(this, kept.error());
        return;
    }
    m_stored.syncToken = summary.value().syncToken;
    m_prompter.message(this, QStringLiteral("同步完成。") + summary.value().text(),
                       QStringLiteral("提示！"), Prompter::Icon::Information);
}
