// SPDX-License-Identifier: GPL-3.0-or-later
#include "AccountsPage.h"

#include "Accounts.h"

#include "db/ListWidths.h"
#include "ui/CommandButton.h"
#include "ui/ProgramIcons.h"
#include "ui/Prompter.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

const QString notice = QStringLiteral("提示！");

} // namespace

AccountsPage::AccountsPage(Database& db, Prompter& prompter, qint64 currentUserId, QWidget* parent)
    : QWidget(parent)
    , m_db(db)
    , m_prompter(prompter)
    , m_currentUserId(currentUserId)
    , m_list(new QTreeWidget(this))
    , m_add(commandButton(QStringLiteral("Button_Add"), QStringLiteral("添加"), this))
    , m_edit(commandButton(QStringLiteral("Button_Edit"), QStringLiteral("修改"), this))
    , m_delete(commandButton(QStringLiteral("Button_Del"), QStringLiteral("删除"), this))
{
    m_list->setObjectName(QStringLiteral("ListView"));
    m_list->setAccessibleName(QStringLiteral("用户"));
    m_list->setRootIsDecorated(false);
    m_list->setUniformRowHeights(true);
    m_list->setHeaderLabels({QStringLiteral("用户名"), QStringLiteral("界面")});
    m_list->header()->setStretchLastSection(false);
    m_list->setColumnWidth(0, ListWidths::pixelsFromTwips(2500, m_list->logicalDpiX()));
    m_list->setColumnWidth(1, ListWidths::pixelsFromTwips(1500, m_list->logicalDpiX()));

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_add);
    buttons->addWidget(m_edit);
    buttons->addWidget(m_delete);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_list, 1);
    layout->addLayout(buttons);

    connect(m_add, &QPushButton::clicked, this, &AccountsPage::Button_Add_Click);
    connect(m_edit, &QPushButton::clicked, this, &AccountsPage::Button_Edit_Click);
    connect(m_delete, &QPushButton::clicked, this, &AccountsPage::Button_Del_Click);
}

Status AccountsPage::GJUser()
{
    auto accounts = Accounts::list(m_db);
    if (!accounts)
        return accounts.error();
    const QIcon icon = ProgramIcons::load(QString(ProgramIcons::accountRow));
    m_list->clear();
    for (const Account& account : accounts.value()) {
        auto* row = new QTreeWidgetItem(m_list, {account.name, account.skin});
        row->setData(0, Qt::UserRole, account.id);
        row->setIcon(0, icon);
    }
    return {};
}

QTreeWidgetItem* AccountsPage::rowOf(qint64 accountId) const
{
    for (int i = 0; i < m_list->topLevelItemCount(); ++i) {
        QTreeWidgetItem* row = m_list->topLevelItem(i);
        if (row->data(0, Qt::UserRole).toLongLong() == accountId)
            return row;
    }
    return nullptr;
}

qint64 AccountsPage::selectedId() const
{
    const QList<QTreeWidgetItem*> selected = m_list->selectedItems();
    return selected.isEmpty() ? 0 : selected.first()->data(0, Qt::UserRole).toLongLong();
}

void AccountsPage::tell(const QString& text, bool exclamation)
{
    m_prompter.message(this, text, notice,
                       exclamation ? Prompter::Icon::Exclamation : Prompter::Icon::Information);
}

void AccountsPage::refill()
{
    if (Status filled = GJUser(); !filled)
        m_prompter.showError(this, filled.error());
}

void AccountsPage::Button_Add_Click()
{
    const QString name =
        m_prompter.input(this, QStringLiteral("输入新用户名称，密码默认为739！"), notice, {});
    if (name.isEmpty())
        return;
    auto added = Accounts::add(m_db, name, m_suffix);
    if (!added) {
        m_prompter.showError(this, added.error());
        return;
    }
    if (added.value() != Accounts::Outcome::Done)
        tell(Accounts::refusal(added.value()), true);
    refill();
}

void AccountsPage::Button_Edit_Click()
{
    const qint64 id = selectedId();
    if (id == 0) {
        tell(QStringLiteral("没有选择需要修改的用户！"), false);
        return;
    }
    auto found = Accounts::exists(m_db, id);
    if (!found) {
        m_prompter.showError(this, found.error());
        return;
    }
    if (!found.value()) {
        tell(Accounts::refusal(Accounts::Outcome::Missing), true);
        refill();
        return;
    }
    const QString name = m_prompter.input(this, QStringLiteral("输入新用户名称！"), notice,
                                          m_list->selectedItems().first()->text(0));
    if (name.isEmpty())
        return;
    auto renamed = Accounts::rename(m_db, id, name);
    if (!renamed) {
        m_prompter.showError(this, renamed.error());
        return;
    }
    if (renamed.value() != Accounts::Outcome::Done)
        tell(Accounts::refusal(renamed.value()), true);
    refill();
}

void AccountsPage::Button_Del_Click()
{
    const qint64 id = selectedId();
    if (id == 0) {
        tell(QStringLiteral("没有选择需要删除的用户！"), false);
        return;
    }
    // Refused before the question: the answer could not change it.
    if (const auto refused = Accounts::mayRemove(id, m_currentUserId);
        refused != Accounts::Outcome::Done) {
        tell(Accounts::refusal(refused), true);
        return;
    }
    if (!m_prompter.ask(this, QStringLiteral("是否真要删除选中的用户？"), notice))
        return;
    auto removed = Accounts::remove(m_db, id, m_currentUserId);
    if (!removed) {
        m_prompter.showError(this, removed.error());
        return;
    }
    if (removed.value() != Accounts::Outcome::Done) {
        tell(Accounts::refusal(removed.value()), true);
        return;
    }
    refill();
}
