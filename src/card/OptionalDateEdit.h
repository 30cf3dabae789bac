// SPDX-License-Identifier: GPL-3.0-or-later
// A date box that may also hold no date: a check box turns the date on and off. The date is
// typed (year, month, day) or picked from a calendar.
#pragma once

#include <QDate>
#include <QWidget>

#include <optional>

class QCalendarWidget;
class QCheckBox;
class QLineEdit;
class QMenu;
class QToolButton;

class OptionalDateEdit : public QWidget {
    Q_OBJECT

public:
    explicit OptionalDateEdit(QWidget* parent = nullptr);

    // Nothing while the box is unticked, empty, or holds text that is no date.
    std::optional<QDate> date() const;
    // Ticked with text that is not a real date: the card refuses to save it.
    bool holdsNoDate() const;
    // Nothing unticks the box and empties it; the day it held comes back when it is ticked.
    void setDate(std::optional<QDate> date);
    // The day the box takes when it is ticked without a day of its own.
    void setShownDate(QDate date);

    QCheckBox* checkBox() const { return m_set; }
    QLineEdit* textBox() const { return m_text; }
    QToolButton* calendarButton() const { return m_calendarButton; }

signals:
    // The box was ticked or unticked, or its text changed.
    void dateChanged();

private:
    void switchDate(bool on);
    void showReadDate();
    void pickFromCalendar(QDate day);
    void prepareCalendar();

    QCheckBox* m_set;
    QLineEdit* m_text;
    QToolButton* m_calendarButton;
    QMenu* m_calendarMenu;
    QCalendarWidget* m_calendar = nullptr;
    // What the box shows again when it is ticked.
    QString m_kept;
};
