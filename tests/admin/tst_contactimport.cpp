// SPDX-License-Identifier: GPL-3.0-or-later
// Rows and cards written as contacts: every row in one go or none, of any number of rows.
#include "TestDatabase.h"

#include "admin/ContactImport.h"
#include "contacts/SearchIndex.h"

#include <QTest>

using namespace Qt::StringLiterals;

class tst_ContactImport : public QObject {
    Q_OBJECT

private:
    Result<qsizetype> import(const ImportTable& table, const QList<ImportLink>& links,
                             const ContactImport::Progress& progress = {})
    {
        return ContactImport::importTable(m_data->db(), table, links, {7, QDate(2026, 1, 2)},
                                          progress);
    }
    QVariant scalar(const QString& sql) { return m_data->scalar(sql); }

    std::unique_ptr<TestDatabase> m_data;

private slots:
    void init()
    {
        m_data = std::make_unique<TestDatabase>(TestDatabase::backendOfRow());
        QVERIFY2(m_data->ok(), qPrintable(m_data->error()));
    }

    // A row 张三|Q|2001-2-3 under 姓名|拼音|更新, linked "Column=source" (split by '|'): the error
    // refused with, or what SELECT Py || AddDate || UID || TID gives afterwards, with the
    // spelling the search row was written with.
    void importsOneRowAsLinked_data()
    {
        QTest::addColumn<QString>("links");
        QTest::addColumn<int>("error");
        QTest::addColumn<QString>("stored");
        const int badLayout = ImportErrorCode::BadLayout;
        QTest::newRow("a column the file lacks") << u"Name=姓"_s << badLayout << QString();
        QTest::newRow("a column the contact lacks") << u"Nmae=姓名"_s << badLayout << QString();
        QTest::newRow("the contact's own ID") << u"ID=姓名"_s << badLayout << QString();
        QTest::newRow("the owner") << u"UID=姓名"_s << badLayout << QString();
        QTest::newRow("a name: Py follows it, AddDate is today")
            << u"Name=姓名"_s << 0 << u"Z2026-01-0271|zhangsan"_s;
        QTest::newRow("a linked Py is passed over, a linked AddDate kept")
            << u"Name=姓名|Py=拼音|AddDate=更新"_s << 0 << u"Z2001-02-0371|zhangsan"_s;
        QTest::newRow("server: a column the contact lacks")
            << u"Nmae=姓名"_s << badLayout << QString();
        QTest::newRow("server: a linked Py is passed over, a linked AddDate kept")
            << u"Name=姓名|Py=拼音|AddDate=更新"_s << 0 << u"Z2001-02-0371|zhangsan"_s;
    }

    void importsOneRowAsLinked()
    {
        QFETCH(QString, links);
        QFETCH(int, error);
        QFETCH(QString, stored);
        QList<ImportLink> linked;
        for (const QString& link : links.split(u'|'))
            linked.append({link.section(u'=', 0, 0), link.section(u'=', 1)});
        // Another program reads on while the import writes.
        Database other;
        QVERIFY(other.open(m_data->path()).ok());
        QVERIFY(TestDatabase::waitBriefly(other));
        QStringList seen;
        auto added =
            import({{u"姓名"_s, u"拼音"_s, u"更新"_s}, {{u"张三"_s, u"Q"_s, u"2001-2-3"_s}}},
                   linked, [&](qsizetype, qsizetype) {
                       seen =
                           TestDatabase::rowsOf(other, u"SELECT count(*) FROM Vardelin_Contact"_s);
                   });
        QCOMPARE(added.ok() ? 0 : added.error().number, error);
        QCOMPARE(seen, error ? QStringList() : QStringList{u"0"_s});
        QCOMPARE(scalar(u"SELECT C.Py || C.AddDate || C.UID || C.TID || '|' || S.Spelling FROM "
                        u"Vardelin_Contact C JOIN Vardelin_Search S ON S.ID = C.ID"_s)
                     .toString(),
                 stored);
    }

    void readsTheDateFormsSpreadsheetsWrite_data()
    {
        QTest::addColumn<QString>("cell");
        QTest::addColumn<QString>("stored");
        QTest::newRow("ISO") << u"1990-05-01"_s << u"1990-05-01"_s;
        QTest::newRow("short ISO") << u"1990-5-1"_s << u"1990-05-01"_s;
        QTest::newRow("slashes") << u" 1990/12/31 "_s << u"1990-12-31"_s;
        QTest::newRow("dots") << u"1990.1.9"_s << u"1990-01-09"_s;
        QTest::newRow("no such day") << u"1990-02-30"_s << QString();
        QTest::newRow("words") << u"明天"_s << QString();
    }

    void readsTheDateFormsSpreadsheetsWrite()
    {
        QFETCH(QString, cell);
        QFETCH(QString, stored);
        QCOMPARE(ContactImport::storedDate(cell).value_or(QString()), stored);
    }

    // The left-over values follow the remark in the line break it already uses.
    void storesACardsPhotoAsAPictureBagAndItsLeftOversInTheRemark()
    {
        VCardContact card;
        card.columns = {{u"Name"_s, u"李四"_s}, {u"Remark"_s, u"第一行\r\n第二行"_s}};
        card.photo = QByteArray("\x89PNG-bytes", 10);
        card.leftOver = {u"电话：5"_s, u"邮箱：c@x"_s};
        QVERIFY(ContactImport::importCards(m_data->db(), {card}, {1, QDate::currentDate()}).ok());
        const QByteArray stored = scalar(u"SELECT Photo FROM Vardelin_Contact"_s).toByteArray();
        QVERIFY(stored.startsWith("VDLNBAG") && stored.contains(card.photo));
        QCOMPARE(scalar(u"SELECT typeof(Photo) || Py || Remark FROM Vardelin_Contact"_s).toString(),
                 u"blobL第一行\r\n第二行\r\n电话：5\r\n邮箱：c@x"_s);
    }

