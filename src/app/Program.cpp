// SPDX-License-Identifier: GPL-3.0-or-later
#include "Program.h"

#include "Main.h"
#include "frmLogin.h"

#include "db/Database.h"
#include "db/Session.h"
#include "ui/ChineseFont.h"
#include "ui/ListEnterKey.h"
#include "ui/QtPrompter.h"
#include "ui/QtTranslations.h"
#include "ui/Skin.h"

#include <QAbstractItemModel>
#include <QApplication>
#include <QHeaderView>
#include <QLineEdit>
#include <QTableView>

#include <cstdio>

void Program::prepare(QApplication& app)
{
    QApplication::setApplicationName(QStringLiteral("瓦德林通讯录"));
    QApplication::setApplicationVersion(QStringLiteral("3.1"));
    // Lets the desktop match the window to the installed menu entry and its icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("org.vardelin.Vardelin"));
    preferSimplifiedChineseFont();
    // Before any widget exists: applied to a built window, the theme polishes every widget
    // anew.
    Skin::apply(Skin::defaultName);
    // Without it the program still runs, with Qt's standard texts in English.
    QtTranslations::install(app);
    ListEnterKey::install(app);
}

namespace {

// For the benchmarks, which start this executable and wait for the line: when
// VARDELIN_REPORT_FIRST_FRAME is set, the list's first paint with rows in it prints
// "first-frame rows=<n>" and ends the program. Set to "stay", the program goes on, and the line
// also gives the screen positions of the search box's centre and the list's viewport
// ("search=<x>,<y> list=<x>,<y>,<width>,<height>"), where the search benchmark types and
// watches for the repaint, and where the header of each column shown is clicked
// ("columns=<caption>@<x>@<y>|..."), where the header-click benchmark clicks.
class FirstFrameReport : public QObject {
public:
    FirstFrameReport(QTableView* list, QWidget* searchBox, bool stay)
        : QObject(list)
        , m_list(list)
        , m_searchBox(searchBox)
        , m_stay(stay)
    {
        list->viewport()->installEventFilter(this);
    }

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        const int rows = m_list->model() ? m_list->model()->rowCount() : 0;
        if (!m_reported && event->type() == QEvent::Paint && rows > 0) {
            m_reported = true;
            report(rows);
            if (!m_stay)
                QCoreApplication::exit(0);
        }
        return QObject::eventFilter(watched, event);
    }

private:
    void report(int rows) const
    {
        if (!m_stay || !m_searchBox) {
            std::printf("first-frame rows=%d\n", rows);
        } else {
            const QWidget* viewport = m_list->viewport();
            const QPoint search = m_searchBox->mapToGlobal(m_searchBox->rect().center());
            const QPoint list = viewport->mapToGlobal(QPoint(0, 0));
            std::printf("first-frame rows=%d search=%d,%d list=%d,%d,%d,%d columns=%s\n", rows,
                        search.x(), search.y(), list.x(), list.y(), viewport->width(),
                        viewport->height(), headerCentres().toUtf8().constData());
        }
        std::fflush(stdout);
    }

    // Each shown column's caption and the screen position of its header's centre, as
    // "caption@x@y" joined by "|".
    QString headerCentres() const
    {
        const QHeaderView* header = m_list->horizontalHeader();
        QStringList columns;
        for (int section = 0; section < header->count(); ++section) {
            const int x =
                header->sectionViewportPosition(section) + header->sectionSize(section) / 2;
            if (header->isSectionHidden(section) || x < 0 || x >= header->width())
                continue;
            const QPoint centre = header->viewport()->mapToGlobal(QPoint(x, header->height() / 2));
            columns << QStringLiteral("%1@%2@%3")
                           .arg(m_list->model()->headerData(section, Qt::Horizontal).toString())
                           .arg(centre.x())
                           .arg(centre.y());
        }
        return columns.join(u'|');
    }

    QTableView* m_list;
    QWidget* m_searchBox;
    bool m_stay;
    bool m_reported = false;
};

void reportFirstFrameIfAsked(Main& window)
{
    const QByteArray asked = qgetenv("VARDELIN_REPORT_FIRST_FRAME");
    if (asked.isEmpty())
        return;
    if (auto* list = window.findChild<QTableView*>(QStringLiteral("ListView")))
        new FirstFrameReport(list, window.findChild<QLineEdit*>(QStringLiteral("Edit_Condition")),
                             asked == "stay");
}

struct Ending {
    int code;
    bool restart;
    // Another address book to start on; empty for the same one.
    QString nextDatabasePath;
};

// One main window from its start-up to its close.
Ending runWindow(const QString& databasePath, const Program::Watch& watch)
{
    Database db;
    Session session;
    QtPrompter prompter;
    Main window(db, session, prompter);
    if (watch.loginShowing) {
        window.setLoginShow([&watch](frmLogin& login) {
            watch.loginShowing(login);
            return login.exec();
        });
    }
    if (!window.startUp(databasePath))
        return {window.endedAtLogin() ? 0 : 1, window.restartWanted(), window.nextDatabasePath()};
    if (watch.opened)
        watch.opened(databasePath);
    if (watch.windowShowing)
        watch.windowShowing(window);
    reportFirstFrameIfAsked(window);
    window.show();
    const int code = QApplication::exec();
    if (watch.closedIn)
        watch.closedIn(databasePath, session.options.isLogin ? QString() : Skin::current());
    return {code, window.restartWanted(), window.nextDatabasePath()};
}

} // namespace

int Program::run(const QString& databasePath, const Watch& watch)
{
    // A backup put in place of the file, or another address book chosen, starts everything
    // again: the connection, the login when it is on, and a new main window.
    QString path = databasePath;
    for (;;) {
        const Ending ending = runWindow(path, watch);
        if (!ending.restart)
            return ending.code;
        if (!ending.nextDatabasePath.isEmpty())
            path = ending.nextDatabasePath;
    }
}
