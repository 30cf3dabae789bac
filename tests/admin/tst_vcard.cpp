// SPDX-License-Identifier: GPL-3.0-or-later
// vCard files from phones and address books read onto the contact's columns, and written back.
#include "TestFiles.h"
#include "admin/VCard.h"

#include "admin/ImportTable.h"

#include <QTest>

using namespace Qt::StringLiterals;

namespace {

const QByteArray pngBytes =
    QByteArray("\x89PNG\r\n\x1A\n\0\0\0\rIHDR", 16) + QByteArray(300, '\xA5');
const QByteArray png64 = pngBytes.toBase64();

QByteArray dataFile(const char* name)
{
    return TestFiles::read(QStringLiteral(VCARD_DATA "/") + QLatin1StringView(name));
}

} // namespace

class tst_VCard : public QObject {
    Q_OBJECT

private slots:
    // Each row: a file (made up, or from tests/data/vcard/README.md), which card is checked, what
    // it must hold, split by '|' ("Column=value", "Column^=start", or "+line" for a value written
    // into the remark), and counts: cards in the file, columns filled, remark lines, the photo's
    // size (-1: unreadable) and 1 when a stray byte was met.
    void readsCardsOntoColumns_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("card");
        QTest::addColumn<QString>("holds");
        QTest::addColumn<QList<int>>("counts");
        const auto row = [](const char* name, const QByteArray& bytes, int card,
                            const QString& holds, const QList<int>& counts) {
            QTest::newRow(name) << bytes << card << holds << counts;
        };
        const auto card = [](std::initializer_list<QByteArray> lines,
                             const QByteArray& eol = "\r\n") -> QByteArray {
            return "BEGIN:VCARD" + eol + QList<QByteArray>(lines).join(eol) + eol + "END:VCARD" +
                   eol;
        };
        const auto file = [](const char* name) {
            return dataFile(name);
        };

        // 张三 in GBK, in quoted-printable or as raw bytes (UTF-8 quoted-printable: the Android
        // rows).
        const QString zhang =
            u"Name=张三|Moblie1=13800138000|OfficePhone1=010-12345678|Remark^=备注"_s;
        row("2.1 quoted-printable GBK",
            card({"VERSION:2.1", "N;CHARSET=GBK;ENCODING=QUOTED-PRINTABLE:=D5=C5;=C8=FD;;;",
                  "FN;CHARSET=GBK;ENCODING=QUOTED-PRINTABLE:=D5=C5=C8=FD",
                  "TEL;CELL;VOICE:13800138000", "TEL;WORK;VOICE:010-12345678",
                  "NOTE;CHARSET=GB2312;ENCODING=QUOTED-PRINTABLE:=B1=B8=D7=A2=0D=0A=",
                  "=B5=D8=D6=B7"}),
            0, zhang, {1, 4, 0, 0, 0});
        row("2.1 GBK name only in N, without CHARSET",
            card({"VERSION:2.1", "N;ENCODING=QUOTED-PRINTABLE:=D5=C5;=C8=FD;;;",
                  "TEL;CELL:13800138000", "TEL;WORK:010-12345678", "NOTE:\xB1\xB8\xD7\xA2"}),
            0, zhang, {1, 4, 0, 0, 0});
        // Some phones go on with a 2.1 photo's base64 on lines of their own and end it with a
        // blank.
        row("2.1 photo over unindented lines",
            card({"VERSION:2.1", "N:;A;;;", "TEL;HOME:88",
                  "PHOTO;ENCODING=BASE64;TYPE=PNG:" + png64.left(40), png64.mid(40, 40),
                  png64.mid(80), ""}),
            0, u"Name=A|Tel3=88"_s, {1, 2, 0, 316, 0});
        // The note is folded inside a UTF-8 sequence, as byte-counting writers do.
        const QByteArray note = "NOTE:第一行\\n第二行\\; 逗号\\, 反斜杠\\\\";
        row("3.0 folded lines and escapes",
            card({"VERSION:3.0", "FN:Li", "  Si", "N:Li;Si;;;", note.left(9), " " + note.mid(9),
                  "item1.TEL;TYPE=cell:139 0000 0000", "TEL;TYPE=HOME:020-1", "TEL;TYPE=HOME:020-2",
                  "TEL:020-3", "ORG:瓦德林公司;销售部", "TITLE:经理",
                  "ADR;TYPE=WORK:;;科技园1号;深圳;广东;518000;中国",
                  "ADR;TYPE=HOME:;;Street 5;;;100000;", "BDAY:1990-01-02", "URL:http://e.com/a\\,b",
                  "NICKNAME:小李", "PHOTO;ENCODING=b;TYPE=PNG:" + png64.left(30),
                  " " + png64.mid(30)}),
            0,
            u"Name=Li Si|Remark=第一行\n第二行; 逗号, "
            u"反斜杠\\|Tel1=020-2|Tel2=020-3|Deptment=销售部|"
            u"CompanyAddress=中国 广东 深圳 科技园1号 518000|ZipCode=100000|Web=http://e.com/a,b"_s,
            {1, 15, 0, 316, 0});
        row("4.0 URIs and quoted types",
            "\xEF\xBB\xBF" +
                card({"VERSION:4.0", "FN:王五",
                      "TEL;VALUE=uri;TYPE=\"cell,voice\":tel:+86-138-0000-0000",
                      "TEL;TYPE=work;VALUE=uri:tel:+86-10-1", "EMAIL;TYPE=work:w@e.com",
                      "EMAIL:h@e.com", "BDAY:19850412T000000Z",
                      "PHOTO:data:image/png;base64," + png64}),
            0,
            u"Moblie1=+86-138-0000-0000|OfficePhone1=+86-10-1|Mail2=h@e.com|Birthday=1985-04-12"_s,
            {1, 6, 0, 316, 0});
        row("several cards, what has no column left over",
            card({"VERSION:3.0", "FN:A"}) + "\r\n" +
                card({"VERSION:3.0", "FN:D", "EMAIL:1@x", "EMAIL:2@x", "EMAIL:3@x", "BDAY:--0412",
                      "TEL;TYPE=CELL:1", "TEL;TYPE=CELL:2", "TEL;TYPE=CELL:3", "TEL;TYPE=CELL:4",
                      "TEL;TYPE=CELL:5", "TEL;TYPE=CELL:6", "X-CUSTOM:ignored"}),
            1, u"Moblie3=3|Tel1=4|Tel2=5|+邮箱：3@x|+生日：--0412|+电话：6"_s, {2, 8, 3, 0, 0});

