// SPDX-License-Identifier: GPL-3.0-or-later
// One contact card shown over a test's database, on one of its pages, with the
// look-ups and clicks the card's page tests share.
#pragma once

#include "ScriptedPrompter.h"
#include "TestFiles.h"

#include "card/OptionalDateEdit.h"
#include "card/PhotoFrame.h"
#include "card/frmCard.h"
#include "db/Session.h"

#include <QComboBox>
#include <QImage>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QToolButton>

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
    // Shows the card as the given user on its first page.
    OpenCard(Database& db, const CardRequest& request, qint64 userId = 1)
    {
        session.currentUserId = userId;
        card = std::make_unique<frmCard>(db, session, prompter, request);
        card->show();
    }
    template <typename T = QWidget> T* find(const char* name) const
    {
        return card->findChild<T*>(QString::fromLatin1(name));
    }
    QLineEdit* line(const char* name) const { return find<QLineEdit>(name); }
    QComboBox* combo(const char* name) const { return find<QComboBox>(name); }
    OptionalDateEdit* date(const char* name) const { return find<OptionalDateEdit>(name); }
    PhotoFrame* photo() const { return find<PhotoFrame>("Edit_Photo"); }
    // Clicks one of the card's own tool buttons (save, new, copy, clear, exit).
    void press(const char* name) const
    {
        QTest::mouseClick(find<QToolButton>(name), Qt::LeftButton);
    }
    QPushButton* button(const char* name) const
    {
        return card->findChild<QPushButton*>(QString::fromLatin1(name));
    }
    void click(const char* name) const { QTest::mouseClick(button(name), Qt::LeftButton); }
};

// A picture of one colour, saved in the format its name's extension says.
inline QString writeCardImage(const QString& path, QSize size = {60, 90},
                              QColor colour = Qt::darkCyan)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(colour);
    if (!image.save(path))
        qFatal("cannot write the test picture");
    return path;
}
