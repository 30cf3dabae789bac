// SPDX-License-Identifier: GPL-3.0-or-later
// Stored pictures: kept as picture bags, listed without their bytes, renamed exactly, and a row
// that is gone or holds no bag told apart from a picture.
#include "TestDatabase.h"

#include "card/StoredPictures.h"
#include "db/PictureBag.h"

#include <QFile>
#include <QTest>

using namespace Qt::StringLiterals;
using Shown = StoredPictures::Shown;

class TestStoredPictures : public QObject {
    Q_OBJECT
    std::optional<TestDatabase> book;
    qint64 add(qint64 contact, const QString& name, const QByteArray& bytes = "x")
    {
        return StoredPictures::add(book->db(), contact, name, bytes).value();
    }
    Shown shown(qint64 id) { return StoredPictures::picture(book->db(), id).value().shown; }

private slots:
    void init() { QVERIFY(book.emplace().ok()); }

    void pictureIsStoredAsABagListedInOrderAndRenamedExactly()
    {
        const QByteArray jpeg("\xff\xd8\xff\xe0 not really decoded here \xff\xd9");
        const qint64 id = add(2, u"b"_s, jpeg);
        QCOMPARE(PictureBag::pictureOf(
                     book->scalar(u"SELECT Files FROM Vardelin_Files WHERE ID = ?"_s, {id})
                         .toByteArray()),
                 std::optional<QByteArray>(jpeg));
        // A picture row: its type and contact set, the file columns unset.
        QCOMPARE(book->scalar(u"SELECT Type || CID || coalesce(Ext, \"UpDate\", Size, '') "
                              "FROM Vardelin_Files"_s),
                 u"P2"_s);
        QCOMPARE(StoredPictures::picture(book->db(), id).value().pictureBytes, jpeg);
        add(2, u"a"_s);
        add(2, u"a"_s);
        add(3, u"other contact"_s);
        book->run(u"INSERT INTO Vardelin_Files (CID, Type, Name) VALUES (2, 'F', 'file')"_s);
        QStringList names;
        const auto listed = StoredPictures::list(book->db(), 2);
        for (const auto& entry : listed.value())
            names << entry.name + QString::number(entry.id);
        QCOMPARE(names, QStringList({u"b1"_s, u"a2"_s, u"a3"_s}));
        const QString awkward = u"O'Neil's \"房子\" '); DROP TABLE Vardelin_Files; --"_s;
        QVERIFY(StoredPictures::rename(book->db(), id, awkward).value());
        QCOMPARE(book->scalar(u"SELECT Name FROM Vardelin_Files WHERE ID = ?"_s, {id}), awkward);
    }

    void deletedRowAndBytesThatAreNoBagAreToldApart()
    {
        const qint64 id = add(2, u"old"_s);
        QVERIFY(StoredPictures::remove(book->db(), id).ok());
        QCOMPARE(StoredPictures::rename(book->db(), id, u"new"_s).value(), false);
        QCOMPARE(shown(id), Shown::RowVanished);
        QCOMPARE(book->scalar(u"SELECT count(*) FROM Vardelin_Files"_s).toInt(), 0);
        book->run(u"INSERT INTO Vardelin_Files (ID, CID, Type, Name, Files) VALUES "
                  "(11, 2, 'P', 'raw jpeg', x'ffd8ffe0'), (12, 2, 'P', 'null', NULL), "
                  "(13, 2, 'P', 'cut bag', ?)"_s,
                  {PictureBag::ofPicture("picture").chopped(2)});
        for (const qint64 notABag : {11, 12, 13})
            QCOMPARE(shown(notABag), Shown::NotABag);
    }

    void pictureFileTooLargeOrMissingIsAnError()
    {
        const QString big = book->folder() + u"/huge.jpg"_s;
        QFile file(big);
        QVERIFY(file.open(QIODevice::WriteOnly));
        QVERIFY(file.resize(StoredPictures::largestPictureBytes + 1)); // sparse, costs no disk
        auto tooLarge = StoredPictures::readPictureFile(big);
        QCOMPARE(tooLarge.error().number, StoredPictures::fileUnreadableNumber);
        QVERIFY(tooLarge.error().description.contains(u"huge.jpg"_s));
        QVERIFY(!StoredPictures::readPictureFile(book->folder() + u"/none.jpg"_s).ok());
        QVERIFY(!StoredPictures::readPictureFile(book->folder()).ok());
    }
};

QTEST_GUILESS_MAIN(TestStoredPictures)
#include "tst_storedpictures.moc"
