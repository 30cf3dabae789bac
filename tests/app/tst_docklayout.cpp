// SPDX-License-Identifier: GPL-3.0-or-later
// The checked form the pane layout is stored in.
#include "app/DockLayout.h"

#include <QRandomGenerator>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

// Stands in for a state: any bytes, zeros and high bytes included.
QByteArray someState(qsizetype size)
{
    QByteArray state(size, '\0');
    QRandomGenerator generator(size);
    for (char& byte : state)
        byte = char(generator.bounded(256));
    return state;
}

} // namespace

class TestDockLayout : public QObject {
    Q_OBJECT

private slots:
    void aWrappedStateComesBackWhole();
    void anyChangedByteIsCaught();
    void otherTextsAreToldApart_data();
    void otherTextsAreToldApart();
};

void TestDockLayout::aWrappedStateComesBackWhole()
{
    for (qsizetype size : {1, 2, 3, 561, 4000}) {
        const QByteArray state = someState(size);
        const QString stored = DockLayout::wrap(state);
        QVERIFY(stored.startsWith(u"VDL1:"_s));
        const DockLayout::Unwrapped back = DockLayout::unwrap(stored);
        QCOMPARE(back.form, DockLayout::Form::Checked);
        QCOMPARE(back.state, state);
    }
}

void TestDockLayout::anyChangedByteIsCaught()
{
    // Every position of the stored text, changed to each of a few other characters.
    for (qsizetype size : {561, 562, 563}) {
        const QByteArray state = someState(size);
        const QString stored = DockLayout::wrap(state);
        for (qsizetype at = 0; at < stored.size(); ++at) {
            for (QChar other : {u'A', u'B', u'f', u'0', u':', u'=', u'张'}) {
                if (stored[at] == other)
                    continue;
                QString changed = stored;
                changed[at] = other;
                const DockLayout::Unwrapped back = DockLayout::unwrap(changed);
                QVERIFY2(back.form ==
                             (at < 3 ? DockLayout::Form::Unchecked : DockLayout::Form::Damaged),
                         qPrintable(u"size %1, position %2"_s.arg(size).arg(at)));
                QVERIFY(back.state.isEmpty());
            }
        }
        // A byte cut off or added at the end.
        QCOMPARE(DockLayout::unwrap(stored.chopped(1)).form, DockLayout::Form::Damaged);
        QCOMPARE(DockLayout::unwrap(stored + u'A').form, DockLayout::Form::Damaged);
    }
}

void TestDockLayout::otherTextsAreToldApart_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<DockLayout::Form>("form");
    const QByteArray state = someState(200);
    const QString sound = DockLayout::wrap(state);
    QTest::newRow("nothing") << QString() << DockLayout::Form::Empty;
    QTest::newRow("an earlier build's plain Base64")
        << QString::fromLatin1(state.toBase64()) << DockLayout::Form::Unchecked;
    QTest::newRow("any other text") << u"not a layout ' \" \\"_s << DockLayout::Form::Unchecked;
    QTest::newRow("a later version")
        << QString(sound).replace(0, 4, u"VDL2"_s) << DockLayout::Form::Damaged;
    QTest::newRow("hash of another state")
        << DockLayout::wrap(someState(201)).section(u':', 0, 1) + u':' + sound.section(u':', 2)
        << DockLayout::Form::Damaged;
    QTest::newRow("no state") << DockLayout::wrap({}) << DockLayout::Form::Damaged;
    QTest::newRow("a part too many") << sound + u":x"_s << DockLayout::Form::Damaged;
    QTest::newRow("far too large")
        << DockLayout::wrap(someState(200'000)) << DockLayout::Form::Damaged;
}

void TestDockLayout::otherTextsAreToldApart()
{
    QFETCH(QString, stored);
    QFETCH(DockLayout::Form, form);
    const DockLayout::Unwrapped back = DockLayout::unwrap(stored);
    QCOMPARE(back.form, form);
    QVERIFY(back.state.isEmpty());
}

QTEST_GUILESS_MAIN(TestDockLayout)
#include "tst_docklayout.moc"
