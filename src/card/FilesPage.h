// SPDX-License-Identifier: GPL-3.0-or-later
// The card's "文档" page: the contact's attached files, added, saved back out and deleted.
#pragma once

#include "db/Result.h"

#include <QWidget>

class Database;
class Prompter;
class QPushButton;
class QTreeWidget;

class FilesPage : public QWidget {
    Q_OBJECT

public:
    // Works on the files of contactId; a contact without a row yet (0) can have none added.
    FilesPage(Database& db, Prompter& prompter, qint64 contactId, QWidget* parent = nullptr);

    // Lists the contact's files, newest upload first, none ticked.
    Status GJFiles();

    enum Column { NameColumn, DateColumn, SizeColumn, TypeColumn, ColumnCount };
    // The list's widths in twips, the unit the layout gives them in.
    static constexpr int columnTwips[ColumnCount] = {3000, 2000, 1500, 1000};

private:
    void addFile();
    void saveFile();
    void deleteFiles();
    void refill();

    Database& m_db;
    Prompter& m_prompter;
    qint64 m_contactId;
    QPushButton* m_add = nullptr;
    QTreeWidget* m_list = nullptr;
};
