// SPDX-License-Identifier: GPL-3.0-or-later
#include "AddressBookCommands.h"

#include "db/Backup.h"
#include "db/Database.h"
#include "ui/Prompter.h"

#include <QFileInfo>

namespace {

const QString fileFilter = QStringLiteral("通讯录 (*.xml);;所有文件 (*)");

} // namespace

namespace AddressBookCommands {

std::optional<QString> createNew(QWidget* parent, Prompter& prompter)
{
    const QString path = prompter.saveFileName(parent, QStringLiteral("新建通讯录"),
                                               QStringLiteral("通讯录.xml"), fileFilter);
    if (path.isEmpty())
        return std::nullopt;
    // The save dialog's own question may have been answered with "replace": an address book
    // that exists holds someone's contacts, so it is never written over.
    if (QFileInfo::exists(path)) {
        prompter.message(
            parent,
            QStringLiteral("文件“%1”已经存在，新建通讯录不会覆盖它。请另选一个文件名。").arg(path),
            QStringLiteral("提示！"), Prompter::Icon::Exclamation);
        return std::nullopt;
    }
    if (Status created = Database::create(path); !created) {
        prompter.showError(parent, created.error());
        return std::nullopt;
    }
    return path;
}

std::optional<QString> chooseExisting(QWidget* parent, Prompter& prompter)
{
    const QString path = prompter.openFileName(parent, QStringLiteral("打开通讯录"), fileFilter);
    if (path.isEmpty())
        return std::nullopt;
    // Checked before this window closes: a file that would not open must not end the program.
    if (Status usable = Backup::check(path); !usable) {
        prompter.showError(parent, usable.error());
        return std::nullopt;
    }
    return path;
}

} // namespace AddressBookCommands
