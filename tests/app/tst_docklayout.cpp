// SPDX-License-Identifier: GPL-3.0-or-later
// The text the pane layout is stored in: what it takes back, and everything else it refuses.
#include "app/DockLayout.h"

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
    qsizetype end = valueStart; // the value ends at the next field or at the pane's end
    while (text[end] != u',' && text[end] != u'}')
        ++end;
    return text.replace(valueStart, end - valueStart, value);
}

// What an earlier build stored for a window with the groups docked right: "VDL1:" + SHA-256 +
// ":" + Qt's saveState() in Base64.
const QString earlierHashedState =
    u"VDL1:6381289d5e7c47ed36bfe442f4537ad44aa526282e48ecb4922f9f47094916cb:"
    "AAAA/wAAAAD9AAAAAgAAAAEAAAEAAAAB5fwCAAAAAfsAAAAKAFAAYQBuAGUAMQEAAAAdAAAB5QAAAFkA////"
    "AAAAAwAABEwAAADI/AEAAAAB+wAAAAoAUABhAG4AZQAyAQAAAAAAAARMAAAARgD///8AAANGAAAB5QAAAAQA"
    "AAAEAAAACAAAAAj8AAAAAQAAAAIAAAABAAAAEABUAG8AbwBsAHMAQgBhAHIBAAAAAP////8AAAAAAAAAAA=="_s;

} // namespace

class TestDockLayout : public QObject {
    Q_OBJECT

private slots:

    void storedTextGivesLayoutOrNothing_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<std::optional<Layout>>("expected");

        QTest::newRow("what this build writes")
            << DockLayout::write(sample) << std::optional(sample);
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
            << std::optional(Layout{
                   {{u"P"_s, Area::Top, true, true, 16384, QRect(-32767, 32767, 16384, 1)}}});
        QTest::newRow("values written out of bounds come back within them")
            << DockLayout::write(
                   {{{u"Pane1"_s, Area::Left, true, true, -5, QRect(-90000, 90000, 0, 99999)}}})
            << std::optional(Layout{
                   {{u"Pane1"_s, Area::Left, true, true, 1, QRect(-32767, 32767, 1, 16384)}}});

        const auto refuse = [](const char* what, const QString& text) {
            QTest::newRow(what) << text << std::optional<Layout>();
        };
        const auto with = [](const QString& from, const QString& to) {
            return QString(soundText).replace(from, to);
        };
        refuse("nothing stored", QString());
        refuse("an earlier build's hashed state", earlierHashedState);
        refuse("any other text",
               u"not a layout ' \" \\"_s + QString::fromLatin1("\x00\x01\xff{\x80}", 6));
        refuse("a later version", with(u"\"layout\":2"_s, u"\"layout\":3"_s));
        refuse("an array, not an object", u"[2,[]]"_s);
        refuse("a key too many at the top", with(u"{\"layout\""_s, u"{\"x\":1,\"layout\""_s));
        refuse("size past a 32-bit number", withPane1(u"size"_s, u"4294967516"_s));
        refuse("size one past the largest", withPane1(u"size"_s, u"16385"_s));
        refuse("no size at all", withPane1(u"size"_s, u"0"_s));
        refuse("a fraction of a pixel", withPane1(u"size"_s, u"300.5"_s));
        refuse("size as text", withPane1(u"size"_s, u"\"300\""_s));
        refuse("shown as a number", withPane1(u"shown"_s, u"1"_s));
        refuse("an unknown area", withPane1(u"area"_s, u"\"centre\""_s));
        refuse("a pane name with a path", withPane1(u"pane"_s, u"\"../Pane1\""_s));
        refuse("an empty pane name", withPane1(u"pane"_s, u"\"\""_s));
        refuse("a pane twice", with(u"\"Pane2\""_s, u"\"Pane1\""_s));
        refuse("an unknown pane key", withPane1(u"size"_s, u"300,\"x\":1"_s));
        refuse("a docked pane with a geometry",
               withPane1(u"size"_s, u"300,\"geometry\":[1,1,1,1]"_s));
        refuse("a floating pane without one", withPane1(u"floating"_s, u"true"_s));
        refuse("a geometry of three numbers", with(u"[40,60,500,250]"_s, u"[40,60,500]"_s));
        refuse("a negative width", with(u"[40,60,500,250]"_s, u"[40,60,-500,250]"_s));
        refuse("a place far off every screen", with(u"[40,60,500,250]"_s, u"[40,99999,500,250]"_s));
        const QString pane =
            u"{\"pane\":\"P%1\",\"area\":\"left\",\"floating\":false,\"shown\":true,\"size\":9}"_s;
        QStringList nine;
        for (int n = 1; n <= 9; ++n)
            nine << pane.arg(n);
        refuse("nine panes", u"{\"layout\":2,\"panes\":["_s + nine.join(u',') + u"]}"_s);
        refuse("longer than any layout", soundText + QString(4096, u' '));
        refuse("nested far down", QString(2000, u'[') + QString(2000, u']'));
    }

    void storedTextGivesLayoutOrNothing()
    {
        QFETCH(QString, stored);
        QFETCH(std::optional<Layout>, expected);
        QCOMPARE(DockLayout::read(stored), expected);
    }
};

QTEST_GUILESS_MAIN(TestDockLayout)
#include "tst_docklayout.moc"
