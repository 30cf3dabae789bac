// SPDX-License-Identifier: GPL-3.0-or-later
#include "OptionsPage.h"

#include "ui/CommandButton.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

OptionsPage::OptionsPage(QWidget* parent)
    : QWidget(parent)
{
    auto* layout = new QVBoxLayout(this);
    m_login = addBox("C_IsLogin", QStringLiteral("是否需要验证登录"));
    m_allUser = addBox("C_IsAllUser", QStringLiteral("是否多用户使用"));
    m_expanded = addBox("C_IsExpanded", QStringLiteral("是否默认展开分组"));
    m_zip = addBox("C_IsZip", QStringLiteral("关闭时是否压缩数据库"));
    m_max = addBox("C_IsMax", QStringLiteral("启动时最大化窗口"));
    m_top = addBox("C_IsTop", QStringLiteral("全部分组最多显示500条"));
    m_remind = addBox("C_IsRemind", QStringLiteral("启动时提醒到期的联系和近期的生日"));
    m_remind->setChecked(true);
    m_upkeep = new QLabel(
        QStringLiteral("这个通讯录在数据库服务器上，压缩和每日备份由服务器管理员负责。"), this);
    m_upkeep->setObjectName(QStringLiteral("Label_Upkeep"));
    m_upkeep->setWordWrap(true);
    m_upkeep->hide();
    for (QCheckBox* box : {m_login, m_allUser, m_expanded, m_zip, m_max, m_top, m_remind}) {
        layout->addWidget(box);
        if (box == m_zip)
            layout->addWidget(m_upkeep);
    }
    m_backup = commandButton(QStringLiteral("Button_Backup"), QStringLiteral("立即备份"), this);
    m_restore = commandButton(QStringLiteral("Button_Restore"), QStringLiteral("从备份恢复"), this);
    m_copy = commandButton(QStringLiteral("Button_Copy"), QStringLiteral("复制通讯录"), this);
    auto* backups = new QHBoxLayout;
    backups->addWidget(m_backup);
    backups->addWidget(m_restore);
    backups->addWidget(m_copy);
    backups->addStretch(1);
    layout->addStretch(1);
    layout->addLayout(backups);
    connect(m_allUser, &QCheckBox::clicked, this, &OptionsPage::allUserClicked);
}

QCheckBox* OptionsPage::addBox(const char* objectName, const QString& caption)
{
    auto* box = new QCheckBox(caption, this);
    box->setObjectName(QString::fromLatin1(objectName));
    return box;
}

void OptionsPage::leaveUpkeepToServer()
{
    m_zip->setEnabled(false);
    m_upkeep->show();
}

void OptionsPage::GJSystem(const SystemOptions& stored)
{
    m_login->setChecked(stored.isLogin);
    m_allUser->setChecked(stored.isAllUser);
    m_expanded->setChecked(stored.isExpanded);
    m_zip->setChecked(stored.isZip);
    m_max->setChecked(stored.isMax);
    m_top->setChecked(stored.isTop);
}

SystemOptions OptionsPage::values() const
{
    SystemOptions options;
    options.isLogin = m_login->isChecked();
    options.isAllUser = m_allUser->isChecked();
    options.isExpanded = m_expanded->isChecked();
    options.isZip = m_zip->isChecked();
    options.isMax = m_max->isChecked();
    options.isTop = m_top->isChecked();
    return options;
}

void OptionsPage::setRemindAtStart(bool on)
{
    m_remind->setChecked(on);
}

bool OptionsPage::remindAtStart() const
{
    return m_remind->isChecked();
}
