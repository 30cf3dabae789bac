// SPDX-License-Identifier: GPL-3.0-or-later
// Stored pictures: kept as picture bags, listed without their bytes, renamed exactly, and a
// picture file too large refused. Rows gone or holding no bag: the pictures page's tests.
#include "TestDatabase.h"

#include "card/StoredPictures.h"
#include "db/PictureBag.h"

#include <QFile>
#include <QTest>

using namespace Qt::StringLiterals;

class TestStoredPictures : public QObject {
    Q_OBJECT
    std::optional<TestDatabase> book;
    qint64 add(qint64 contact, const QString& name, const QByteArray& bytes = "x")
    {
        return StoredPictures::add(book->db(), contact, name, bytes).value();
    }

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
