// SPDX-License-Identifier: GPL-3.0-or-later
#include "LetterTabs.h"

#include <QSignalBlocker>

#include <algorithm>

LetterTabs::LetterTabs(QWidget* parent)
    : QTabBar(parent)
{
    setObjectName(QStringLiteral("TabControl"));
    setExpanding(false);
    setUsesScrollButtons(true);
    setDrawBase(true);
    const QSignalBlocker quiet(this);
    m_adding = true;
    addTab(QStringLiteral("全部"));
    setTabData(0, QStringLiteral("全部"));
    for (char16_t letter = u'A'; letter <= u'Z'; ++letter) {
        const int index = addTab(QString(QChar(letter)));
        setTabData(index, QString(QChar(letter)));
    }
    m_adding = false;
    // Marks the layout stale again, so that the first one that counts measures every tab.
    setTabText(0, tagOf(0));
}

QSize LetterTabs::tabSizeHint(int index) const
{
    // Each added tab has QTabBar lay out all the tabs before it again, measuring every caption
    // through the style: hundreds of measurements for layouts nobody sees.
    if (m_adding)
        return {};
    return QTabBar::tabSizeHint(index);
}

QString LetterTabs::tagOf(int index) const
{
    return tabData(index).toString();
}

QString LetterTabs::selectedLetter() const
{
    return currentIndex() > 0 ? tagOf(currentIndex()) : QString();
}

void LetterTabs::ClearTab()
{
    for (int index = 0; index < count(); ++index)
        setTabText(index, tagOf(index));
}

void LetterTabs::showCount(std::size_t rowCount)
{
    m_shownCount = rowCount;
    const int index = currentIndex();
    setTabText(index, tagOf(index) + u'(' + QString::number(rowCount) + u')');
}

void LetterTabs::showFewer(std::size_t removed)
{
    showCount(m_shownCount - std::min(removed, m_shownCount));
}
