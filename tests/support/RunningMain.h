// SPDX-License-Identifier: GPL-3.0-or-later
// One running main window over its own connection to a test's file, with the
// look-ups and clicks the window tests share.
#pragma once

#include "ScriptedPrompter.h"

#include "app/Main.h"
#include "contacts/ContactListView.h"
#include "contacts/LetterTabs.h"
#include "db/Database.h"
#include "db/Session.h"
#include "groups/GroupTreeWidget.h"

#include <QHeaderView>
#include <QTest>
#include <QToolButton>

#include <memory>

struct RunningMain {
    Database db;
    Session session;
    ScriptedPrompter prompter;
    std::unique_ptr<Main> window = std::make_unique<Main>(db, session, prompter);

    // Starts up and shows the window as the program does, so clicks land, and waits for the
    // whole list a large book shows only after the first frame.
    bool start(const QString& path)
    {
        if (!window->startUp(path))
            return false;
        window->show();
        return QTest::qWaitForWindowExposed(window.get()) &&
               QTest::qWaitFor([this] { return window->listComplete(); });
    }

    template <typename T> T* find(const QString& name) const { return window->findChild<T*>(name); }
    ContactListView* list() const { return find<ContactListView>(QStringLiteral("ListView")); }
    GroupTreeWidget* tree() const { return find<GroupTreeWidget>(QStringLiteral("Tree")); }
    LetterTabs* tabs() const { return find<LetterTabs>(QStringLiteral("TabControl")); }
    QToolButton* tool(const char* name) const
    {
        return find<QToolButton>(QString::fromLatin1(name));
    }
    QAction* action(const char* name) const { return find<QAction>(QString::fromLatin1(name)); }

    // The list's text in one column, top to bottom; column 0 is the name.
    QStringList column(int column) const
    {
        QStringList values;
        const QAbstractItemModel* model = list()->model();
        for (int row = 0; row < model->rowCount(); ++row)
            values << model->index(row, column).data().toString();
        return values;
    }
    QStringList names() const { return column(0); }

    QTreeWidgetItem* treeItem(const QString& text) const
    {
        const auto found = tree()->findItems(text, Qt::MatchExactly | Qt::MatchRecursive);
        return found.isEmpty() ? nullptr : found.first();
    }
    void clickTreeItem(QTreeWidgetItem* item) const
    {
        tree()->scrollToItem(item);
        QTest::mouseClick(tree()->viewport(), Qt::LeftButton, {},
                          tree()->visualItemRect(item).center());
    }
    void clickHeader(int section) const
    {
        QHeaderView* header = list()->horizontalHeader();
        const QPoint at(header->sectionViewportPosition(section) + 5, header->height() / 2);
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, at);
    }
};
