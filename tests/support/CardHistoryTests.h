// SPDX-License-Identifier: GPL-3.0-or-later
// For the card and history tests: a card whose prompt script must be used up when it goes, so
// a missing or extra question fails the test without a check after every step.
#pragma once

#include "OpenCard.h"

struct CheckedCard : OpenCard {
    using OpenCard::OpenCard;
    CheckedCard(const CheckedCard&) = delete;
    ~CheckedCard()
    {
        if (!QTest::currentTestFailed() && !prompter.scriptDone())
            QTest::qFail(qPrintable(QStringLiteral("prompts not as scripted: %1 left; %2")
                                        .arg(prompter.pending())
                                        .arg(prompter.faults().join(u"; "))),
                         __FILE__, __LINE__);
    }
};

#include <QAbstractItemView>

// A card with one of its pages in front, and that page's list.
struct PageCard : CheckedCard {
    QAbstractItemView* view;
    PageCard(Database& db, const CardRequest& request, const QString& page, const char* list)
        : CheckedCard(db, request, page)
        , view(card->findChild<QAbstractItemView*>(QLatin1StringView(list)))
    {
    }
    // One column of the list, top to bottom, joined by '|'.
    QString column(int column = 0) const
    {
        QStringList cells;
        for (int row = 0; row < view->model()->rowCount(); ++row)
            cells << view->model()->index(row, column).data().toString();
        return cells.join(u'|');
    }
    QModelIndex at(int row, int column = 0) const { return view->model()->index(row, column); }
    void pick(int row) const
    {
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(at(row)).center());
    }
};
