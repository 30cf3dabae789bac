// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's pane "联系情况": filled from the records of the contact clicked or moved to
// in the list, emptied for a contact without records, left alone by a rebuild of the list.
#include "RunningMain.h"
#include "TestDatabase.h"

#include <QPlainTextEdit>
#include <QTest>

#include <memory>

namespace {

QString paneOf(const RunningMain& main)
{
    return main.find<QPlainTextEdit>(QStringLiteral("Edit_LX"))->toPlainText();
}

int rowOf(const RunningMain& main, qint64 contactId)
{
    return main.list()->contacts()->rowOf(contactId);
}

void clickRow(const RunningMain& main, int row)
{
    const QRect cell = main.list()->visualRect(main.list()->model()->index(row, 0));
    QTest::mouseClick(main.list()->viewport(), Qt::LeftButton, {}, cell.center());
}

} // namespace

class TestHistoryPane : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void clickShowsOneLinePerRecordInTheOrderAdded();
    void contactWithoutRecordsEmptiesThePane();
    void movingWithTheKeysFollowsTheRow();
    void rebuildingTheListKeepsThePane();

private:
    std::unique_ptr<TestDatabase> m_data;
    qint64 m_three = 0;
    qint64 m_none = 0;
    std::unique_ptr<RunningMain> m_main;
};

void TestHistoryPane::init()
{
    m_data = std::make_unique<TestDatabase>();
    QVERIFY(m_data->ok());
    m_data->setDisplayedColumns({QStringLiteral("C.Name")});
    m_three = m_data->addContact({{QStringLiteral("Name"), QStringLiteral("甲")}});
    m_none = m_data->addContact({{QStringLiteral("Name"), QStringLiteral("乙")}});
    const QList<std::pair<QString, QString>> records{
        {QStringLiteral("2010-03-05"), QStringLiteral("初次见面")},
        {QStringLiteral("2009-01-02"), QStringLiteral(" ")},
        {QStringLiteral("2011-12-31"), QStringLiteral("O'Neil")}};
    for (const auto& [day, remark] : records)
        m_data->run(QStringLiteral("INSERT INTO Vardelin_History (CID, LxDate, NextDate, Remark, "
                                   "IsRemind) VALUES (?, ?, ?, ?, 1)"),
                    {m_three, day, day, remark});
    m_main = std::make_unique<RunningMain>();
    QVERIFY(m_main->start(m_data->path()));
}

void TestHistoryPane::cleanup()
{
    m_main.reset();
    m_data.reset();
}

// Each record ends with a carriage return and line feed; the pane shows them as line ends.
static QString shown(const QString& paneText)
{
    QString text = paneText;
    return text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
}

void TestHistoryPane::clickShowsOneLinePerRecordInTheOrderAdded()
{
    QVERIFY(paneOf(*m_main).isEmpty());
    clickRow(*m_main, rowOf(*m_main, m_three));
    QCOMPARE(shown(paneOf(*m_main)),
             QStringLiteral("2010年03月05日 初次见面\n2009年01月02日  \n2011年12月31日 O'Neil\n"));
    QVERIFY(!paneOf(*m_main).contains(u'\r'));
    QVERIFY(m_main->prompter.scriptDone());

    // A record added since is shown by the next click on the same row.
    m_data->run(QStringLiteral("INSERT INTO Vardelin_History (CID, LxDate, Remark) VALUES (?, "
                               "'2012-01-01', '又一次')"),
                {m_three});
    clickRow(*m_main, rowOf(*m_main, m_three));
    QVERIFY(shown(paneOf(*m_main)).endsWith(QStringLiteral("\n2012年01月01日 又一次\n")));
}

void TestHistoryPane::contactWithoutRecordsEmptiesThePane()
{
    clickRow(*m_main, rowOf(*m_main, m_three));
    QVERIFY(!paneOf(*m_main).isEmpty());
    clickRow(*m_main, rowOf(*m_main, m_none));
    QVERIFY(paneOf(*m_main).isEmpty());
}

void TestHistoryPane::movingWithTheKeysFollowsTheRow()
{
    const int three = rowOf(*m_main, m_three);
    const int none = rowOf(*m_main, m_none);
    clickRow(*m_main, none);
    QVERIFY(paneOf(*m_main).isEmpty());
    m_main->list()->setFocus();
    QTest::keyClick(m_main->list(), three > none ? Qt::Key_Down : Qt::Key_Up);
    QCOMPARE(m_main->list()->currentIndex().row(), three);
    QVERIFY(shown(paneOf(*m_main)).startsWith(QStringLiteral("2010年03月05日 初次见面\n")));
}

void TestHistoryPane::rebuildingTheListKeepsThePane()
{
    clickRow(*m_main, rowOf(*m_main, m_three));
    const QString before = paneOf(*m_main);
    QVERIFY(m_main->window->GJContact(1, false));
    QCOMPARE(paneOf(*m_main), before);
    // A failed read shows the error box and leaves the pane empty.
    m_data->run(QStringLiteral("DROP TABLE Vardelin_History"));
    m_main->prompter.expectMessage();
    clickRow(*m_main, rowOf(*m_main, m_none));
    QVERIFY(m_main->prompter.scriptDone());
    QVERIFY(m_main->prompter.shown().last().title.startsWith(QStringLiteral("错误")));
    QVERIFY(paneOf(*m_main).isEmpty());
}

QTEST_MAIN(TestHistoryPane)
#include "tst_historypane.moc"
