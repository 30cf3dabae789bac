// SPDX-License-Identifier: GPL-3.0-or-later
#include "ColleagueChange.h"

#include "BenchSupport.h"

#include "app/Main.h"
#include "app/Program.h"
#include "contacts/ContactListView.h"
#include "contacts/ContactTableModel.h"
#include "db/Database.h"

#include <QElapsedTimer>
#include <QEvent>
#include <QTimer>

namespace {

// Renames one contact on the colleague's connection, then waits for a paint of the list whose
// row of that contact shows the new name; runs times, a pause between them so that each rename
// makes a burst of its own.
class Renames : public QObject {
public:
    Renames(Main& window, const QString& url, int runs)
        : m_window(window)
        , m_runs(runs)
    {
        Bench::open(m_colleague, url);
        m_list = window.findChild<ContactListView*>(QStringLiteral("ListView"));
        if (!m_list)
            Bench::fail(QStringLiteral("the main window has no ListView"));
        m_list->viewport()->installEventFilter(this);
        waitForTheList();
    }

    std::vector<double> times;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint && m_clock.isValid() && shown())
            QTimer::singleShot(0, this, [this] { next(); });
        return QObject::eventFilter(watched, event);
    }

private:
    void waitForTheList()
    {
        if (!m_window.listComplete()) {
            QTimer::singleShot(10, this, [this] { waitForTheList(); });
            return;
        }
        m_contactId = m_list->contacts()->contactId(0);
        QTimer::singleShot(500, this, [this] { rename(); });
    }

    bool shown() const
    {
        const int row = m_list->contacts()->rowOf(m_contactId);
        return row >= 0 && m_list->contacts()->index(row, 0).data().toString() == m_name;
    }

    void rename()
    {
        m_name = QStringLiteral("同事改名%1").arg(times.size());
        if (Status renamed = m_colleague.exec(
                QStringLiteral("UPDATE Vardelin_Contact SET Name = ? WHERE ID = ?"),
                {m_name, m_contactId});
            !renamed)
            Bench::fail(QStringLiteral("the colleague's rename failed: ") +
                        renamed.error().description);
        m_clock.start();
    }

    void next()
    {
        if (!m_clock.isValid())
            return;
        times.push_back(double(m_clock.nsecsElapsed()) / 1e6);
        m_clock.invalidate();
        if (int(times.size()) == m_runs) {
            m_window.close();
            return;
        }
        QTimer::singleShot(500, this, [this] { rename(); });
    }

    Main& m_window;
    const int m_runs;
    Database m_colleague;
    ContactListView* m_list = nullptr;
    qint64 m_contactId = 0;
    QString m_name;
    QElapsedTimer m_clock;
};

} // namespace

std::vector<double> ColleagueChange::timesMs(const QString& url, int runs)
{
    std::vector<double> times;
    Program::Watch watch;
    std::unique_ptr<Renames> renames;
    watch.windowShowing = [&](Main& window) {
        renames = std::make_unique<Renames>(window, url, runs);
    };
    if (Program::run(url, watch) != 0 || !renames)
        Bench::fail(QStringLiteral("the program did not start on ") + url);
    times = renames->times;
    if (int(times.size()) != runs)
        Bench::fail(QStringLiteral("the window closed before every rename was seen"));
    return times;
}
