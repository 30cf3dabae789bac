// SPDX-License-Identifier: GPL-3.0-or-later
// The picture bag gives back what was put in, and turns damaged bytes into "no picture".
#include "db/PictureBag.h"

#include <QTest>

using namespace Qt::StringLiterals;

class TestPictureBag : public QObject {
    Q_OBJECT

private slots:
    void picturesAndNamedEntriesComeBackUnchanged()
    {
        const QByteArray jpeg = QByteArray("\xff\xd8\xff\xe0\0\0", 6).repeated(900) + "\xff\xd9";
        QCOMPARE(PictureBag::pictureOf(PictureBag::ofPicture(jpeg)), std::optional(jpeg));
        QCOMPARE(PictureBag::pictureOf(PictureBag::ofPicture({})), std::optional(QByteArray()));
        PictureBag bag;
        bag.write(u"Picture"_s, "one");
        bag.write(u"图片说明"_s, "two");
        bag.write(u"Picture"_s, "three"); // a second write replaces
        const auto read = PictureBag::fromContents(bag.contents());
        QCOMPARE(read->read(u"Picture"_s), std::optional<QByteArray>("three"));
        QCOMPARE(read->read(u"图片说明"_s), std::optional<QByteArray>("two"));
        QCOMPARE(read->read(u"picture"_s), std::nullopt);
    }

    void damagedBytesGiveNoPicture_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        const QByteArray good = PictureBag::ofPicture("picture bytes");
        PictureBag other;
        other.write(u"Other"_s, "x");
        QTest::newRow("no picture entry") << other.contents();
        QTest::newRow("a bare JPEG") << QByteArray("\xff\xd8\xff\xe0 JFIF", 9);
        QTest::newRow("later version") << QByteArray(good).replace(7, 1, "\x02");
        QTest::newRow("trailing bytes") << good + "x";
        QTest::newRow("value too long") << QByteArray(good).replace(good.size() - 17, 1, "\x7f");
        QTest::newRow("count too large") << QByteArray(good).replace(8, 4, "\xff\xff\xff\xff");
        for (qsizetype length = 0; length < good.size(); ++length)
            QTest::addRow("cut at %d", int(length)) << good.left(length);
    }

    void damagedBytesGiveNoPicture()
    {
        QFETCH(QByteArray, bytes);
        QCOMPARE(PictureBag::pictureOf(bytes), std::nullopt);
    }
};

QTEST_GUILESS_MAIN(TestPictureBag)
#include "tst_picturebag.moc"
