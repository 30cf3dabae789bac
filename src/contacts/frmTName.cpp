// SPDX-License-Identifier: GPL-3.0-or-later
#include "frmTName.h"

#include "groups/GroupEditing.h"
#include "ui/Prompter.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

frmTName::frmTName(Database& db, Prompter& prompter, Apply apply, QWidget* parent)
    : QDialog(parent)
    , m_db(db)
    , m_prompter(prompter)
    , m_apply(std::move(apply))
    , m_label(new QLabel(QStringLiteral("选择分类："), this))
    , m_groups(new QComboBox(this))
    , m_ok(new QPushButton(QStringLiteral("确定(&O)"), this))
{
    setObjectName(QStringLiteral("frmTName"));
    setWindowTitle(QStringLiteral("更改分组"));
    setModal(true);
    m_label->setObjectName(QStringLiteral("Label1"));
    m_groups->setObjectName(QStringLiteral("Edit_Type"));
    // Editable so a long list can be typed into; only an entry's own text chooses it.
    m_groups->setEditable(true);
    m_groups->setInsertPolicy(QComboBox::NoInsert);
    m_groups->setMinimumWidth(220);
    m_groups->setAccessibleName(QStringLiteral("选择分类"));
    m_label->setBuddy(m_groups);
    m_ok->setObjectName(QStringLiteral("OK"));
    m_ok->setDefault(true);

    auto* choice = new QHBoxLayout;
    choice->addWidget(m_label);
    choice->addWidget(m_groups, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_ok);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(choice);
    layout->addLayout(buttons);

    connect(m_ok, &QPushButton::clicked, this, &frmTName::OK_Click);
}

Status frmTName::GJParent()
{
    auto groups = GroupEditing::moveTargets(m_db);
    if (!groups)
        return groups.error();
    m_groups->clear();
    for (const GroupChoice& group : groups.value())
        m_groups->addItem(group.name, group.id);
    m_groups->setCurrentIndex(-1);
    m_groups->clearEditText();
    return {};
}

std::optional<qint64> frmTName::chosenGroupId() const
{
    const QString text = m_groups->currentText();
    if (text.isEmpty())
        return std::nullopt;
    int index = m_groups->currentIndex();
    if (index < 0 || m_groups->itemText(index) != text)
        index = m_groups->findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (index < 0)
        return std::nullopt;
    return m_groups->itemData(index).toLongLong();
}

void frmTName::OK_Click()
{
    const std::optional<qint64> groupId = chosenGroupId();
    if (!groupId) {
        m_prompter.message(this, QStringLiteral("请选择需要更换的分组名称！"),
                           QStringLiteral("提示！"), Prompter::Icon::Information);
        return;
    }
    auto moved = m_apply(*groupId);
    if (!moved) {
        m_failure = moved.error();
        reject();
        return;
    }
    if (!moved.value()) {
        // Another program deleted the group since the list was filled.
        m_prompter.message(this, QStringLiteral("所选分组已被删除，请重新选择！"),
                           QStringLiteral("提示！"), Prompter::Icon::Information);
        if (Status refilled = GJParent(); !refilled) {
            m_failure = refilled.error();
            reject();
        }
        return;
    }
    accept();
}
