// SPDX-License-Identifier: GPL-3.0-or-later
#include "BackupCommands.h"

#include "db/Backup.h"
#include "db/Database.h"
#include "ui/Prompter.h"

#include <QAbstractButton>
#include <QDate>
#include <QDir>

namespace {

const QString fileFilter = QStringLiteral("通讯录数据库 (*.xml);;所有文件 (*)");
const QString notice = QStringLiteral("提示！");

} // namespace

BackupCommands::BackupCommands(Database& db, Prompter& prompter, QWidget* window,
                               QAbstractButton* backup, QAbstractButton* restore,
                               bool administrator)
    : QObject(window)
    , m_db(db)
    , m_prompter(prompter)
    , m_window(window)
{
    backup->setEnabled(administrator);
    restore->setEnabled(administrator);
    connect(backup, &QAbstractButton::clicked, this, &BackupCommands::backUpNow);
    connect(restore, &QAbstractButton::clicked, this, &BackupCommands::restoreFromFile);
}

void BackupCommands::tell(const QString& text, bool failed)
{
    m_prompter.message(m_window, text, notice,
                       failed ? Prompter::Icon::Exclamation : Prompter::Icon::Information);
}

void BackupCommands::backUpNow()
{
    const QString suggested =
        QDir::home().filePath(Backup::dailyName(m_db.path(), QDate::currentDate()));
    const QString target =
        m_prompter.saveFileName(m_window, QStringLiteral("立即备份"), suggested, fileFilter);
    if (target.isEmpty())
        return;
    if (Status copied = Backup::copyTo(m_db, target); !copied) {
        tell(QStringLiteral("备份失败：") + copied.error().description, true);
        return;
    }
    tell(QStringLiteral("备份完成！"), false);
}

void BackupCommands::restoreFromFile()
{
    const QString source =
        m_prompter.openFileName(m_window, QStringLiteral("从备份恢复"), fileFilter);
    if (source.isEmpty())
        return;
    if (Status checked = Backup::check(source); !checked) {
        tell(QStringLiteral("所选文件不能用来恢复：") + checked.error().description, true);
        return;
    }
    if (!m_prompter.ask(m_window,
                        QStringLiteral("是否用所选的备份替换当前的通讯录？当前的通讯录将先备份到"
                                       "“备份”文件夹。"),
                        notice))
        return;
    if (Status restored = Backup::restore(m_db, source, QDate::currentDate()); !restored) {
        tell(QStringLiteral("恢复失败：") + restored.error().description, true);
        // A file that could not be opened again is reported by the main window's start-up.
        if (!m_db.isOpen())
            emit this->restored();
        return;
    }
    tell(QStringLiteral("恢复完成！程序将重新载入通讯录。"), false);
    emit restored();
}
