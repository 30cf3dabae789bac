// SPDX-License-Identifier: GPL-3.0-or-later
// Stored pictures: kept as picture bags, listed without their bytes, renamed exactly, and a row
// that is gone or holds no bag told apart from a picture.
#include "TestDatabase.h"

#include "db/PictureBag.h"
#include "card/StoredPictures.h"

#include <QFile>
#include <QTest>

using namespace Qt::StringLiterals;

class TestStoredPictures : public QObject {
    Q_OBJECT

private slots:
    void init();
    void addedPictureIsABagOfTheFileBytes();
    void listIsTheContactsPicturesInAddedOrder();
    void renameStoresTheNameExactly();
    void renameOrShowOfADeletedRowSaysSo();
    void bytesThatAreNotABagAreToldApart();
    void pictureFileTooLargeOrMissingIsAnError();

private:
    std::unique_ptr<TestDatabase> m_data;
};

void TestStoredPictures::init()
{
    m_data = std::make_unique<TestDatabase>();
    QVERIFY(m_data->ok());
}

void TestStoredPictures::addedPictureIsABagOfTheFileBytes()
{
    const QByteArray jpeg("\xff\xd8\xff\xe0 not really decoded here \xff\xd9");
    auto id = StoredPictures::add(m_data->db(), 4, u"门口"_s, jpeg);
    QVERIFY(id.ok());
    const QByteArray stored =
        m_data->scalar(u"SELECT Files FROM Vardelin_Files WHERE ID = ?"_s, {id.value()})
            .toByteArray();
    QCOMPARE(PictureBag::pictureOf(stored), std::optional<QByteArray>(jpeg));
    QCOMPARE(m_data->scalar(u"SELECT Type || CID FROM Vardelin_Files"_s).toString(), u"P4"_s);
    // The file columns stay unset on a picture row.
    QVERIFY(
        m_data
            ->scalar(
                u"SELECT Ext IS NULL AND \"UpDate\" IS NULL AND Size IS NULL FROM Vardelin_Files"_s)
            .toBool());
    auto shown = StoredPictures::picture(m_data->db(), id.value());
    QVERIFY(shown.ok());
    QCOMPARE(shown.value().shown, StoredPictures::Shown::Picture);
    QCOMPARE(shown.value().pictureBytes, jpeg);
}

void TestStoredPictures::listIsTheContactsPicturesInAddedOrder()
{
    for (const char* name : {"b", "a", "a"})
        QVERIFY(StoredPictures::add(m_data->db(), 2, QString::fromLatin1(name), "x").ok());
    QVERIFY(StoredPictures::add(m_data->db(), 3, u"other contact"_s, "x").ok());
    m_data->run(u"INSERT INTO Vardelin_Files (CID, Type, Name) VALUES (2, 'F', 'file')"_s);
    auto entries = StoredPictures::list(m_data->db(), 2);
    QVERIFY(entries.ok());
    QStringList names;
    qint64 lastId = 0;
    for (const auto& entry : entries.value()) {
        names << entry.name;
        QVERIFY(entry.id > lastId);
        lastId = entry.id;
    }
    QCOMPARE(names, QStringList({u"b"_s, u"a"_s, u"a"_s}));
}

void TestStoredPictures::renameStoresTheNameExactly()
{
    auto id = StoredPictures::add(m_data->db(), 2, u"old"_s, "x");
    QVERIFY(id.ok());
    const QString awkward = u"O'Neil's \"房子\" '); DROP TABLE Vardelin_Files; --"_s;
    auto renamed = StoredPictures::rename(m_data->db(), id.value(), awkward);
    QVERIFY(renamed.ok());
    QVERIFY(renamed.value());
    QCOMPARE(m_data->scalar(u"SELECT Name FROM Vardelin_Files"_s).toString(), awkward);
}

void TestStoredPictures::renameOrShowOfADeletedRowSaysSo()
{
    auto id = StoredPictures::add(m_data->db(), 2, u"old"_s, "x");
    QVERIFY(id.ok());
    QVERIFY(StoredPictures::remove(m_data->db(), id.value()).ok());
    QCOMPARE(m_data->scalar(u"SELECT count(*) FROM Vardelin_Files"_s).toInt(), 0);
    auto renamed = StoredPictures::rename(m_data->db(), id.value(), u"new"_s);
    QVERIFY(renamed.ok());
    QVERIFY(!renamed.value());
    QCOMPARE(m_data->scalar(u"SELECT count(*) FROM Vardelin_Files"_s).toInt(), 0);
    auto shown = StoredPictures::picture(m_data->db(), id.value());
    QVERIFY(shown.ok());
    QCOMPARE(shown.value().shown, StoredPictures::Shown::RowVanished);
}

void TestStoredPictures::bytesThatAreNotABagAreToldApart()
{
    m_data->run(QStringLiteral("INSERT INTO Vardelin_Files (ID, CID, Type, Name, Files) VALUES "
                               "(1, 2, 'P', 'raw jpeg', x'ffd8ffe0'), (2, 2, 'P', 'null', NULL), "
                               "(3, 2, 'P', 'cut bag', ?)"),
                {PictureBag::ofPicture("picture").chopped(2)});
    for (const qint64 id : {1, 2, 3}) {
        auto shown = StoredPictures::picture(m_data->db(), id);
        QVERIFY(shown.ok());
        QCOMPARE(shown.value().shown, StoredPictures::Shown::NotABag);
    }
}

void TestStoredPictures::pictureFileTooLargeOrMissingIsAnError()
{
    const QString big = m_data->folder() + u"/huge.jpg"_s;
    {
        QFile file(big);
        QVERIFY(file.open(QIODevice::WriteOnly));
        QVERIFY(file.resize(StoredPictures::largestPictureBytes + 1)); // sparse, costs no disk
    }
    auto tooLarge = StoredPictures::readPictureFile(big);
    QVERIFY(!tooLarge.ok());
    QCOMPARE(tooLarge.error().number, StoredPictures::fileUnreadableNumber);
    QVERIFY(tooLarge.error().description.contains(u"huge.jpg"_s));
    QVERIFY(!StoredPictures::readPictureFile(m_data->folder() + u"/none.jpg"_s).ok());
    QVERIFY(!StoredPictures::readPictureFile(m_data->folder()).ok());
}

QTEST_GUILESS_MAIN(TestStoredPictures)
#include "tst_storedpictures.moc"
