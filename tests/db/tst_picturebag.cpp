// SPDX-License-Identifier: GPL-3.0-or-later
// The picture bag gives back what was put in, and turns damaged bytes into "no picture".
#include "db/PictureBag.h"

#include <QRandomGenerator>
#include <QTest>

class TestPictureBag : public QObject {
    Q_OBJECT

private slots:
    void pictureBytesComeBackUnchanged();
    void emptyPictureIsABagNotNothing();
    void namedEntriesAreKeptApart();
    void damagedBytesGiveNoPicture_data();
    void damagedBytesGiveNoPicture();
    void everyCutAndEveryFlippedByteIsSafe();
};

void TestPictureBag::pictureBytesComeBackUnchanged()
{
    QByteArray jpeg("\xff\xd8\xff\xe0", 4);
    jpeg.append(QByteArray(5000, '\0'));
    jpeg.append("\xff\xd9", 2);
    const QByteArray stored = PictureBag::ofPicture(jpeg);
    QVERIFY(stored.startsWith("VDLNBAG"));
    QCOMPARE(PictureBag::pictureOf(stored), std::optional<QByteArray>(jpeg));
}

void TestPictureBag::emptyPictureIsABagNotNothing()
{
    const QByteArray stored = PictureBag::ofPicture({});
    QVERIFY(!stored.isEmpty());
    const auto picture = PictureBag::pictureOf(stored);
    QVERIFY(picture.has_value());
    QVERIFY(picture->isEmpty());
}

void TestPictureBag::namedEntriesAreKeptApart()
{
    PictureBag bag;
    bag.write(QStringLiteral("Picture"), "one");
    bag.write(QStringLiteral("图片说明"), "two");
    bag.write(QStringLiteral("Picture"), "three"); // a second write replaces
    const auto read = PictureBag::fromContents(bag.contents());
    QVERIFY(read.has_value());
    QCOMPARE(read->read(QStringLiteral("Picture")), std::optional<QByteArray>("three"));
    QCOMPARE(read->read(QStringLiteral("图片说明")), std::optional<QByteArray>("two"));
    QVERIFY(!read->read(QStringLiteral("picture")).has_value());
    // A bag without a picture entry holds no picture.
    PictureBag other;
    other.write(QStringLiteral("Other"), "x");
    QVERIFY(!PictureBag::pictureOf(other.contents()).has_value());
}

void TestPictureBag::damagedBytesGiveNoPicture_data()
{
    QTest::addColumn<QByteArray>("bytes");
    const QByteArray good = PictureBag::ofPicture("picture bytes");
    QTest::newRow("empty") << QByteArray();
    QTest::newRow("a bare JPEG") << QByteArray("\xff\xd8\xff\xe0 JFIF", 9);
    QTest::newRow("magic only") << QByteArray("VDLNBAG");
    QTest::newRow("later version") << QByteArray(good).replace(7, 1, "\x02");
    QTest::newRow("cut in the value") << good.left(good.size() - 1);
    QTest::newRow("trailing bytes") << good + "x";
    QByteArray lyingLength = good;
    lyingLength[lyingLength.size() - 17] = '\x7f'; // the value length's high byte
    QTest::newRow("value length too large") << lyingLength;
    QByteArray hugeCount = good;
    hugeCount.replace(8, 4, "\xff\xff\xff\xff");
    QTest::newRow("entry count too large") << hugeCount;
}

void TestPictureBag::damagedBytesGiveNoPicture()
{
    QFETCH(QByteArray, bytes);
    QVERIFY(!PictureBag::pictureOf(bytes).has_value());
}

void TestPictureBag::everyCutAndEveryFlippedByteIsSafe()
{
    const QByteArray good = PictureBag::ofPicture("0123456789");
    for (qsizetype length = 0; length < good.size(); ++length)
        QVERIFY(!PictureBag::pictureOf(good.left(length)).has_value());
    // A changed byte gives no picture or a picture; it never reads past the bytes.
    for (qsizetype at = 0; at < good.size(); ++at) {
        for (int bit = 0; bit < 8; ++bit) {
            QByteArray damaged = good;
            damaged[at] = char(damaged[at] ^ (1 << bit));
            const auto picture = PictureBag::pictureOf(damaged);
            if (picture)
                QVERIFY(picture->size() <= damaged.size());
        }
    }
    QRandomGenerator random(5);
    for (int i = 0; i < 2000; ++i) {
        QByteArray noise(int(random.bounded(64)), '\0');
        for (char& c : noise)
            c = char(random.bounded(256));
        noise.prepend("VDLNBAG\x01");
        PictureBag::pictureOf(noise);
    }
}

QTEST_GUILESS_MAIN(TestPictureBag)
#include "tst_picturebag.moc"
