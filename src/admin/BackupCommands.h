// SPDX-License-Identifier: GPL-3.0-or-later
// The commands "立即备份", "从备份恢复" and "复制通讯录" of the page "基本选项", for the
// administrator only.
#pragma once

#include "db/BookCopy.h"

#include <QObject>

#include <functional>
#include <optional>

class Database;
class Prompter;
class QAbstractButton;
class QWidget;

class BackupCommands : public QObject {
    Q_OBJECT

public:
    struct Buttons {
        QAbstractButton* backup;
        QAbstractButton* restore;
        QAbstractButton* copy;
    };
    // The buttons are switched off for everyone but the administrator.
    BackupCommands(Database& db, Prompter& prompter, QWidget* window, const Buttons& buttons,
                   bool administrator);

signals:
    // The database file has been replaced (or could not be opened again): the main window must
    // start again on it.
    void restored();

private:
    void backUpNow();
    void restoreFromFile();
    // Every row of the server's book replaced by the backup's, in one transaction.
    void restoreIntoServer(const QString& source);
    // The whole book into a new file or an empty server database, checked before it counts.
    void copyBook();
    void copyTo(const QString& target);
    // Runs work under a progress window with Cancel; what it copied, or nothing when it failed
    // (told, after failedHead) or was stopped.
    std::optional<BookCopy::Copied> copiedWithProgress(
        const QString& label, const QString& failedHead,
        const std::function<Result<BookCopy::Copied>(const BookCopy::Progress&)>& work);
    void tell(const QString& text, bool failed);

    Database& m_db;
    Prompter& m_prompter;
    QWidget* m_window;
};
