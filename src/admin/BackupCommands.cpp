// SPDX-License-Identifier: GPL-3.0-or-later
#include "BackupCommands.h"

#include "card/TransferProgress.h"
#include "db/Backup.h"
#include "db/BookCopy.h"
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
                               const Buttons& buttons, bool administrator)
    : QObject(window)
    , m_db(db)
    , m_prompter(prompter)
    , m_window(window)
{
    for (QAbstractButton* button : {buttons.backup, buttons.restore, buttons.copy})
        button->setEnabled(administrator);
    connect(buttons.backup, &QAbstractButton::clicked, this, &BackupCommands::backUpNow);
    connect(buttons.restore, &QAbstractButton::clicked, this, &BackupCommands::restoreFromFile);
    connect(buttons.copy, &QAbstractButton::clicked, this, &BackupCommands::copyBook);
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
    // A server's book has no file to copy page by page: its backup is a copy into a file.
    if (m_db.backend() == Backend::Server) {
        copyTo(target);
        return;
    }
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
    if (m_db.backend() == Backend::Server) {
        restoreIntoServer(source);
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

void BackupCommands::restoreIntoServer(const QString& source)
{
    // No copy of the server's book is kept first: that is its administrator's backup.
    if (!m_prompter.ask(
            m_window,
            QStringLiteral("是否用所选的备份替换数据库服务器上的通讯录？服务器上现有的"
                           "全部联系人和设置都将被替换，所有使用它的人都会看到这一变化，"
                           "且不能撤销。"),
            notice))
        return;
    const auto restoring = [&](const BookCopy::Progress& progress) {
        return Backup::restoreIntoServer(m_db, source, progress);
    };
    if (!copiedWithProgress(QStringLiteral("正在恢复通讯录……"), QStringLiteral("恢复失败："),
                            restoring))
        return;
    tell(QStringLiteral("恢复完成！程序将重新载入通讯录。"), false);
    emit this->restored();
}

void BackupCommands::copyBook()
{
    const int where = m_prompter.choose(
        m_window,
        QStringLiteral(
            "把当前通讯录（连同图片和文件）复制到新的文件，还是数据库服务器上的空数据库？"),
        notice, Prompter::Icon::Question,
        {QStringLiteral("文件"), QStringLiteral("数据库服务器"), QStringLiteral("取消")});
    QString target;
    if (where == 0)
        target =
            m_prompter.saveFileName(m_window, QStringLiteral("复制通讯录"),
                                    QDir::home().filePath(QStringLiteral("DB.xml")), fileFilter);
    else if (where == 1)
        target = m_prompter.input(
            m_window, QStringLiteral("空数据库的地址（postgresql://用户名@主机:端口/数据库名）："),
            QStringLiteral("复制通讯录"), QStringLiteral("postgresql://"));
    if (!target.trimmed().isEmpty())
        copyTo(target.trimmed());
}

void BackupCommands::copyTo(const QString& target)
{
    const auto copying = [&](const BookCopy::Progress& progress) {
        return BookCopy::copy(m_db.path(), target, progress);
    };
    const auto copied = copiedWithProgress(QStringLiteral("正在复制通讯录……"),
                                           QStringLiteral("复制失败："), copying);
    if (!copied)
        return;
    tell(QStringLiteral("复制完成！共 %1 行，%2 个图片和文件，均已核对无误。")
             .arg(copied->rows)
             .arg(copied->blobs),
         false);
}

std::optional<BookCopy::Copied> BackupCommands::copiedWithProgress(
    const QString& label, const QString& failedHead,
    const std::function<Result<BookCopy::Copied>(const BookCopy::Progress&)>& work)
{
    Result<BookCopy::Copied> copied = BookCopy::Copied{};
    {
        TransferProgress progress(m_window, label);
        copied = work(progress.callback());
    }
    if (!copied) {
        tell(failedHead + copied.error().description, true);
        return std::nullopt;
    }
    if (copied.value().stopped)
        return std::nullopt;
    return copied.value();
}
