// SPDX-License-Identifier: GPL-3.0-or-later
#include "OptionalDateEdit.h"

#include "TypedDate.h"

#include <QCalendarWidget>
#include <QCheckBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QMenu>
#include <QToolButton>
#include <QWidgetAction>

OptionalDateEdit::OptionalDateEdit(QWidget* parent)
    : QWidget(parent)
    , m_set(new QCheckBox(this))
    , m_text(new QLineEdit(this))
    , m_calendarButton(new QToolButton(this))
    , m_calendarMenu(new QMenu(m_calendarButton))
    , m_kept(TypedDate::shown(QDate::currentDate()))
{
    m_set->setObjectName(QStringLiteral("DateSet"));
    m_text->setObjectName(QStringLiteral("DateText"));
    m_text->setToolTip(QStringLiteral("按“年-月-日”填写，例如 2001-09-10"));
    m_text->setEnabled(false);
    m_text->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    m_text->setMinimumWidth(m_text->fontMetrics().horizontalAdvance(QStringLiteral("0000-00-00")) +
                            16);
    m_calendarButton->setObjectName(QStringLiteral("DateCalendar"));
    m_calendarButton->setArrowType(Qt::DownArrow);
    m_calendarButton->setToolTip(QStringLiteral("从日历中选择"));
    m_calendarButton->setAccessibleName(QStringLiteral("日历"));
    m_calendarButton->setPopupMode(QToolButton::InstantPopup);
    // Typing reaches every date; the calendar is the mouse's way.
    m_calendarButton->setFocusPolicy(Qt::NoFocus);
    m_calendarButton->setEnabled(false);
    m_calendarButton->setMenu(m_calendarMenu);

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(4);
    layout->addWidget(m_set);
    layout->addWidget(m_text, 1);
    layout->addWidget(m_calendarButton);
    setFocusProxy(m_set);
    setTabOrder(m_set, m_text);

    connect(m_set, &QCheckBox::toggled, this, &OptionalDateEdit::switchDate);
    connect(m_text, &QLineEdit::textChanged, this, &OptionalDateEdit::dateChanged);
    connect(m_text, &QLineEdit::editingFinished, this, &OptionalDateEdit::showReadDate);
    connect(m_calendarMenu, &QMenu::aboutToShow, this, &OptionalDateEdit::prepareCalendar);
    m_set->setToolTip(QStringLiteral("勾选以填写日期"));
}

std::optional<QDate> OptionalDateEdit::date() const
{
    if (!m_set->isChecked())
        return std::nullopt;
    const TypedDate::Reading reading = TypedDate::read(m_text->text());
    if (reading.kind != TypedDate::Reading::Kind::Date)
        return std::nullopt;
    return reading.date;
}

bool OptionalDateEdit::holdsNoDate() const
{
    return m_set->isChecked() &&
           TypedDate::read(m_text->text()).kind == TypedDate::Reading::Kind::NotADate;
}

void OptionalDateEdit::setDate(std::optional<QDate> date)
{
    if (date && date->isValid()) {
        m_kept = TypedDate::shown(*date);
        if (m_set->isChecked())
            m_text->setText(m_kept);
        else
            m_set->setChecked(true);
    } else {
        m_set->setChecked(false);
    }
}

void OptionalDateEdit::setShownDate(QDate date)
{
    if (!date.isValid())
        return;
    m_kept = TypedDate::shown(date);
    if (m_set->isChecked())
        m_text->setText(m_kept);
}

void OptionalDateEdit::switchDate(bool on)
{
    // An unticked box shows no date at all, not a greyed one that looks stored.
    if (on) {
        m_text->setText(m_kept);
    } else {
        if (!m_text->text().trimmed().isEmpty())
            m_kept = m_text->text();
        m_text->clear();
    }
    m_text->setEnabled(on);
    m_text->setPlaceholderText(on ? QStringLiteral("年-月-日") : QString());
    m_calendarButton->setEnabled(on);
    m_set->setToolTip(on ? QStringLiteral("取消勾选表示没有日期")
                         : QStringLiteral("勾选以填写日期"));
    emit dateChanged();
}

void OptionalDateEdit::showReadDate()
{
    // A date typed in another accepted form is shown the card's way; anything else stays as
    // typed, for the save to point out.
    if (const std::optional<QDate> read = date())
        m_text->setText(TypedDate::shown(*read));
}

void OptionalDateEdit::prepareCalendar()
{
    // Made at the first use: a card has two boxes and most cards never open a calendar.
    if (!m_calendar) {
        m_calendar = new QCalendarWidget(m_calendarMenu);
        m_calendar->setObjectName(QStringLiteral("DateCalendarPage"));
        auto* calendarAction = new QWidgetAction(m_calendarMenu);
        calendarAction->setDefaultWidget(m_calendar);
        m_calendarMenu->addAction(calendarAction);
        connect(m_calendar, &QCalendarWidget::clicked, this, &OptionalDateEdit::pickFromCalendar);
        connect(m_calendar, &QCalendarWidget::activated, this, &OptionalDateEdit::pickFromCalendar);
    }
    const std::optional<QDate> current = date();
    const TypedDate::Reading kept = TypedDate::read(m_kept);
    m_calendar->setSelectedDate(current ? *current
                                : kept.kind == TypedDate::Reading::Kind::Date
                                    ? kept.date
                                    : QDate::currentDate());
}

void OptionalDateEdit::pickFromCalendar(QDate day)
{
    m_text->setText(TypedDate::shown(day));
    m_calendarMenu->close();
    m_text->setFocus();
}
