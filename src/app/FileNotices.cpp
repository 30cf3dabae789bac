// SPDX-License-Identifier: GPL-3.0-or-later
#include "FileNotices.h"

#include "db/Database.h"
#include "ui/Prompter.h"

#include <QDialog>
#include <QTimer>
#include <QWidget>

namespace {

const QString noticeTitle = QStringLiteral("提示！");

} // namespace

FileNotices::FileNotices(Database& db, Prompter& prompter, QWidget* window,
                         std::function<bool()> running, std::function<void()> reopen)
    : QObject(window)
    , m_prompter(prompter)
    , m_window(window)
    , m_running(std::move(running))
    , m_reopen(std::move(reopen))
{
    db.setDamageNotice([this] { return tellDamage(); });
    db.setReplacedNotice([this] { return offerReopen(); });
}

bool FileNotices::tellDamage()
{
    if (!m_running())
        return false;
    // Once the command that met the damage has returned, not in the middle of its statement.
    QTimer::singleShot(0, this, [this] {
        m_prompter.message(m_window, DbError::damaged().description, noticeTitle,
                           Prompter::Icon::Exclamation);
    });
    return true;
}

bool FileNotices::offerReopen()
{
    if (!m_running())
        return false;
    if (!m_offerQueued) {
        m_offerQueued = true;
        QTimer::singleShot(0, this, &FileNotices::askToReopen);
    }
    return true;
}

void FileNotices::askToReopen()
{
    m_offerQueued = false;
    const QString question = DbError::replaced().description +
                             QStringLiteral("\n\n是否重新打开通讯录？尚未保存的修改将会丢失。");
    if (!m_prompter.ask(m_window, question, noticeTitle))
        return;
    // Whatever is open on the old file goes with it: a card, the settings window.
    for (QDialog* dialog : m_window->findChildren<QDialog*>()) {
        if (dialog->isVisible())
            dialog->done(QDialog::Rejected);
    }
    m_reopen();
}
