// SPDX-License-Identifier: GPL-3.0-or-later
// A date picker that may also hold no date: a check box turns the date on and off.
#pragma once

#include <QDate>
#include <QWidget>

#include <optional>

class QCheckBox;
class QDateEdit;

class OptionalDateEdit : public QWidget {
    Q_OBJECT

public:
    explicit OptionalDateEdit(QWidget* parent = nullptr);

    // Nothing while the box is unticked, whatever day the picker shows.
    std::optional<QDate> date() const;
    // Nothing unticks the box and leaves the shown day as it was.
    void setDate(std::optional<QDate> date);
    // The day shown (greyed) while no date is set.
    void setShownDate(QDate date);

    QCheckBox* checkBox() const { return m_set; }
    QDateEdit* picker() const { return m_picker; }

private:
    QCheckBox* m_set;
    QDateEdit* m_picker;
};
