// SPDX-License-Identifier: GPL-3.0-or-later
// The card's rules: its field table against the contact table, its load and save, stored
// pictures, the size a picture is shown at, and dates as typed.
#include "TestDatabase.h"

#include "card/CardChoices.h"
#include "card/CardFields.h"
#include "card/ContactCard.h"
#include "card/PictureFit.h"
#include "card/StoredPictures.h"
#include "card/TypedDate.h"
#include "db/ContactFields.h"
#include "db/PictureBag.h"

#include <QFile>
#include <QSet>
#include <QTest>

using namespace Qt::StringLiterals;
using Outcome = ContactCard::SaveOutcome;
using Kind = TypedDate::Reading::Kind;
Q_DECLARE_METATYPE(Kind)

class TestContactCard : public QObject {
    Q_OBJECT
    std::optional<TestDatabase> book;

    static ContactCard::SaveRequest request(const QString& name, qint64 groupId = 1,
                                            std::optional<qint64> updateId = {})
    {
        ContactCard::SaveRequest request;
        request.userId = 3;
        request.today = QDate(2026, 3, 9);
        request.record.groupId = groupId;
        request.record.texts.insert(u"Name"_s, name);
        request.updateId = updateId;
        return request;
    }
    QVariant cell(const QString& sql, qint64 id) { return book->scalar(sql, {id}); }
    int contacts() { return book->scalar(u"SELECT count(*) FROM Vardelin_Contact"_s).toInt(); }
    qint64 addPicture(qint64 contact, const QString& name, const QByteArray& bytes = "x")
    {
        return *StoredPictures::add(book->db(), contact, name, bytes).value();
    }

private slots:
    void init() { QVERIFY(book.emplace().ok()); }

    // The card's department and post boxes offer each value typed before once, and no blank.
    void choicesAreTheValuesTypedBefore_data() { TestDatabase::addBackendRows(); }
    void choicesAreTheValuesTypedBefore()
    {
        TestDatabase shared(TestDatabase::backendOfRow());
        QVERIFY(shared.ok());
        for (const QVariant& department : {QVariant(u"销售"_s), QVariant(u"研发"_s),
                                           QVariant(u"销售"_s), QVariant(u""_s), QVariant()})
            shared.addContact(
                {{u"Name"_s, u"某人"_s}, {u"Deptment"_s, department}, {u"Post"_s, u"经理"_s}});
        QStringList departments = CardChoices::departments(shared.db()).value();
        departments.sort();
        QCOMPARE(departments, (QStringList{u"研发"_s, u"销售"_s}));
        QCOMPARE(CardChoices::posts(shared.db()).value(), QStringList{u"经理"_s});
    }

    void everyColumnHasAControlAndEveryControlAColumn()
    {
        QSet<QString> columns{u"ID"_s, u"UID"_s, u"Py"_s, u"AddDate"_s}; // filled by the save
        QSet<QString> controls;
        for (const CardField& field : CardFields::all) {
            QVERIFY2(!controls.contains(QString(field.control)), field.control.data());
            controls << QString(field.control);
            QVERIFY2(!columns.contains(QString(field.column)), field.column.data());
            columns << QString(field.column);
        }
        columns.remove(QString()); // the one box no column holds
        QSet<QString> table;
        for (const ContactField& field : ContactFields::all)
            table << QString(field.name);
        QCOMPARE(columns, table);
        // The save writes every column but the ID, once.
        const QStringList order = CardFields::saveOrder();
        QCOMPARE(QSet<QString>(order.begin(), order.end()), table - QSet<QString>{u"ID"_s});
        QCOMPARE(order.size(), table.size() - 1);
    }

    void vanishedRowGetsNothingWritten()
    {
        const qint64 id = book->addContact({{u"Name"_s, u"已删"_s}});
        book->run(u"DELETE FROM Vardelin_Contact WHERE ID = ?"_s, {id});
        QCOMPARE(ContactCard::save(book->db(), request(u"张三"_s, 1, id)).value().outcome,
                 Outcome::RowVanished);
        QCOMPARE(contacts(), 0); // a vanished group: the card window's test
        QVERIFY(!ContactCard::load(book->db(), id).value().has_value());
    }

    void refusedWriteLeavesTheRowAndNoTransactionOpen()
    {
        const qint64 id = book->addContact({{u"Name"_s, u"原样"_s}});
        book->run(u"CREATE TRIGGER refuse BEFORE UPDATE ON Vardelin_Contact "
                  "WHEN NEW.Remark = 'refuse' BEGIN SELECT RAISE(ABORT, 'no'); END"_s);
        ContactCard::SaveRequest refused = request(u"新名"_s, 1, id);
        refused.record.texts.insert(u"Remark"_s, u"refuse"_s);
        auto saved = ContactCard::save(book->db(), refused);
        QVERIFY(!saved.ok() && !saved.error().description.isEmpty());
        QCOMPARE(cell(u"SELECT Name FROM Vardelin_Contact WHERE ID = ?"_s, id), u"原样"_s);
        QVERIFY(book->db().exec(u"BEGIN"_s).ok());
    }

