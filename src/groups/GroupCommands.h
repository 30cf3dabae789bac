// SPDX-License-Identifier: GPL-3.0-or-later
// The group commands of the tree: new group, and the pop-up menu's edit and delete.
#pragma once

#include <QObject>

class Database;
class GroupTreeWidget;
class Prompter;
class QAbstractButton;
class QDialog;
class QMenu;
class QTreeWidgetItem;
class QWidget;

class GroupCommands : public QObject {
    Q_OBJECT

public:
    // Connects Button_Type_New, the items Edit_Menu and Del_Menu of RightMenu
    // (found by name) and the tree's right click. window is the parent of
    // every prompt and dialog.
    GroupCommands(Database& db, Prompter& prompter, GroupTreeWidget* tree, QMenu* menu,
                  QAbstractButton* newButton, QWidget* window);

    // Adds a group below the selected node.
    void Button_Type_New();
    // Edits the selected group.
    void Edit_Menu();
    // Deletes the selected group after its checks and the question; only its
    // node leaves the tree.
    void Del_Menu();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

signals:
    // A group was saved: the tree must be rebuilt.
    void groupsChanged();
    // A right click chose this node, as a left click would: list its contacts.
    void groupPicked(qint64 groupId);

private:
    void showMenu(const QPoint& at);
    void runDialog(bool isEdit, qint64 id, qint64 parentId);
    void notice(const QString& text);

    Database& m_db;
    Prompter& m_prompter;
    GroupTreeWidget* m_tree;
    QMenu* m_menu;
    QWidget* m_window;
    // Whether the menu now asked for comes from the keyboard's menu key,
    // which names no node: it then acts on the selected one.
    bool m_fromKeyboard = false;
};
