// SPDX-License-Identifier: GPL-3.0-or-later
// Page "基本选项" of the settings window: the six start-up options and the backup commands.
#pragma once

#include "db/SystemOptions.h"

#include <QWidget>

class QCheckBox;
class QLabel;
class QPushButton;

class OptionsPage : public QWidget {
    Q_OBJECT

public:
    explicit OptionsPage(QWidget* parent = nullptr);

    // GJSystem: ticks the boxes from the stored options. Setting them is no
    // click: the accounts page is not switched by it.
    void GJSystem(const SystemOptions& stored);
    SystemOptions values() const;
    // Reminders at start-up, for every account (kept beside the six options).
    void setRemindAtStart(bool on);
    bool remindAtStart() const;

    QPushButton* backupButton() const { return m_backup; }
    QPushButton* restoreButton() const { return m_restore; }
    QPushButton* copyButton() const { return m_copy; }
    // For a book on a server: the compaction and the daily copy at close are its
    // administrator's, so their box is switched off and says so.
    void leaveUpkeepToServer();

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
    QCheckBox* m_remind;
    QPushButton* m_backup;
    QPushButton* m_restore;
    QPushButton* m_copy;
    QLabel* m_upkeep;
};
