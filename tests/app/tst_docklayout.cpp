// SPDX-License-Identifier: GPL-3.0-or-later
// The text the pane layout is stored in: what it takes back, and everything else it refuses.
#include "app/DockLayout.h"

#include <QRandomGenerator>
#include <QTest>

#include <optional>

using namespace Qt::StringLiterals;
using DockLayout::Area;
using DockLayout::Layout;
using DockLayout::Pane;

Q_DECLARE_METATYPE(std::optional<DockLayout::Layout>)

namespace {

// Groups docked right 300 wide, history floating, hidden.
const Layout sample{{{u"Pane1"_s, Area::Right, false, true, 300, {}},
                     {u"Pane2"_s, Area::Bottom, true, false, 200, QRect(40, 60, 500, 250)}}};

const QString soundText =
    uR"({"layout":2,"panes":[{"pane":"Pane1","area":"right","floating":false,"shown":true,"size":300},)"
    uR"({"pane":"Pane2","area":"bottom","floating":true,"shown":false,"size":200,"geometry":[40,60,500,250]}]})"_s;

// The sound text with one pane's field replaced, for rows that damage a single value.
QString withPane1(const QString& field, const QString& value)
{
    QString text = soundText;
    const qsizetype start = text.indexOf(u"\""_s + field + u"\":"_s);
    const qsizetype valueStart = start + field.size() + 3;
    const qsizetype end = text.indexOf(u',', valueStart);
    return text.replace(valueStart, end - valueStart, value);
}

// What an earlier build stored for a window with the groups docked right: "VDL1:" + SHA-256 +
// ":" + Qt's saveState() in Base64, and before that the Base64 alone.
const QString earlierHashedState =
    u"VDL1:6381289d5e7c47ed36bfe442f4537ad44aa526282e48ecb4922f9f47094916cb:"
    "AAAA/wAAAAD9AAAAAgAAAAEAAAEAAAAB5fwCAAAAAfsAAAAKAFAAYQBuAGUAMQEAAAAdAAAB5QAAAFkA////"
    "AAAAAwAABEwAAADI/AEAAAAB+wAAAAoAUABhAG4AZQAyAQAAAAAAAARMAAAARgD///8AAANGAAAB5QAAAAQA"
    "AAAEAAAACAAAAAj8AAAAAQAAAAIAAAABAAAAEABUAG8AbwBsAHMAQgBhAHIBAAAAAP////8AAAAAAAAAAA=="_s;

} // namespace

class TestDockLayout : public QObject {
    Q_OBJECT

private slots:
    void storedTextGivesLayoutOrNothing_data();
    void storedTextGivesLayoutOrNothing();
    void fuzzedTextsAreRefusedOrWithinBounds();
};

