// SPDX-License-Identifier: GPL-3.0-or-later
// libpq's entry points read from the installed library, all of them or none: a name misspelt
// among them would otherwise show only on a server address book, and a library without them
// must leave the server paths refusing rather than calling a null entry.
#include "db/LibPq.h"

#include <QTest>

using namespace Qt::StringLiterals;

class TestLibPq : public QObject {
    Q_OBJECT

private slots:
    void loadsWholeOrNotAtAll_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("version");
        QTest::addColumn<bool>("loaded");
        QTest::newRow("the installed libpq") << u"pq"_s << 5 << true;
        QTest::newRow("no such library") << u"vardelin-no-such-library"_s << 5 << false;
        QTest::newRow("another library in its place") << u"xlsxwriter"_s << 4 << false;
    }
    void loadsWholeOrNotAtAll()
    {
        QFETCH(QString, name);
        QFETCH(int, version);
        QFETCH(bool, loaded);
        const std::optional<LibPq> pq = LibPq::load(name, version);
        QCOMPARE(pq.has_value(), loaded);
        if (loaded) {
            QVERIFY(LibPq::get());
            // A call through the table reaches the library: a server nobody runs is refused.
            QCOMPARE(pq->ping("host=/nonexistent connect_timeout=1"), PQPING_NO_RESPONSE);
        }
    }
};

QTEST_GUILESS_MAIN(TestLibPq)
#include "tst_libpq.moc"