    void tellsWhatBecameOfTheCards_data()
    {
        QTest::addColumn<QList<VCardContact>>("cards");
        QTest::addColumn<QString>("notice");
        VCardContact plain;
        plain.columns.insert(u"Name"_s, u"甲"_s);
        VCardContact crowded = plain;
        crowded.leftOver = {u"电话：5"_s, u"电话：6"_s};
        VCardContact noPhoto = plain;
        noPhoto.photoUnreadable = true;
        VCardContact nameless;
        nameless.photoUnreadable = nameless.textDamaged = true;
        const QString lines =
            u"%1位联系人的电话、邮箱、网址或地址等多于可存放的栏目，已逐行写入其“备注”。"_s;
        const QString lost = u"以下名片的照片无法读取，已不带照片导入："_s;
        QTest::newRow("all placed") << QList{plain, plain} << QString();
        QTest::newRow("lines, photos lost by name or place")
            << QList{crowded, noPhoto, nameless, crowded}
            << lines.arg(2) + u'\n' + lost +
                   u"甲、第3张名片\n以下名片含有无法识别的字符，已显示为“\uFFFD”：第3张名片"_s;
        QTest::newRow("twelve photos lost: ten named")
            << QList<VCardContact>(12, noPhoto)
            << lost + u"甲、甲、甲、甲、甲、甲、甲、甲、甲、甲 等12张名片"_s;
    }

    void tellsWhatBecameOfTheCards()
    {
        QFETCH(QList<VCardContact>, cards);
        QFETCH(QString, notice);
        QCOMPARE(ContactImport::cardsNotice(cards), notice);
    }

    // More rows than a 16-bit counter holds, empty names and cells among them: a bad date in the
    // last fails the whole import, naming the column as the import grid does; mended, every row
    // goes in. The search trigger is set aside while the import writes and must be back after
    // either outcome.
    void importsAllOfManyRowsOrNoneAndKeepsTheInsertTrigger()
    {
        constexpr int rows = 40000;
        ImportTable table{{u"姓名"_s, u"生日"_s, u"单位"_s, u"电话"_s}, {}};
        for (int i = 0; i < rows; ++i)
            table.rows.append({i % 5 ? u"张%1"_s.arg(i) : QString(), u"1990-1-2"_s,
                               i % 3 ? u"ACME 公司 O'Neil %_"_s : QString(),
                               u"+86 (010) %1"_s.arg(i)});
        table.rows.last()[1] = u"不是日期"_s;
        const QList<ImportLink> links{{u"Name"_s, u"姓名"_s},
                                      {u"Birthday"_s, u"生日"_s},
                                      {u"CompanyName"_s, u"单位"_s},
                                      {u"Tel2"_s, u"电话"_s}};
        auto failed = import(table, links);
        QCOMPARE(failed.ok() ? 0 : failed.error().number, ImportErrorCode::BadValue);
        QVERIFY2(failed.error().description.contains(u"第40001行“生日”列"_s),
                 qPrintable(failed.error().description));
        const QString counts = u"SELECT (SELECT COUNT(*) FROM Vardelin_Contact) || '|' || (SELECT "
                               u"COUNT(*) FROM Vardelin_Search) || '|' || (SELECT COUNT(*) FROM "
                               u"sqlite_master WHERE name = 'Search_Insert')"_s;
        QCOMPARE(scalar(counts).toString(), u"0|0|1"_s);

        table.rows.last()[1] = u"1990-1-3"_s;
        int calls = 0;
        qsizetype last = 0;
        auto added = import(table, links, [&](qsizetype done, qsizetype total) {
            ++calls;
            last = done;
            QCOMPARE(int(total), rows);
        });
        QCOMPARE(added.ok() ? int(added.value()) : -1, rows);
        QCOMPARE(calls, rows);
        QCOMPARE(int(last), rows);
        // The import writes each search row itself: as the write triggers and SearchIndex would.
        m_data->run(u"CREATE TEMP TABLE Imported AS SELECT * FROM Vardelin_Search"_s);
        QCOMPARE(scalar(u"SELECT Spelling FROM Imported WHERE ID = 2"_s).toString(), u"zhang"_s);
        m_data->run(u"UPDATE Vardelin_Contact SET Name = Name"_s);
        QVERIFY(m_data->db().transaction([&] { return SearchIndex::refresh(m_data->db()); }).ok());
        QCOMPARE(scalar(u"SELECT COUNT(*) FROM (SELECT * FROM Imported EXCEPT SELECT * FROM "
                        u"Vardelin_Search)"_s)
                     .toInt(),
                 0);
        m_data->run(u"INSERT INTO Vardelin_Contact (UID, TID, Name) VALUES (1, 1, 'X')"_s);
        QCOMPARE(scalar(counts).toString(), u"40001|40001|1"_s);
    }
};

QTEST_GUILESS_MAIN(tst_ContactImport)
#include "tst_contactimport.moc"
