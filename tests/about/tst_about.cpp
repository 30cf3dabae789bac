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
        return installed.contains(name) ? QStringLiteral("/opt/bin/") + name : QString();
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
    return label ? label->text() : QStringLiteral("<no %1>").arg(QString::fromLatin1(name));
}

} // namespace

class TestAbout : public QObject {
    Q_OBJECT

private slots:
    void showsTitleVersionAndOurTexts();
    void clickingTheLinkOpensItThroughTheDesktop();
    void systemInformationStartsTheFirstInstalledProgram();
    void systemInformationUnavailableIsSaid_data();
    void systemInformationUnavailableIsSaid();
    void okCloses();
    void mainWindowButtonOpensTheBox();
};

void TestAbout::showsTitleVersionAndOurTexts()
{
    ScriptedPrompter prompter;
    RecordingDesktop desktop;
    frmAbout about(prompter, desktop);
    QCOMPARE(about.windowTitle(), QStringLiteral("关于 瓦德林通讯录"));
    QCOMPARE(labelText(about, "lblTitle"), QStringLiteral("瓦德林通讯录"));
    QCOMPARE(labelText(about, "lblVersion"), QStringLiteral("版本 3.1.0"));
    QCOMPARE(labelText(about, "lblDescription"),
             QStringLiteral("这是一款全新的通讯录管理软件，结合通讯录、电话薄、CRM的功能为一体，"
                            "管理更轻松，使用更便捷。"));
    QVERIFY(!labelText(about, "Label1").isEmpty());
    QVERIFY(!labelText(about, "lblDisclaimer").isEmpty());
    QVERIFY(labelText(about, "Label2").contains(frmAbout::webSite().toString()));
    QCOMPARE(about.findChild<QPushButton*>(QStringLiteral("cmdOK"))->text(),
             QStringLiteral("确定"));
    QCOMPARE(about.findChild<QPushButton*>(QStringLiteral("cmdSysInfo"))->text(),
             QStringLiteral("系统信息(&S)..."));
    QVERIFY(about.findChild<QLabel*>(QStringLiteral("picIcon")));
    QVERIFY(about.isModal());
    QVERIFY(desktop.opened.isEmpty());
    QVERIFY(prompter.scriptDone());
}

void TestAbout::clickingTheLinkOpensItThroughTheDesktop()
{
    ScriptedPrompter prompter;
    RecordingDesktop desktop;
    frmAbout about(prompter, desktop);
    about.show();
    QVERIFY(QTest::qWaitForWindowExposed(&about));
    auto* link = about.findChild<QLabel*>(QStringLiteral("Label2"));
    // On the link's text, which starts at the label's left edge.
    const QPoint onText(link->fontMetrics().horizontalAdvance(u'h') + 2, link->height() / 2);
    QTest::mouseClick(link, Qt::LeftButton, {}, onText);
    QCOMPARE(desktop.opened, QList<QUrl>{frmAbout::webSite()});
    QVERIFY(frmAbout::webSite().isValid());
    QCOMPARE(frmAbout::webSite().scheme(), QStringLiteral("https"));
    QVERIFY(desktop.started.isEmpty());
    QVERIFY(about.isVisible());
    QVERIFY(prompter.scriptDone());
}

void TestAbout::systemInformationStartsTheFirstInstalledProgram()
{
    ScriptedPrompter prompter;
    RecordingDesktop desktop;
    desktop.installed = {QStringLiteral("xfce4-taskmanager"),
                         QStringLiteral("gnome-system-monitor")};
    frmAbout about(prompter, desktop);
    QTest::mouseClick(about.findChild<QPushButton*>(QStringLiteral("cmdSysInfo")), Qt::LeftButton);
    QCOMPARE(desktop.started, QStringList{QStringLiteral("/opt/bin/gnome-system-monitor")});
    QVERIFY(prompter.shown().isEmpty());
    QVERIFY(prompter.scriptDone());
}

void TestAbout::systemInformationUnavailableIsSaid_data()
{
    QTest::addColumn<bool>("installed");
    QTest::newRow("none installed") << false;
    QTest::newRow("installed but does not start") << true;
}

void TestAbout::systemInformationUnavailableIsSaid()
{
    QFETCH(bool, installed);
    ScriptedPrompter prompter;
    RecordingDesktop desktop;
    if (installed)
        desktop.installed = {QStringLiteral("ksysguard")};
    desktop.startSucceeds = false;
    prompter.expectMessage(QStringLiteral("此时系统信息不可用"));
    frmAbout about(prompter, desktop);
    QTest::mouseClick(about.findChild<QPushButton*>(QStringLiteral("cmdSysInfo")), Qt::LeftButton);
    QVERIFY(prompter.scriptDone());
    QCOMPARE(prompter.shown().size(), 1);
    QCOMPARE(prompter.shown().first().title, QStringLiteral("瓦德林通讯录"));
    QCOMPARE(prompter.shown().first().icon, Prompter::Icon::None);
    QCOMPARE(desktop.started.size(), installed ? 1 : 0);
}

void TestAbout::okCloses()
{
    ScriptedPrompter prompter;
    RecordingDesktop desktop;
    frmAbout about(prompter, desktop);
    about.show();
    QVERIFY(QTest::qWaitForWindowExposed(&about));
    QTest::mouseClick(about.findChild<QPushButton*>(QStringLiteral("cmdOK")), Qt::LeftButton);
    QVERIFY(!about.isVisible());
    QCOMPARE(about.result(), int(QDialog::Accepted));
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
        about->findChild<QPushButton*>(QStringLiteral("cmdOK"))->click();
    });
    main.tool("Button_About")->click();
    QCOMPARE(seenTitle, QStringLiteral("关于 瓦德林通讯录"));
    QVERIFY(!main.window->findChild<frmAbout*>()); // gone once closed
    QVERIFY(main.prompter.scriptDone());
}

QTEST_MAIN(TestAbout)
#include "tst_about.moc"
