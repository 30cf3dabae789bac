// SPDX-License-Identifier: GPL-3.0-or-later
#include "frmType.h"

#include "GroupEditing.h"

#include "db/Database.h"
#include "ui/Prompter.h"

#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSqlError>
#include <QVBoxLayout>

namespace {

QLabel* namedLabel(const QString& objectName, const QString& caption, QWidget* parent)
{
    auto* label = new QLabel(caption, parent);
    label->setObjectName(objectName);
    return label;
}

} // namespace

frmType::frmType(Database& db, Prompter& prompter, Values values, QWidget* parent)
    : QDialog(parent)
    , m_db(db)
    , m_prompter(prompter)
    , m_values(values)
    , m_numberLabel(namedLabel(QStringLiteral("Label1"), QStringLiteral("分组编号："), this))
    , m_number(new QLineEdit(this))
    , m_nameLabel(namedLabel(QStringLiteral("Label2"), QStringLiteral("分组名称："), this))
    , m_name(new QLineEdit(this))
    , m_parentLabel(namedLabel(QStringLiteral("Label3"), QStringLiteral("上级分组："), this))
    , m_parent(new QComboBox(this))
    , m_ok(new QPushButton(QStringLiteral("确定(&O)"), this))
    , m_cancel(new QPushButton(QStringLiteral("取消(&C)"), this))
{
    setObjectName(QStringLiteral("frmType"));
    setWindowTitle(QStringLiteral("分组信息"));
    setModal(true);
    m_number->setObjectName(QStringLiteral("Edit_Number"));
    m_number->setToolTip(QStringLiteral("此分组编号用于排序"));
    m_name->setObjectName(QStringLiteral("Edit_Name"));
    m_parent->setObjectName(QStringLiteral("Combo_Parent"));
    m_parent->setMinimumWidth(200);
    m_numberLabel->setBuddy(m_number);
    m_nameLabel->setBuddy(m_name);
    m_parentLabel->setBuddy(m_parent);
    m_ok->setObjectName(QStringLiteral("Button_OK"));
    m_ok->setDefault(true);
    m_cancel->setObjectName(QStringLiteral("Button_Cancel"));

    auto* fields = new QFormLayout;
    fields->addRow(m_numberLabel, m_number);
    fields->addRow(m_nameLabel, m_name);
    fields->addRow(m_parentLabel, m_parent);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_ok);
    buttons->addWidget(m_cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(fields);
    layout->addLayout(buttons);

    connect(m_ok, &QPushButton::clicked, this, &frmType::Button_OK_Click);
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);
}

Status frmType::load()
{
    if (Status parents = GJParent(); !parents)
        return parents;
    return m_values.IsEdit ? EditData() : Status{};
}

Status frmType::GJParent()
{
    auto groups = GroupEditing::parentCandidates(m_db, m_values.IsEdit ? m_values.ID : 0);
    if (!groups)
        return groups.error();
    m_parent->clear();
    // The box takes its first entry by itself; only PID's entry may be chosen.
    int chosen = -1;
    for (const GroupChoice& group : groups.value()) {
        if (group.id == m_values.PID)
            chosen = m_parent->count();
        m_parent->addItem(group.name, group.id);
    }
    m_parent->setCurrentIndex(chosen);
    return {};
}

Status frmType::EditData()
{
    auto row = m_db.query(QStringLiteral("SELECT Number, Name FROM Vardelin_Type WHERE ID = ?"),
                          {m_values.ID});
    if (!row)
        return row.error();
    QSqlQuery& q = row.value();
    m_rowFound = q.next();
    if (m_rowFound) {
        m_number->setText(q.value(0).toString());
        m_name->setText(q.value(1).toString());
    } else if (Status ended = m_db.finished(q); !ended) {
        return ended.error();
    }
    return {};
}

void frmType::Button_OK_Click()
{
    GroupInput input;
    input.isEdit = m_values.IsEdit;
    input.id = m_values.ID;
    input.number = m_number->text();
    input.name = m_name->text();
    if (m_parent->currentIndex() >= 0)
        input.parentId = m_parent->currentData().toLongLong();

    auto saved = GroupEditing::save(m_db, input);
    if (!saved) {
        m_prompter.showError(this, saved.error());
        return;
    }
    if (!saved.value().done()) {
        m_prompter.message(this, saved.value().refusal, QStringLiteral("提示！"),
                           Prompter::Icon::Information);
        return;
    }
    accept();
}