void TestDockLayout::storedTextGivesLayoutOrNothing_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<std::optional<Layout>>("expected");
    const std::optional<Layout> refused;

    QTest::newRow("what this build writes") << DockLayout::write(sample) << std::optional(sample);
    QTest::newRow("the same by hand") << soundText << std::optional(sample);
    QTest::newRow("blanks, lines and another key order")
        << uR"( { "panes" : [ { "size": 220, "shown": true, "floating": false,
            "area": "left", "pane": "Pane1" } ],
            "layout": 2 } )"_s
        << std::optional(Layout{{{u"Pane1"_s, Area::Left, false, true, 220, {}}}});
    QTest::newRow("no panes") << uR"({"layout":2,"panes":[]})"_s << std::optional(Layout{});
    QTest::newRow("largest values")
        << DockLayout::write(
               {{{u"P"_s, Area::Top, true, true, 16384, QRect(-32767, 32767, 16384, 1)}}})
        << std::optional(
               Layout{{{u"P"_s, Area::Top, true, true, 16384, QRect(-32767, 32767, 16384, 1)}}});
    QTest::newRow("values written out of bounds come back within them")
        << DockLayout::write(
               {{{u"Pane1"_s, Area::Left, true, true, -5, QRect(-90000, 90000, 0, 99999)}}})
        << std::optional(
               Layout{{{u"Pane1"_s, Area::Left, true, true, 1, QRect(-32767, 32767, 1, 16384)}}});

    QTest::newRow("nothing stored") << QString() << refused;
    QTest::newRow("an earlier build's hashed state") << earlierHashedState << refused;
    QTest::newRow("an earlier build's plain state")
        << earlierHashedState.section(u':', 2) << refused;
    QTest::newRow("cut short") << soundText.chopped(1) << refused;
    QTest::newRow("cut in the middle") << soundText.left(soundText.size() / 2) << refused;
    QTest::newRow("any other text") << u"not a layout ' \" \\"_s << refused;
    QTest::newRow("control and high bytes")
        << QString::fromLatin1("\x00\x01\xff{\x80}", 6) << refused;
    QTest::newRow("a later version")
        << QString(soundText).replace(u"\"layout\":2"_s, u"\"layout\":3"_s) << refused;
    QTest::newRow("no version") << QString(soundText).replace(u"\"layout\":2,"_s, QString())
                                << refused;
    QTest::newRow("an array, not an object") << u"[2,[]]"_s << refused;
    QTest::newRow("a key too many at the top")
        << QString(soundText).replace(u"{\"layout\""_s, u"{\"x\":1,\"layout\""_s) << refused;
    QTest::newRow("huge size") << withPane1(u"size"_s, u"1e300"_s) << refused;
    QTest::newRow("size past a 32-bit number") << withPane1(u"size"_s, u"4294967516"_s) << refused;
    QTest::newRow("size one past the largest") << withPane1(u"size"_s, u"16385"_s) << refused;
    QTest::newRow("negative size") << withPane1(u"size"_s, u"-300"_s) << refused;
    QTest::newRow("no size at all") << withPane1(u"size"_s, u"0"_s) << refused;
    QTest::newRow("a fraction of a pixel") << withPane1(u"size"_s, u"300.5"_s) << refused;
    QTest::newRow("size as text") << withPane1(u"size"_s, u"\"300\""_s) << refused;
    QTest::newRow("shown as a number") << withPane1(u"shown"_s, u"1"_s) << refused;
    QTest::newRow("an unknown area") << withPane1(u"area"_s, u"\"centre\""_s) << refused;
    QTest::newRow("a pane name with a path") << withPane1(u"pane"_s, u"\"../Pane1\""_s) << refused;
    QTest::newRow("an empty pane name") << withPane1(u"pane"_s, u"\"\""_s) << refused;
    QTest::newRow("a pane twice") << QString(soundText).replace(u"\"Pane2\""_s, u"\"Pane1\""_s)
                                  << refused;
    QTest::newRow("an unknown pane key") << withPane1(u"size"_s, u"300,\"x\":1"_s) << refused;
    QTest::newRow("a docked pane with a geometry")
        << withPane1(u"size"_s, u"300,\"geometry\":[1,1,1,1]"_s) << refused;
    QTest::newRow("a floating pane without one") << withPane1(u"floating"_s, u"true"_s) << refused;
    QTest::newRow("a geometry of three numbers")
        << QString(soundText).replace(u"[40,60,500,250]"_s, u"[40,60,500]"_s) << refused;
    QTest::newRow("a negative width")
        << QString(soundText).replace(u"[40,60,500,250]"_s, u"[40,60,-500,250]"_s) << refused;
    QTest::newRow("a place far off every screen")
        << QString(soundText).replace(u"[40,60,500,250]"_s, u"[40,99999,500,250]"_s) << refused;
    QString ninePanes = u"{\"layout\":2,\"panes\":["_s;
    for (int pane = 1; pane <= 9; ++pane)
        ninePanes +=
            u"{\"pane\":\"P%1\",\"area\":\"left\",\"floating\":false,\"shown\":true,\"size\":9}"_s
                .arg(pane) +
            (pane < 9 ? u","_s : u"]}"_s);
    QTest::newRow("nine panes") << ninePanes << refused;
    QTest::newRow("longer than any layout") << soundText + QString(4096, u' ') << refused;
    QTest::newRow("nested far down") << QString(2000, u'[') + QString(2000, u']') << refused;
}

void TestDockLayout::storedTextGivesLayoutOrNothing()
{
    QFETCH(QString, stored);
    QFETCH(std::optional<Layout>, expected);
    QCOMPARE(DockLayout::read(stored), expected);
}

void TestDockLayout::fuzzedTextsAreRefusedOrWithinBounds()
{
    // Bytes changed, dropped and added anywhere in a sound text, as a damaged disk or another
    // program's write leaves them: whatever is not refused is a layout within its bounds.
    QRandomGenerator random(20261208);
    const QByteArray sound = soundText.toUtf8();
    int taken = 0;
    for (int round = 0; round < 20000; ++round) {
        QByteArray changed = sound;
        for (int change = 1 + random.bounded(3); change > 0; --change) {
            const qsizetype at = random.bounded(int(changed.size()));
            switch (random.bounded(3)) {
            case 0:
                changed[at] = char(random.bounded(256));
                break;
            case 1:
                changed.remove(at, 1 + random.bounded(4));
                break;
            default:
                changed.insert(at, char(random.bounded(256)));
            }
        }
        const std::optional<Layout> layout = DockLayout::read(QString::fromUtf8(changed));
        if (!layout)
            continue;
        ++taken;
        QVERIFY(layout->panes.size() <= std::size_t(DockLayout::mostPanes));
        for (const Pane& pane : layout->panes) {
            QVERIFY(pane.size >= 1 && pane.size <= DockLayout::largestSize);
            QCOMPARE(pane.geometry.isEmpty(), !pane.floating);
            QVERIFY(pane.geometry.width() <= DockLayout::largestSize);
            QVERIFY(pane.geometry.height() <= DockLayout::largestSize);
            QVERIFY(qAbs(pane.geometry.x()) <= DockLayout::farthestPosition);
            QVERIFY(qAbs(pane.geometry.y()) <= DockLayout::farthestPosition);
        }
        QCOMPARE(DockLayout::read(DockLayout::write(*layout)), layout);
    }
    // Changes inside numbers and names keep some texts sound; most are refused.
    QVERIFY(taken > 0 && taken < 20000 / 2);
}

QTEST_GUILESS_MAIN(TestDockLayout)
#include "tst_docklayout.moc"
