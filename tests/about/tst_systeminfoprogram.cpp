// SPDX-License-Identifier: GPL-3.0-or-later
// The choice of the system-information program among those a desktop has.
#include "about/SystemInfoProgram.h"

#include <QTest>

using namespace Qt::StringLiterals;

class TestSystemInfoProgram : public QObject {
    Q_OBJECT

private slots:
    void firstKnownCandidateWins();
    void noneKnownGivesEmpty();
};

void TestSystemInfoProgram::firstKnownCandidateWins()
{
    const QStringList names = SystemInfoProgram::candidates();
    QVERIFY(names.contains(u"gnome-system-monitor"_s));
    QVERIFY(names.contains(u"xfce4-taskmanager"_s));
    // Two of them installed: the one listed first is taken, whatever order they are asked in.
    const QString later = names.last();
    const QString earlier = names.at(1);
    QStringList asked;
    const QString found = SystemInfoProgram::find([&](const QString& name) {
        asked << name;
        return name == later || name == earlier ? u"/usr/bin/"_s + name : QString();
    });
    QCOMPARE(found, u"/usr/bin/"_s + earlier);
    QCOMPARE(asked, names.mid(0, 2));
}

void TestSystemInfoProgram::noneKnownGivesEmpty()
{
    QStringList asked;
    const QString found = SystemInfoProgram::find([&](const QString& name) {
        asked << name;
        return QString();
    });
    QVERIFY(found.isEmpty());
    QCOMPARE(asked, SystemInfoProgram::candidates());
}

QTEST_GUILESS_MAIN(TestSystemInfoProgram)
#include "tst_systeminfoprogram.moc"
