// SPDX-License-Identifier: GPL-3.0-or-later
// Page "修改密码" of the settings window: the current account's new password.
#pragma once

#include "PasswordChange.h"

#include <QWidget>

class QCheckBox;
class QLabel;
class QLineEdit;

class PasswordPage : public QWidget {
    Q_OBJECT

public:
    explicit PasswordPage(QWidget* parent = nullptr);

    // Whether IsPassword is ticked: only then is the password changed.
    bool changeWanted() const;
    PasswordChange::Input input() const;

    // The colour of the three boxes while they are switched off.
    static QColor offColour() { return QColor(0xE0, 0xE0, 0xE0); }

private:
    void switchBoxes(bool on);

    QCheckBox* m_change;
    QLineEdit* m_old = nullptr;
    QLineEdit* m_new = nullptr;
    QLineEdit* m_confirm = nullptr;
};