        row("Gmail: eleven telephones, five e-mails", file("gmail-single2.vcf"), 0,
            u"Tel2=5555551114|+网址：http://www.example6.com"_s, {1, 18, 16, 0, 0});
        row("Gmail: escaped colons, line breaks in an address", file("John_Doe_GMAIL.vcf"), 0,
            u"Name=Mr. John Richter, James Doe Sr.|Address^=Crescent moon drive\n555-asd\nNice Area"_s,
            {1, 10, 0, 0, 0});
        row("Android: UTF-8 quoted-printable", file("John_Doe_ANDROID.vcf"), 3,
            u"Name=Ñ Ñ Ñ Ñ Ñ Ñ Ñ Ñ Ñ Ñ Ñ|Tel1=45678901"_s, {6, 6, 0, 0, 0});
        row("Android: a photo cut short costs only the photo", file("John_Doe_ANDROID.vcf"), 4,
            u"+网址：http://www.company.com"_s, {6, 8, 1, -1, 0});
        row("Android: a stray byte costs only that byte", file("John_Doe_ANDROID.vcf"), 5,
            u"CompanyName="_s + QString(44, u'Ñ'), {6, 4, 1, 0, 1});
        QByteArray blackBerry = dataFile("John_Doe_BLACK_BERRY.vcf");
        row("BlackBerry: a photo padded once too often", blackBerry, 0, u"Moblie1=+96123456789"_s,
            {1, 3, 0, 1674, 0});
        blackBerry[blackBerry.indexOf("/9j/") + 100] = '@';
        row("BlackBerry: a damaged photo costs only the photo", blackBerry, 0, u"Name=John Doe"_s,
            {1, 3, 0, -1, 0});
        row("Evolution: quoted parameters, folded values", file("John_Doe_EVOLUTION.vcf"), 0,
            u"Address=United States of America New York Albaney 15 Crescent moon drive ASB-123"_s,
            {1, 13, 0, 0, 0});
        row("Apple: grouped properties, six telephones", file("John_Doe_MAC_ADDRESS_BOOK.vcf"), 0,
            u"CompanyAddress=USA New York Street4\nBuilding 6\nFloor 8 12345|+电话：905-222-1234"_s,
            {1, 18, 1, 18242, 0});
        row("Outlook: vCard 2.1", file("John_Doe_MS_OUTLOOK.vcf"), 0,
            u"OfficePhone1=(905) 555-1234"_s, {1, 14, 0, 860, 0});
        row("Outlook 2003: a quoted-printable note", file("outlook-2003.vcf"), 0,
            u"Remark=This is the note field!!\r\nSecond line\r\n\r\nThird line is empty\r\n"_s,
            {1, 14, 0, 0, 0});
        row("Outlook 2007: a US-ASCII note", file("outlook-2007.vcf"), 0,
            u"Remark^=This is the NOTE field\t\r\nI assume"_s, {1, 14, 0, 2324, 0});
        row("Thunderbird: five e-mails, two URLs",
            file("thunderbird-MoreFunctionsForAddressBook-extension.vcf"), 0,
            u"Mail2=additional-email@company.com|+邮箱：additional-email3@company.com"_s,
            {1, 18, 4, 8940, 0});
        row("FullContact: 4.0, a birthday twice under ALTID", file("fullcontact.vcf"), 0,
            u"Birthday=2016-08-01|+职务：Title2"_s, {1, 20, 12, 0, 0});
        row("RFC 6350: 4.0, tel: URIs with quoted types and an extension",
            file("rfc6350-example.vcf"), 0,
            u"OfficePhone1=+1-418-656-9254 转102|Moblie1=+1-418-262-6501|+生日：--0203|"
            u"CompanyAddress=Canada QC Quebec 2875 Laurier Suite D2-630 G1V 2M2"_s,
            {1, 7, 1, 0, 0});
        // Its writer left colons unquoted in ADR's LABEL: the card reads, the address's tail
        // with the label's remains.
        row("4.0, a LABEL parameter with colons", file("issue114.vcf"), 0,
            u"CompanyAddress^=Germany Bad Homburg Dummy-Dummy-Strasse 1|Name=Dummy, Dummy|"
            u"Moblie1=+49 1234 56789"_s,
            {1, 6, 0, 0, 0});
        row("RFC 2426: an address folded before a component", file("rfc2426-example.vcf"), 1,
            u"CompanyAddress=U.S.A. CA Mountain View 501 E. Middlefield Rd. 94043"_s,
            {2, 6, 0, 0, 0});
    }

    void readsCardsOntoColumns()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, card);
        QFETCH(QString, holds);
        QFETCH(QList<int>, counts);
        const auto read = VCard::parse(bytes);
        QVERIFY2(read.ok(), qPrintable(read.error().description));
        const VCardContact& contact = read.value().value(card);
        for (const QString& expected : holds.split(u'|')) {
            const qsizetype equals = expected.indexOf(u'=');
            const bool prefix = equals > 0 && expected.at(equals - 1) == u'^';
            const QString value = contact.value(expected.left(prefix ? equals - 1 : equals));
            if (expected.startsWith(u'+'))
                QVERIFY2(contact.leftOver.contains(expected.mid(1)),
                         qPrintable(contact.leftOver.join(u'|')));
            else
                QVERIFY2(prefix ? value.startsWith(expected.mid(equals + 1))
                                : value == expected.mid(equals + 1),
                         qPrintable(expected + u" ≠ "_s + value));
        }
        QCOMPARE(QList({int(read.value().size()), int(contact.columns.size()),
                        int(contact.leftOver.size()),
                        contact.photoUnreadable ? -1 : int(contact.photo.size()),
                        int(contact.textDamaged)}),
                 counts);
        if (counts[3] == pngBytes.size())
            QCOMPARE(contact.photo, pngBytes);
    }

    void refusesDamagedFiles_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("line");
        const auto row = [](const char* name, const QByteArray& bytes, const QString& line = {}) {
            QTest::newRow(name) << bytes << line;
        };
        row("no END", "BEGIN:VCARD\r\nFN:A\r\n", u"第 2 行"_s);
        row("second BEGIN before END",
            "BEGIN:VCARD\r\nFN:A\r\nBEGIN:VCARD\r\nFN:B\r\nEND:VCARD\r\n", u"第 3 行"_s);
        row("line that is no property", "BEGIN:VCARD\r\nFN:A\r\nnot a property\r\nEND:VCARD\r\n",
            u"第 3 行"_s);
        row("text not in its charset", "BEGIN:VCARD\r\nFN;CHARSET=GBK:\xFF\xFF\r\nEND:VCARD\r\n",
            u"第 2 行"_s);
        row("a CSV file", "Name,Tel\r\nA,1\r\n", u"第 1 行"_s);
        row("empty file", QByteArray());
        QByteArray garbage(2048, '\0');
        for (int i = 0; i < garbage.size(); ++i)
            garbage[i] = char((i * 7919 + 13) & 0xFF);
        row("binary", garbage);
    }

    void refusesDamagedFiles()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, line);
        const auto cards = VCard::parse(bytes);
        QCOMPARE(cards.ok() ? 0 : cards.error().number, ImportErrorCode::NotVCard);
        QVERIFY2(cards.error().description.contains(line), qPrintable(cards.error().description));
    }

    // A card written as other programs read it (standard properties, lines folded at 75 bytes, a
    // UID of its own), then cut short anywhere (a copy that stopped, a full disk): the cards that
    // ended before the cut and nothing of the one cut through, or, when that card is left open, an
    // error.
    void aWrittenFileCutShortGivesOnlyWholeCards()
    {
        VCardContact contact;
        contact.columns = {{u"Name"_s, u"欧阳;娜娜, \\ 张"_s},
                           {u"Remark"_s, u"第一行\r\n第二行,带逗号;分号\\反斜杠\n第三行"_s},
                           {u"Address"_s, QString(30, u'址')}};
        contact.photo = pngBytes.left(40);
        // What an address-book server's copy carries besides the columns comes back too.
        contact.uid = u"4f1c-甲"_s;
        contact.categories = {u"朋友, 同学"_s, u"客户"_s};
        contact.keptLines = {"item1.X-ABLABEL:" + QByteArray(90, 'x'),
                             "IMPP;TYPE=home:xmpp:a@b.cn"};
        const QByteArray good = VCard::toBytes({contact}) +
                                "BEGIN:VCARD\r\nVERSION:2.1\r\n"
                                "FN;CHARSET=GBK;ENCODING=QUOTED-PRINTABLE:=D5=C5=\r\n=C8=FD\r\n"
                                "END:VCARD\r\n";
        QVERIFY(good.contains("\r\nNOTE:第一行\\n第二行"));
        for (const QByteArray& line : good.split('\n'))
            QVERIFY2(line.size() <= 76, line.constData());
        const qsizetype firstEnd = good.indexOf("END:VCARD") + 9;
        for (qsizetype cut = 0; cut < good.size(); ++cut) {
            const QByteArray bytes = good.left(cut);
            const auto cards = VCard::parse(bytes);
            const bool afterAnEnd = bytes.endsWith("END:VCARD") || bytes.endsWith("END:VCARD\r") ||
                                    bytes.endsWith("END:VCARD\r\n");
            if (cut < firstEnd || !afterAnEnd) {
                QCOMPARE(cards.ok() ? 0 : cards.error().number, ImportErrorCode::NotVCard);
            } else {
                QVERIFY2(cards.ok(), qPrintable(QString::number(cut)));
                QCOMPARE(cards.value().size(), bytes.count("END:VCARD"));
                QCOMPARE(cards.value().front().columns, contact.columns);
                QCOMPARE(cards.value().front().uid, contact.uid);
                QCOMPARE(cards.value().front().categories, contact.categories);
                QCOMPARE(cards.value().front().keptLines, contact.keptLines);
            }
        }
    }

    // For address books that take vCard 4.0 only: its forms, and the card reads back whole.
    void writesVersion4()
    {
        VCardContact contact;
        contact.columns = {{u"Name"_s, u"张三"_s},
                           {u"Tel3"_s, u"020-1"_s},
                           {u"Moblie1"_s, u"138"_s},
                           {u"Mail1"_s, u"z@a.cn"_s},
                           {u"Birthday"_s, u"1990-01-02"_s}};
        contact.photo = pngBytes;
        contact.keptLines = {"KIND:group", "item1.LABEL:Street 5"};
        const QByteArray text = VCard::write(contact, VCard::Version::V4);
        for (const char* line :
             {"\r\nVERSION:4.0\r\n", "\r\nTEL;TYPE=\"home,voice\":020-1\r\n",
              "\r\nTEL;TYPE=\"cell,voice\":138\r\n", "\r\nEMAIL:z@a.cn\r\n",
              "\r\nBDAY:19900102\r\n", "\r\nPHOTO:data:image/png;base64,", "\r\nKIND:group\r\n"})
            QVERIFY2(text.contains(line), line);
        QVERIFY(!text.contains("LABEL"));
        const auto read = VCard::parse(text);
        QVERIFY(read.ok());
        QCOMPARE(read.value().front().columns, contact.columns);
        QCOMPARE(read.value().front().photo, pngBytes);
        QCOMPARE(read.value().front().keptLines, QList<QByteArray>{"KIND:group"});
        QCOMPARE(read.value().front().version, "4.0");
    }
};

QTEST_GUILESS_MAIN(tst_VCard)
#include "tst_vcard.moc"
