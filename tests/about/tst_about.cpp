// SPDX-License-Identifier: GPL-3.0-or-later
// The About box over a desktop that records what it was asked, and the main window's button.
#include "RunningMain.h"
#include "ScriptedPrompter.h"
#include "TestDatabase.h"

#include "about/AboutDesktop.h"
#include "about/frmAbout.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>

using namespace Qt::StringLiterals;

namespace {

struct RecordingDesktop final : AboutDesktop {
    QList<QUrl> opened;
    QStringList started;
    QStringList installed; // found under /opt/bin
    bool startSucceeds = true;

    bool openUrl(const QUrl& url) override { return opened << url, true; }
    QString findExecutable(const QString& n) override
    {
        return installed.contains(n) ? u"/opt/bin/"_s + n : u""_s;
    }
    bool startDetached(const QString& program) override
    {
        return started << program, startSucceeds;
    }
};

} // namespace

class TestAbout : public QObject {
    Q_OBJECT

private slots:
    void theLinkOpensThroughTheDesktop()
    {
        ScriptedPrompter prompter;
        RecordingDesktop desktop;
        frmAbout about(prompter, desktop);
        about.show();
        QVERIFY(QTest::qWaitForWindowExposed(&about));
        auto* link = about.findChild<QLabel*>(u"Label2"_s);
        QTest::mouseClick(
            link, Qt::LeftButton, {},
            QPoint(link->fontMetrics().horizontalAdvance(u'h') + 2, link->height() / 2));
        QCOMPARE(desktop.opened, QList<QUrl>{QUrl(u"https://vardelin.example.org/"_s)});
        QVERIFY(desktop.started.isEmpty() && prompter.scriptDone());
    }

    void systemInformation_data()
    {
        QTest::addColumn<QStringList>("installed");
        QTest::addColumn<bool>("startSucceeds");
        QTest::addColumn<QString>("started");
        QTest::newRow("the first listed wins")
            << QStringList{u"xfce4-taskmanager"_s, u"gnome-system-monitor"_s} << true
            << u"/opt/bin/gnome-system-monitor"_s;
        QTest::newRow("none installed") << QStringList() << false << QString();
        QTest::newRow("does not start")
            << QStringList{u"lxtask"_s} << false << u"/opt/bin/lxtask"_s;
    }
    void systemInformation()
    {
        QFETCH(QStringList, installed);
        QFETCH(bool, startSucceeds);
        QFETCH(QString, started);
        ScriptedPrompter prompter;
        RecordingDesktop desktop;
        desktop.installed = installed;
        desktop.startSucceeds = startSucceeds;
        if (!startSucceeds)
            prompter.expectMessage(u"此时系统信息不可用"_s);
        frmAbout about(prompter, desktop);
        QTest::mouseClick(about.findChild<QPushButton*>(u"cmdSysInfo"_s), Qt::LeftButton);
        QVERIFY(prompter.scriptDone());
        QCOMPARE(desktop.started, started.isEmpty() ? QStringList() : QStringList{started});
    }

    void mainWindowButtonOpensTheBox()
    {
        TestDatabase data;
        RunningMain main;
        QVERIFY(data.ok() && main.start(data.path()));
        QString seenTitle;
        QTimer::singleShot(0, main.window.get(), [&] {
            if (auto* about = qobject_cast<frmAbout*>(QApplication::activeModalWidget())) {
                seenTitle = about->windowTitle();
                about->findChild<QPushButton*>(u"cmdOK"_s)->click();
            }
        });
        main.tool("Button_About")->click();
        QCOMPARE(seenTitle, u"关于 瓦德林通讯录"_s);
        QVERIFY(main.prompter.scriptDone());
    }
};

QTEST_MAIN(TestAbout)
#include "tst_about.moc"
