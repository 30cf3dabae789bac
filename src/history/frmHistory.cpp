// SPDX-License-Identifier: GPL-3.0-or-later
#include "frmHistory.h"

#include "HistoryRecords.h"

#include "ui/Prompter.h"

#include <QCheckBox>
#include <QDateEdit>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QLabel* namedLabel(const QString& objectName, const QString& caption, QWidget* parent)
{
    auto* label = new QLabel(caption, parent);
    label->setObjectName(objectName);
    return label;
}

QDateEdit* datePicker(const QString& objectName, QWidget* parent)
{
    auto* picker = new QDateEdit(QDate::currentDate(), parent);
    picker->setObjectName(objectName);
    picker->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
    picker->setCalendarPopup(true);
    return picker;
}

} // namespace

frmHistory::frmHistory(Database& db, Prompter& prompter, Values values, QWidget* parent)
    : QDialog(parent)
    , m_db(db)
    , m_prompter(prompter)
    , m_values(values)
    , m_lxDateLabel(namedLabel(QStringLiteral("Label1"), QStringLiteral("联系日期："), this))
    , m_lxDate(datePicker(QStringLiteral("Edit_LxDate"), this))
    , m_nextDateLabel(namedLabel(QStringLiteral("Label2"), QStringLiteral("下次联系日期："), this))
    , m_nextDate(datePicker(QStringLiteral("Edit_NextDate"), this))
    , m_remind(new QCheckBox(QStringLiteral("是否提醒"), this))
    , m_remarkLabel(namedLabel(QStringLiteral("Label3"), QStringLiteral("联系内容："), this))
    , m_remark(new QPlainTextEdit(this))
    , m_save(new QPushButton(QStringLiteral("保存(&S)"), this))
    , m_close(new QPushButton(QStringLiteral("关闭(&C)"), this))
{
    setObjectName(QStringLiteral("frmHistory"));
    setWindowTitle(QStringLiteral("联系情况"));
    setModal(true);
    m_remind->setObjectName(QStringLiteral("Edit_Remind"));
    m_remark->setObjectName(QStringLiteral("Edit_Remark"));
    // Tab moves on to the buttons; the content itself may hold line breaks.
    m_remark->setTabChangesFocus(true);
    m_lxDateLabel->setBuddy(m_lxDate);
    m_nextDateLabel->setBuddy(m_nextDate);
    m_remarkLabel->setBuddy(m_remark);
    m_save->setObjectName(QStringLiteral("Button_Save"));
    m_save->setDefault(true);
    m_close->setObjectName(QStringLiteral("Button_Close"));

    auto* fields = new QGridLayout;
    fields->addWidget(m_lxDateLabel, 0, 0);
    fields->addWidget(m_lxDate, 0, 1);
    fields->addWidget(m_nextDateLabel, 0, 2);
    fields->addWidget(m_nextDate, 0, 3);
    fields->addWidget(m_remind, 0, 4);
    fields->addWidget(m_remarkLabel, 1, 0, Qt::AlignTop);
    fields->addWidget(m_remark, 1, 1, 1, 4);
    fields->setColumnStretch(1, 1);
    fields->setColumnStretch(3, 1);
    fields->setRowStretch(1, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_save);
    buttons->addWidget(m_close);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(fields, 1);
    layout->addLayout(buttons);
    resize(sizeHint().expandedTo(QSize(520, 280)));

    connect(m_save, &QPushButton::clicked, this, &frmHistory::Button_Save_Click);
    connect(m_close, &QPushButton::clicked, this, &QDialog::reject);
}

Status frmHistory::load()
{
    const QDate today = QDate::currentDate();
    m_lxDate->setDate(today);
    m_nextDate->setDate(today);
    m_remark->clear();
    m_remind->setChecked(false);
    if (!m_values.IsEdit)
        return {};
    auto stored = HistoryRecords::load(m_db, m_values.HID);
    if (!stored)
        return stored.error();
    m_rowFound = stored.value().has_value();
    if (!m_rowFound)
        return {};
    const HistoryRecord& record = *stored.value();
    // A date the record lacks keeps today, which a save then writes.
    if (const auto date = HistoryRecords::storedDate(record.lxDate))
        m_lxDate->setDate(*date);
    if (const auto date = HistoryRecords::storedDate(record.nextDate))
        m_nextDate->setDate(*date);
    m_remark->setPlainText(record.remark);
    m_remind->setChecked(record.isRemind.toLongLong() != 0);
    return {};
}

void frmHistory::Button_Save_Click()
{
    const QString remark = m_remark->toPlainText();
    if (!HistoryRecords::isContentAccepted(remark)) {
        m_prompter.message(this, QStringLiteral("联系内容不能为空！"), QStringLiteral("提示！"),
                           Prompter::Icon::Information);
        return;
    }
    HistoryInput input;
    input.contactId = m_values.CID;
    input.lxDate = m_lxDate->date();
    input.nextDate = m_nextDate->date();
    input.remark = remark;
    input.remind = m_remind->isChecked();

    auto saved = m_values.IsEdit ? HistoryRecords::update(m_db, m_values.HID, input)
                                 : HistoryRecords::add(m_db, input);
    if (!saved) {
        m_prompter.showError(this, saved.error());
        return;
    }
    // The dialog stays open with its input, so the text is not lost with the row.
    switch (saved.value()) {
    case HistoryRecords::SaveOutcome::Written:
        accept();
        return;
    case HistoryRecords::SaveOutcome::RowVanished:
        m_rowVanished = true;
        notice(QStringLiteral("该联系情况已被删除，无法保存！"));
        return;
    case HistoryRecords::SaveOutcome::ContactVanished:
        notice(QStringLiteral("联系人已被删除，无法添加联系情况！"));
        return;
    }
}

void frmHistory::notice(const QString& text)
{
    m_prompter.message(this, text, QStringLiteral("提示！"), Prompter::Icon::Exclamation);
}
