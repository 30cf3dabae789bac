// SPDX-License-Identifier: GPL-3.0-or-later
// The 27 tabs above the contact list: "全部", then "A" to "Z".
#pragma once

#include <QTabBar>

class LetterTabs : public QTabBar {
    Q_OBJECT

public:
    explicit LetterTabs(QWidget* parent = nullptr);

    // The selected tab's letter; empty for "全部".
    QString selectedLetter() const;

    // Every caption back to its bare tag.
    void ClearTab();
    // The selected tab's caption becomes its tag with the row count, "A(12)".
    void showCount(std::size_t rowCount);
    // The count shown less rows taken out of the list since.
    void showFewer(std::size_t removed);

    QString tagOf(int index) const;

protected:
    QSize tabSizeHint(int index) const override;

private:
    bool m_adding = false; // the constructor is adding the tabs
    std::size_t m_shownCount = 0;
};
