// SPDX-License-Identifier: GPL-3.0-or-later
// The About box: its texts, the link and the system-information button, over a desktop
// that records what it was asked; and the main window's button that opens it.
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
#include <QToolButton>
#include <QUrl>

using namespace Qt::StringLiterals;

namespace {

class RecordingDesktop final : public AboutDesktop {
public:
    QList<QUrl> opened;
    QStringList started;
    QStringList installed; // program names findExecutable knows, under /opt/bin
    bool startSucceeds = true;

    bool openUrl(const QUrl& url) override
    {
        opened << url;
        return true;
    }
    QString findExecutable(const QString& name) override
    {
        return installed.contains(name) ? u"/opt/bin/"_s + name : QString();
    }
    bool startDetached(const QString& program) override
    {
        started << program;
        return startSucceeds;
    }
};

QString labelText(const frmAbout& about, const char* name)
{
    auto* label = about.findChild<QLabel*>(QString::fromLatin1(name));
    return label ? label->text() : u"<no %1>"_s.arg(QString::fromLatin1(name));
}

} // namespace

class TestAbout : public QObject {
    Q_OBJECT

private slots:
    void showsTitleVersionAndOurTexts();
    void clickingTheLinkOpensItThroughTheDesktop();
    void systemInformation_data();
    void systemInformation();
    void mainWindowButtonOpensTheBox();
};

void TestAbout::showsTitleVersionAndOurTexts()
{
    ScriptedPrompter prompter;
    RecordingDesktop desktop;
    frmAbout about(prompter, desktop);
    QCOMPARE(about.windowTitle(), u"关于 瓦德林通讯录"_s);
    QCOMPARE(labelText(about, "lblTitle"), u"瓦德林通讯录"_s);
    QCOMPARE(labelText(about, "lblVersion"), u"版本 3.1.0"_s);
    QCOMPARE(labelText(about, "lblDescription"),
             u"这是一款全新的通讯录管理软件，结合通讯录、电话薄、CRM的功能为一体，"
             "管理更轻松，使用更便捷。"_s);
    QVERIFY(!labelText(about, "lblDisclaimer").isEmpty());
    QVERIFY(labelText(about, "Label2").contains(frmAbout::webSite().toString()));
    QVERIFY(about.isModal());
}

void TestAbout::clickingTheLinkOpensItThroughTheDesktop()
{
    ScriptedPrompter prompter;
    RecordingDesktop desktop;
    frmAbout about(prompter, desktop);
    about.show();
    QVERIFY(QTest::qWaitForWindowExposed(&about));
    auto* link = about.findChild<QLabel*>(u"Label2"_s);
    // On the link's text, which starts at the label's left edge.
    const QPoint onText(link->fontMetrics().horizontalAdvance(u'h') + 2, link->height() / 2);
    QTest::mouseClick(link, Qt::LeftButton, {}, onText);
    QCOMPARE(desktop.opened, QList<QUrl>{frmAbout::webSite()});
    QCOMPARE(frmAbout::webSite().scheme(), u"https"_s);
    QVERIFY(desktop.started.isEmpty());
    QVERIFY(about.isVisible());
    QVERIFY(prompter.scriptDone());
}

void TestAbout::systemInformation_data()
{
    QTest::addColumn<QStringList>("installed");
    QTest::addColumn<bool>("startSucceeds");
    QTest::addColumn<QStringList>("started");
    QTest::newRow("the first installed is started")
        << QStringList{u"xfce4-taskmanager"_s, u"gnome-system-monitor"_s} << true
        << QStringList{u"/opt/bin/gnome-system-monitor"_s};
    QTest::newRow("none installed") << QStringList() << false << QStringList();
    QTest::newRow("installed but does not start")
        << QStringList{u"ksysguard"_s} << false << QStringList{u"/opt/bin/ksysguard"_s};
}

void TestAbout::systemInformation()
{
    QFETCH(QStringList, installed);
    QFETCH(bool, startSucceeds);
    QFETCH(QStringList, started);
    ScriptedPrompter prompter;
    RecordingDesktop desktop;
    desktop.installed = installed;
    desktop.startSucceeds = startSucceeds;
    if (!startSucceeds)
        prompter.expectMessage(u"此时系统信息不可用"_s);
    frmAbout about(prompter, desktop);
    QTest::mouseClick(about.findChild<QPushButton*>(u"cmdSysInfo"_s), Qt::LeftButton);
    QVERIFY(prompter.scriptDone());
    QCOMPARE(desktop.started, started);
    if (!startSucceeds) {
        QCOMPARE(prompter.shown().first().title, u"瓦德林通讯录"_s);
        QCOMPARE(prompter.shown().first().icon, Prompter::Icon::None);
    }
}

void TestAbout::mainWindowButtonOpensTheBox()
{
    TestDatabase data;
    QVERIFY(data.ok());
    RunningMain main;
    QVERIFY(main.start(data.path()));

    QString seenTitle;
    QTimer::singleShot(0, main.window.get(), [&] {
        auto* about = qobject_cast<frmAbout*>(QApplication::activeModalWidget());
        if (!about)
            return;
        seenTitle = about->windowTitle();
        about->findChild<QPushButton*>(u"cmdOK"_s)->click();
    });
    main.tool("Button_About")->click();
    QCOMPARE(seenTitle, u"关于 瓦德林通讯录"_s);
    QVERIFY(!main.window->findChild<frmAbout*>()); // gone once closed
    QVERIFY(main.prompter.scriptDone());
}

QTEST_MAIN(TestAbout)
#include "tst_about.moc"
