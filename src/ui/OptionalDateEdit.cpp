// SPDX-License-Identifier: GPL-3.0-or-later
#include "OptionalDateEdit.h"

#include <QCheckBox>
#include <QDateEdit>
#include <QHBoxLayout>

OptionalDateEdit::OptionalDateEdit(QWidget* parent)
    : QWidget(parent)
    , m_set(new QCheckBox(this))
    , m_picker(new QDateEdit(this))
{
    m_set->setObjectName(QStringLiteral("DateSet"));
    m_picker->setObjectName(QStringLiteral("DatePicker"));
    m_picker->setCalendarPopup(true);
    m_picker->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
    m_picker->setMinimumDate(QDate(100, 1, 1));
    m_picker->setDate(QDate::currentDate());
    m_picker->setEnabled(false);
    m_picker->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(4);
    layout->addWidget(m_set);
    layout->addWidget(m_picker, 1);
    setFocusProxy(m_set);
    setTabOrder(m_set, m_picker);

    connect(m_set, &QCheckBox::toggled, m_picker, &QWidget::setEnabled);
    connect(m_set, &QCheckBox::toggled, this, [this](bool on) {
        m_set->setToolTip(on ? QStringLiteral("取消勾选表示没有日期")
                             : QStringLiteral("勾选以填写日期"));
    });
    m_set->setToolTip(QStringLiteral("勾选以填写日期"));
}

std::optional<QDate> OptionalDateEdit::date() const
{
    if (!m_set->isChecked())
        return std::nullopt;
    return m_picker->date();
}

void OptionalDateEdit::setDate(std::optional<QDate> date)
{
    if (date && date->isValid() && *date >= m_picker->minimumDate() &&
        *date <= m_picker->maximumDate()) {
        m_picker->setDate(*date);
        m_set->setChecked(true);
    } else {
        m_set->setChecked(false);
    }
}

void OptionalDateEdit::setShownDate(QDate date)
{
    m_picker->setDate(date);
}