    void pictureIsStoredAsABagAndListedInOrder()
    {
        const qint64 contact = book->addContact({{u"Name"_s, u"张三"_s}});
        const qint64 other = book->addContact({{u"Name"_s, u"李四"_s}});
        const QByteArray jpeg("\xff\xd8\xff\xe0 not really decoded here \xff\xd9");
        const qint64 id = addPicture(contact, u"b"_s, jpeg);
        QCOMPARE(book->scalar(u"SELECT Files FROM Vardelin_Files"_s), PictureBag::ofPicture(jpeg));
        QCOMPARE(book->scalar(u"SELECT Type || CID || coalesce(Ext, \"UpDate\", Size, '') "
                              "FROM Vardelin_Files"_s),
                 u"P%1"_s.arg(contact));
        QCOMPARE(StoredPictures::picture(book->db(), id).value().pictureBytes, jpeg);
        addPicture(contact, u"a"_s);
        addPicture(contact, u"a"_s);
        addPicture(other, u"other contact"_s);
        book->run(u"INSERT INTO Vardelin_Files (CID, Type, Name) VALUES (?, 'F', 'file')"_s,
                  {contact});
        QStringList names;
        const auto listed = StoredPictures::list(book->db(), contact);
        for (const auto& entry : listed.value())
            names << entry.name + QString::number(entry.id);
        QCOMPARE(names, QStringList({u"b1"_s, u"a2"_s, u"a3"_s}));
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
        QVERIFY(!StoredPictures::readPictureFile(book->folder()).ok());
    }

    void datesAreReadAsTyped_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<Kind>("kind");
        QTest::addColumn<QDate>("date");
        // The forms people type a day in, each the tenth of September 2001.
        for (const QString& typed :
             {u"2001-09-10"_s, u"2001/9/10"_s, u"2001.9.10"_s, u"20010910"_s, u"2001年9月10日"_s,
              u"2001年09月10"_s, u"２００１－０９－１０"_s, u" 2001-9-10\t"_s})
            QTest::addRow("'%s'", qPrintable(typed)) << typed << Kind::Date << QDate(2001, 9, 10);
        QTest::newRow("leap day") << u"2000-02-29"_s << Kind::Date << QDate(2000, 2, 29);
        QTest::newRow("first day") << u"2001-1-1"_s << Kind::Date << QDate(2001, 1, 1);
        QTest::newRow("empty") << u""_s << Kind::Empty << QDate();
        QTest::newRow("blanks") << u"   "_s << Kind::Empty << QDate();
        for (const QString& refused :
             QStringList{u"2001-02-29"_s, u"2001-09-31"_s, u"2001-13-01"_s, u"0000-01-01"_s,
                         u"20011301"_s, u"2001-9"_s, u"10-09-2001"_s, u"2001-9/10"_s,
                         u"2001--9-10"_s, u"2001910"_s, u"2001-09-10x"_s, u"٢٠٠١-٠٩-١٠"_s})
            QTest::addRow("refused '%s'", qPrintable(refused))
                << refused << Kind::NotADate << QDate();
    }

    void datesAreReadAsTyped()
    {
        QFETCH(QString, typed);
        QFETCH(Kind, kind);
        QFETCH(QDate, date);
        const TypedDate::Reading reading = TypedDate::read(typed);
        QCOMPARE(reading.kind, kind);
        QCOMPARE(reading.date, date);
        if (kind == Kind::Date)
            QCOMPARE(TypedDate::read(TypedDate::shown(date)).date, date);
    }

    void picturesAreShownWholeInTheirFrame_data()
    {
        QTest::addColumn<QSize>("picture");
        QTest::addColumn<QSize>("room");
        QTest::addColumn<QSize>("shown");
        QTest::newRow("fits") << QSize(40, 30) << QSize(500, 400) << QSize(40, 30);
        QTest::newRow("exactly") << QSize(500, 400) << QSize(500, 400) << QSize(500, 400);
        QTest::newRow("wide") << QSize(1000, 500) << QSize(500, 400) << QSize(500, 250);
        QTest::newRow("tall") << QSize(300, 800) << QSize(500, 400) << QSize(150, 400);
        QTest::newRow("a sixth") << QSize(3000, 2000) << QSize(500, 400) << QSize(500, 333);
        QTest::newRow("below a quarter")
            << QSize(12000, 9000) << QSize(400, 300) << QSize(400, 300);
        QTest::newRow("a thread") << QSize(30000, 2) << QSize(500, 400) << QSize(500, 1);
        QTest::newRow("one pixel") << QSize(800, 600) << QSize(1, 1) << QSize(1, 1);
        QTest::newRow("no room") << QSize(800, 600) << QSize(0, 300) << QSize();
        QTest::newRow("no picture") << QSize() << QSize(500, 400) << QSize();
    }

    void picturesAreShownWholeInTheirFrame()
    {
        QFETCH(QSize, picture);
        QFETCH(QSize, room);
        QFETCH(QSize, shown);
        QCOMPARE(PictureFit::shownSize(picture, room), shown);
    }
};

QTEST_GUILESS_MAIN(TestContactCard)
#include "tst_contactcard.moc"
