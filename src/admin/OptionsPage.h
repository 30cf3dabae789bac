// SPDX-License-Identifier: GPL-3.0-or-later
// Page "基本选项" of the settings window: the six start-up options and the backup commands.
#pragma once

#include "db/SystemOptions.h"

#include <QWidget>

class QCheckBox;
class QPushButton;

class OptionsPage : public QWidget {
    Q_OBJECT

public:
    explicit OptionsPage(QWidget* parent = nullptr);

    // GJSystem: ticks the boxes from the stored options. Setting them is no
    // click: the accounts page is not switched by it.
    void GJSystem(const SystemOptions& stored);
    SystemOptions values() const;

    QPushButton* backupButton() const { return m_backup; }
    QPushButton* restoreButton() const { return m_restore; }

signals:
    // The user clicked C_IsAllUser; on is its new state.
    void allUserClicked(bool on);

private:
    QCheckBox* addBox(const char* objectName, const QString& caption);

    QCheckBox* m_login;
    QCheckBox* m_allUser;
    QCheckBox* m_expanded;
    QCheckBox* m_zip;
    QCheckBox* m_max;
    QCheckBox* m_top;
    QPushButton* m_backup;
    QPushButton* m_restore;
};
