// SPDX-License-Identifier: GPL-3.0-or-later
// The prompts as the user sees them: Qt's standard dialogs.
#pragma once

#include "Prompter.h"

class QtPrompter final : public Prompter {
public:
    void message(QWidget* parent, const QString& text, const QString& title, Icon icon) override;
    bool ask(QWidget* parent, const QString& text, const QString& title) override;
    int choose(QWidget* parent, const QString& text, const QString& title, Icon icon,
               const QStringList& buttons) override;
    QString input(QWidget* parent, const QString& prompt, const QString& title,
                  const QString& defaultText) override;
    QString password(QWidget* parent, const QString& prompt, const QString& title) override;
    QString openFileName(QWidget* parent, const QString& caption, const QString& filter) override;
    QString saveFileName(QWidget* parent, const QString& caption, const QString& suggestedName,
                         const QString& filter) override;
    int runDialog(QDialog& dialog) override;
};
