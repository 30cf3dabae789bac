// SPDX-License-Identifier: GPL-3.0-or-later
// Stored pictures: kept as picture bags, listed without their bytes, renamed exactly, and a row
// that is gone or holds no bag told apart from a picture.
#include "TestDatabase.h"

#include "db/PictureBag.h"
#include "card/StoredPictures.h"

#include <QFile>
#include <QTest>

namespace {

// The texts a test expects, in order.
QStringList texts(std::initializer_list<QStringView> items)
{
    QStringList out;
    for (const QStringView item : items)
        out << item.toString();
    return out;
}

} // namespace

class TestStoredPictures : public QObject {
    Q_OBJECT

private slots:
    void addedPictureIsABagOfTheFileBytes();
    void listIsTheContactsPicturesInAddedOrder();
    void renameStoresTheNameExactly();
    void renameOrShowOfADeletedRowSaysSo();
    void bytesThatAreNotABagAreToldApart();
    void pictureFileTooLargeOrMissingIsAnError();
};

void TestStoredPictures::addedPictureIsABagOfTheFileBytes()
{
    TestDatabase data;
    QVERIFY(data.ok());
    const QByteArray jpeg("\xff\xd8\xff\xe0 not really decoded here \xff\xd9");
    auto id = StoredPictures::add(data.db(), 4, QStringLiteral("门口"), jpeg);
    QVERIFY(id.ok());
    const QByteArray stored =
        data.scalar(QStringLiteral("SELECT Files FROM Vardelin_Files WHERE ID = ?"), {id.value()})
            .toByteArray();
    QCOMPARE(PictureBag::pictureOf(stored), std::optional<QByteArray>(jpeg));
    QCOMPARE(data.scalar(QStringLiteral("SELECT Type || CID FROM Vardelin_Files")).toString(),
             QStringLiteral("P4"));
    // The file columns stay unset on a picture row.
    QVERIFY(data.scalar(QStringLiteral("SELECT Ext IS NULL AND \"UpDate\" IS NULL AND Size IS NULL "
                                       "FROM Vardelin_Files"))
                .toBool());
    auto shown = StoredPictures::picture(data.db(), id.value());
    QVERIFY(shown.ok());
    QCOMPARE(shown.value().shown, StoredPictures::Shown::Picture);
    QCOMPARE(shown.value().pictureBytes, jpeg);
}

void TestStoredPictures::listIsTheContactsPicturesInAddedOrder()
{
    TestDatabase data;
    QVERIFY(data.ok());
    for (const char* name : {"b", "a", "a"})
        QVERIFY(StoredPictures::add(data.db(), 2, QString::fromLatin1(name), "x").ok());
    QVERIFY(StoredPictures::add(data.db(), 3, QStringLiteral("other contact"), "x").ok());
    data.run(
        QStringLiteral("INSERT INTO Vardelin_Files (CID, Type, Name) VALUES (2, 'F', 'file')"));
    auto entries = StoredPictures::list(data.db(), 2);
    QVERIFY(entries.ok());
    QStringList names;
    qint64 lastId = 0;
    for (const auto& entry : entries.value()) {
        names << entry.name;
        QVERIFY(entry.id > lastId);
        lastId = entry.id;
    }
    QCOMPARE(names, texts({u"b", u"a", u"a"}));
}

void TestStoredPictures::renameStoresTheNameExactly()
{
    TestDatabase data;
    QVERIFY(data.ok());
    auto id = StoredPictures::add(data.db(), 2, QStringLiteral("old"), "x");
    QVERIFY(id.ok());
    const QString awkward = QStringLiteral("O'Neil's \"房子\" '); DROP TABLE Vardelin_Files; --");
    auto renamed = StoredPictures::rename(data.db(), id.value(), awkward);
    QVERIFY(renamed.ok());
    QVERIFY(renamed.value());
    QCOMPARE(data.scalar(QStringLiteral("SELECT Name FROM Vardelin_Files")).toString(), awkward);
}

void TestStoredPictures::renameOrShowOfADeletedRowSaysSo()
{
    TestDatabase data;
    QVERIFY(data.ok());
    auto id = StoredPictures::add(data.db(), 2, QStringLiteral("old"), "x");
    QVERIFY(id.ok());
    QVERIFY(StoredPictures::remove(data.db(), id.value()).ok());
    QCOMPARE(data.scalar(QStringLiteral("SELECT count(*) FROM Vardelin_Files")).toInt(), 0);
    auto renamed = StoredPictures::rename(data.db(), id.value(), QStringLiteral("new"));
    QVERIFY(renamed.ok());
    QVERIFY(!renamed.value());
    QCOMPARE(data.scalar(QStringLiteral("SELECT count(*) FROM Vardelin_Files")).toInt(), 0);
    auto shown = StoredPictures::picture(data.db(), id.value());
    QVERIFY(shown.ok());
    QCOMPARE(shown.value().shown, StoredPictures::Shown::RowVanished);
}

void TestStoredPictures::bytesThatAreNotABagAreToldApart()
{
    TestDatabase data;
    QVERIFY(data.ok());
    data.run(QStringLiteral("INSERT INTO Vardelin_Files (ID, CID, Type, Name, Files) VALUES "
                            "(1, 2, 'P', 'raw jpeg', x'ffd8ffe0'), (2, 2, 'P', 'null', NULL), "
                            "(3, 2, 'P', 'cut bag', ?)"),
             {PictureBag::ofPicture("picture").chopped(2)});
    for (const qint64 id : {1, 2, 3}) {
        auto shown = StoredPictures::picture(data.db(), id);
        QVERIFY(shown.ok());
        QCOMPARE(shown.value().shown, StoredPictures::Shown::NotABag);
    }
}

void TestStoredPictures::pictureFileTooLargeOrMissingIsAnError()
{
    TestDatabase data;
    QVERIFY(data.ok());
    const QString big = data.folder() + QStringLiteral("/huge.jpg");
    {
        QFile file(big);
        QVERIFY(file.open(QIODevice::WriteOnly));
        QVERIFY(file.resize(StoredPictures::largestPictureBytes + 1)); // sparse, costs no disk
    }
    auto tooLarge = StoredPictures::readPictureFile(big);
    QVERIFY(!tooLarge.ok());
    QCOMPARE(tooLarge.error().number, StoredPictures::fileUnreadableNumber);
    QVERIFY(tooLarge.error().description.contains(QStringLiteral("huge.jpg")));
    QVERIFY(!StoredPictures::readPictureFile(data.folder() + QStringLiteral("/none.jpg")).ok());
    QVERIFY(!StoredPictures::readPictureFile(data.folder()).ok());
}

QTEST_GUILESS_MAIN(TestStoredPictures)
#include "tst_storedpictures.moc"
