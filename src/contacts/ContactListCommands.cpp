// SPDX-License-Identifier: GPL-3.0-or-later
#include "ContactListCommands.h"

#include "ContactCommands.h"
#include "ContactListView.h"
#include "frmDuplicates.h"
#include "frmTName.h"

#include "ui/Prompter.h"

#include <QAbstractButton>
#include <QAction>
#include <QContextMenuEvent>
#include <QMenu>
#include <QShortcut>

namespace {

const QString tickAll = QStringLiteral("全部选中");
const QString untickAll = QStringLiteral("全部取消");
const QString noticeTitle = QStringLiteral("提示！");

} // namespace

ContactListCommands::ContactListCommands(Database& db, const Session& session, Prompter& prompter,
                                         ContactListView* list, QMenu* menu,
                                         QAbstractButton* deleteButton, QWidget* window)
    : QObject(window)
    , m_db(db)
    , m_session(session)
    , m_prompter(prompter)
    , m_list(list)
    , m_menu(menu)
    , m_window(window)
{
    connect(deleteButton, &QAbstractButton::clicked, this, &ContactListCommands::Button_Del);
    if (QAction* item = menuItem("AllSelect"))
        connect(item, &QAction::triggered, this, &ContactListCommands::AllSelect);
    if (QAction* item = menuItem("AllDel"))
        connect(item, &QAction::triggered, this, &ContactListCommands::Button_Del);
    if (QAction* item = menuItem("EditType"))
        connect(item, &QAction::triggered, this, &ContactListCommands::EditType);
    if (QAction* item = menuItem("FindDuplicates"))
        connect(item, &QAction::triggered, this, &ContactListCommands::FindDuplicates);

    m_list->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_list, &QWidget::customContextMenuRequested, this, &ContactListCommands::showMenu);
    m_list->installEventFilter(this);
    m_list->viewport()->installEventFilter(this);

    auto* deleteKey = new QShortcut(QKeySequence(Qt::Key_Delete), m_list);
    deleteKey->setContext(Qt::WidgetShortcut);
    connect(deleteKey, &QShortcut::activated, this, &ContactListCommands::Button_Del);
    auto* spaceKey = new QShortcut(QKeySequence(Qt::Key_Space), m_list);
    spaceKey->setContext(Qt::WidgetShortcut);
    connect(spaceKey, &QShortcut::activated, this, &ContactListCommands::toggleCurrent);
}

QAction* ContactListCommands::menuItem(const char* name) const
{
    return m_menu->findChild<QAction*>(QString::fromLatin1(name));
}

bool ContactListCommands::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::ContextMenu)
        m_fromKeyboard =
            static_cast<QContextMenuEvent*>(event)->reason() == QContextMenuEvent::Keyboard;
    return QObject::eventFilter(watched, event);
}

void ContactListCommands::showMenu(const QPoint& at)
{
    QPoint where = at;
    if (m_fromKeyboard) {
        const QModelIndex current = m_list->currentIndex();
        where = current.isValid() ? m_list->visualRect(current).bottomLeft() : QPoint(0, 0);
    }
    m_menu->popup(m_list->viewport()->mapToGlobal(where));
}

void ContactListCommands::Button_Del()
{
    // The question comes first, even with nothing ticked.
    if (!m_prompter.ask(m_window, QStringLiteral("是否真的要删除勾选的联系人？删除后无法恢复！"),
                        noticeTitle))
        return;
    const std::vector<qint64> ticked = m_list->contacts()->checkedIds();
    if (ticked.empty()) {
        m_prompter.message(m_window, QStringLiteral("没有勾选需要删除的联系人！"), noticeTitle,
                           Prompter::Icon::Exclamation);
        return;
    }
    // A delete that fails changes nothing: the list keeps its rows and ticks as they are.
    if (Status deleted = ContactCommands::deleteContacts(m_db, ticked); !deleted) {
        m_prompter.showError(m_window, deleted.error());
        return;
    }
    const int before = m_list->contacts()->rowCount();
    m_list->removeContacts(ticked);
    emit contactsRemoved(std::size_t(before - m_list->contacts()->rowCount()));
}

void ContactListCommands::AllSelect()
{
    QAction* item = menuItem("AllSelect");
    ContactTableModel* rows = m_list->contacts();
    // With no rows the caption stays as it is, as when it is set row by row.
    if (!item || rows->rowCount() == 0)
        return;
    const bool ticking = item->text() == tickAll;
    rows->setAllChecked(ticking);
    item->setText(ticking ? untickAll : tickAll);
}

void ContactListCommands::EditType()
{
    const std::vector<qint64> ticked = m_list->contacts()->checkedIds();
    if (ticked.empty()) {
        m_prompter.message(m_window, QStringLiteral("没有勾选需要更改分组的联系人！"), noticeTitle,
                           Prompter::Icon::Exclamation);
        return;
    }
    frmTName dialog(
        m_db, m_prompter,
        [&](qint64 groupId) { return ContactCommands::moveContacts(m_db, ticked, groupId); },
        m_window);
    if (Status filled = dialog.GJParent(); !filled) {
        m_prompter.showError(m_window, filled.error());
        return;
    }
    dialog.exec();
    // The moved rows stay in view, still ticked, until the next build.
    if (dialog.failure()) {
        m_prompter.showError(m_window, *dialog.failure());
        emit listStale();
    }
}

void ContactListCommands::FindDuplicates()
{
    frmDuplicates dialog(m_db, m_session, m_prompter, m_window);
    if (Status found = dialog.GJDuplicates(); !found) {
        m_prompter.showError(m_window, found.error());
        return;
    }
    if (dialog.groupCount() == 0) {
        m_prompter.message(m_window, QStringLiteral("没有找到重复的联系人！"), noticeTitle,
                           Prompter::Icon::Information);
        return;
    }
    // Rebuilt after every merge: the merged contacts vanish, the kept one shows its new values.
    connect(&dialog, &frmDuplicates::merged, this, &ContactListCommands::listStale);
    dialog.exec();
}

void ContactListCommands::toggleCurrent()
{
    const QModelIndex current = m_list->currentIndex();
    if (!current.isValid())
        return;
    ContactTableModel* rows = m_list->contacts();
    const QModelIndex box = rows->index(current.row(), rows->leadColumn());
    const bool ticked = box.data(Qt::CheckStateRole).value<Qt::CheckState>() == Qt::Checked;
    rows->setData(box, ticked ? Qt::Unchecked : Qt::Checked, Qt::CheckStateRole);
}
