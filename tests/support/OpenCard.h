// SPDX-License-Identifier: GPL-3.0-or-later
// One contact card shown over a test's database, on one of its pages, with the
// look-ups and clicks the card's page tests share.
#pragma once

#include "ScriptedPrompter.h"

#include "card/frmCard.h"
#include "db/Session.h"

#include <QPushButton>
#include <QTabWidget>
#include <QTest>

#include <initializer_list>
#include <memory>

// The texts a test expects, in order.
inline QStringList texts(std::initializer_list<QStringView> items)
{
    QStringList out;
    for (const QStringView item : items)
        out << item.toString();
    return out;
}

struct OpenCard {
    Session session;
    ScriptedPrompter prompter;
    std::unique_ptr<frmCard> card;

    // Shows the card as user 1 with the page of that object name in front.
    OpenCard(Database& db, const CardRequest& request, const QString& page)
    {
        session.currentUserId = 1;
        card = std::make_unique<frmCard>(db, session, prompter, request);
        card->show();
        auto* tabs = card->findChild<QTabWidget*>(QStringLiteral("TabC"));
        tabs->setCurrentWidget(card->findChild<QWidget*>(page));
    }
    QPushButton* button(const char* name) const
    {
        return card->findChild<QPushButton*>(QString::fromLatin1(name));
    }
    void click(const char* name) const { QTest::mouseClick(button(name), Qt::LeftButton); }
};
