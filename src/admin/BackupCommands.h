// SPDX-License-Identifier: GPL-3.0-or-later
// The commands "立即备份" and "从备份恢复" of the page "基本选项", for the administrator only.
#pragma once

#include <QObject>

class Database;
class Prompter;
class QAbstractButton;
class QWidget;

class BackupCommands : public QObject {
    Q_OBJECT

public:
    // The buttons are switched off for everyone but the administrator.
    BackupCommands(Database& db, Prompter& prompter, QWidget* window, QAbstractButton* backup,
                   QAbstractButton* restore, bool administrator);

signals:
    // The database file has been replaced (or could not be opened again): the main window must
    // start again on it.
    void restored();

private:
    void backUpNow();
    void restoreFromFile();
    void tell(const QString& text, bool failed);

    Database& m_db;
    Prompter& m_prompter;
    QWidget* m_window;
};
