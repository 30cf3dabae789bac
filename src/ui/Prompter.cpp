// SPDX-License-Identifier: GPL-3.0-or-later
#include "Prompter.h"

#include "db/DbError.h"

#include <QDialog>

void Prompter::showError(QWidget* parent, const DbError& error)
{
    if (error.told)
        return;
    message(parent, error.description, QStringLiteral("错误") + QString::number(error.number),
            Icon::Critical);
}

int Prompter::runDialog(QDialog& /*dialog*/)
{
    return QDialog::Rejected;
}
