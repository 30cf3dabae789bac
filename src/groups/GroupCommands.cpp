// SPDX-License-Identifier: GPL-3.0-or-later
#include "GroupCommands.h"

#include "GroupEditing.h"
#include "GroupTreeWidget.h"
#include "frmType.h"

#include "ui/Prompter.h"

#include <QAbstractButton>
#include <QAction>
#include <QContextMenuEvent>
#include <QMenu>
#include <QSignalBlocker>

GroupCommands::GroupCommands(Database& db, Prompter& prompter, GroupTreeWidget* tree, QMenu* menu,
                             QAbstractButton* newButton, QWidget* window)
    : QObject(window)
    , m_db(db)
    , m_prompter(prompter)
    , m_tree(tree)
    , m_menu(menu)
    , m_window(window)
{
    connect(newButton, &QAbstractButton::clicked, this, &GroupCommands::Button_Type_New);
    if (auto* item = m_menu->findChild<QAction*>(QStringLiteral("Edit_Menu")))
        connect(item, &QAction::triggered, this, &GroupCommands::Edit_Menu);
    if (auto* item = m_menu->findChild<QAction*>(QStringLiteral("Del_Menu")))
        connect(item, &QAction::triggered, this, &GroupCommands::Del_Menu);
    m_tree->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_tree, &QWidget::customContextMenuRequested, this, &GroupCommands::showMenu);
    m_tree->installEventFilter(this);
    m_tree->viewport()->installEventFilter(this);
}

bool GroupCommands::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::ContextMenu)
        m_fromKeyboard =
            static_cast<QContextMenuEvent*>(event)->reason() == QContextMenuEvent::Keyboard;
    return QObject::eventFilter(watched, event);
}

void GroupCommands::notice(const QString& text)
{
    m_prompter.message(m_window, text, QStringLiteral("提示！"), Prompter::Icon::Exclamation);
}

void GroupCommands::showMenu(const QPoint& at)
{
    // The menu acts on the node under the mouse: it becomes the selected node
    // and its contacts are listed, so the tree, the list and the menu agree.
    if (m_fromKeyboard) {
        const QTreeWidgetItem* selected = m_tree->currentItem();
        const QPoint below =
            selected ? m_tree->visualItemRect(selected).bottomLeft() : QPoint(0, 0);
        m_menu->popup(m_tree->viewport()->mapToGlobal(below));
        return;
    }
    if (QTreeWidgetItem* item = m_tree->itemAt(at)) {
        {
            // Reported once, below, however the node became current.
            const QSignalBlocker quiet(m_tree);
            m_tree->setCurrentItem(item);
        }
        emit groupPicked(GroupTreeWidget::groupIdOf(item));
    }
    m_menu->popup(m_tree->viewport()->mapToGlobal(at));
}

void GroupCommands::Button_Type_New()
{
    const QTreeWidgetItem* selected = m_tree->currentItem();
    if (!selected) {
        notice(QStringLiteral("请选择上级分组！"));
        return;
    }
    runDialog(false, 0, GroupTreeWidget::groupIdOf(selected));
}

void GroupCommands::Edit_Menu()
{
    const QTreeWidgetItem* selected = m_tree->currentItem();
    if (!selected) {
        notice(QStringLiteral("请选择要修改分组！"));
        return;
    }
    const qint64 id = GroupTreeWidget::groupIdOf(selected);
    if (id == GroupEditing::rootId || !selected->parent()) {
        notice(QStringLiteral("根级分组不能修改！"));
        return;
    }
    runDialog(true, id, GroupTreeWidget::groupIdOf(selected->parent()));
}

void GroupCommands::runDialog(bool isEdit, qint64 id, qint64 parentId)
{
    frmType dialog(m_db, m_prompter, {isEdit, id, parentId}, m_window);
    if (Status loaded = dialog.load(); !loaded) {
        m_prompter.showError(m_window, loaded.error());
        return;
    }
    // Deleted by another program since the tree was built: nothing to edit.
    if (!dialog.rowFound()) {
        notice(QStringLiteral("分组已被删除，无法修改！"));
        return;
    }
    if (dialog.exec() == QDialog::Accepted)
        emit groupsChanged();
}

void GroupCommands::Del_Menu()
{
    QTreeWidgetItem* selected = m_tree->currentItem();
    if (!selected) {
        notice(QStringLiteral("请选择要删除分组！"));
        return;
    }
    const qint64 id = GroupTreeWidget::groupIdOf(selected);
    if (id == GroupEditing::rootId || !selected->parent()) {
        notice(QStringLiteral("根级分组不能删除！"));
        return;
    }
    if (selected->childCount() > 0) {
        notice(QStringLiteral("存在下级分组不能删除！"));
        return;
    }
    // The tree shows only what it reaches; the database has the last word.
    auto problem = GroupEditing::deletionProblem(m_db, id);
    if (!problem) {
        m_prompter.showError(m_window, problem.error());
        return;
    }
    if (problem.value()) {
        notice(*problem.value());
        return;
    }
    if (!m_prompter.ask(m_window, QStringLiteral("是否真的要删除选中的分组？"),
                        QStringLiteral("提示")))
        return;
    auto removed = GroupEditing::remove(m_db, id);
    if (!removed) {
        m_prompter.showError(m_window, removed.error());
        return;
    }
    if (!removed.value().done()) {
        notice(removed.value().refusal);
        return;
    }
    // Only the node goes: no rebuild, and the list is not refilled, so the
    // tree's change of current node must not report itself as a pick.
    const QSignalBlocker quiet(m_tree);
    QTreeWidgetItem* parent = selected->parent();
    delete selected;
    m_tree->setCurrentItem(parent);
}
