// SPDX-License-Identifier: GPL-3.0-or-later
// vCard files from phones and address books read onto the contact's columns, and written back.
#include "admin/VCard.h"

#include "admin/ImportTable.h"

#include <QFile>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

const QByteArray pngBytes =
    QByteArray("\x89PNG\r\n\x1A\n\0\0\0\rIHDR", 16) + QByteArray(300, '\xA5');
const QByteArray png64 = pngBytes.toBase64();

QByteArray dataFile(const char* name)
{
    QFile file(QStringLiteral(VCARD_DATA "/") + QString::fromLatin1(name));
    if (!file.open(QIODevice::ReadOnly))
        qFatal("missing test file %s", name);
    return file.readAll();
}

QByteArray utf8(const QString& text)
{
    return text.toUtf8();
}

} // namespace

class tst_VCard : public QObject {
    Q_OBJECT

private slots:
    void readsCardsOntoColumns_data();
    void readsCardsOntoColumns();
    void refusesDamagedFiles_data();
    void refusesDamagedFiles();
    void roundTripsEveryMappedColumn();
    void aFileCutShortGivesOnlyWholeCards();
};

// Each row names a file (a made-up one, or one from tests/data/vcard/README.md), how many cards it
// holds, which card is checked, and what that card must hold: "Column=value", "Column^=start" for
// long notes, or "+line" for a value written into the remark; then how many columns it fills, how
// many remark lines it gets, its photo's size (-1: unreadable), and whether it held a stray byte.
void tst_VCard::readsCardsOntoColumns_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("cards");
    QTest::addColumn<int>("card");
    QTest::addColumn<QStringList>("holds");
    QTest::addColumn<QList<int>>("counts"); // columns, remark lines, photo size
    QTest::addColumn<bool>("strayByte");
    const QString license = u"Remark^=THIS SOFTWARE IS PROVIDED BY "_s;

    // 张三 as GBK and as UTF-8, the UTF-8 name split by a soft line break.
    const QStringList zhang{u"Name=张三"_s, u"Moblie1=13800138000"_s,
                            u"OfficePhone1=010-12345678"_s, u"Remark^=备注"_s};
    QTest::newRow("2.1 quoted-printable GBK")
        << "BEGIN:VCARD\r\nVERSION:2.1\r\nN;CHARSET=GBK;ENCODING=QUOTED-PRINTABLE:=D5=C5;=C8=FD;;;"
           "\r\n"
           "FN;CHARSET=GBK;ENCODING=QUOTED-PRINTABLE:=D5=C5=C8=FD\r\nTEL;CELL;VOICE:13800138000\r\n"
           "TEL;WORK;VOICE:010-12345678\r\nNOTE;CHARSET=GB2312;ENCODING=QUOTED-PRINTABLE:=B1=B8=D7="
           "A2=0D=0A=\r\n"
           "=B5=D8=D6=B7\r\nEND:VCARD\r\n"_ba
        << 1 << 0 << zhang << QList{4, 0, 0} << false;
    QTest::newRow("2.1 quoted-printable UTF-8")
        << "BEGIN:VCARD\nVERSION:2.1\nFN;CHARSET=UTF-8;ENCODING=QUOTED-PRINTABLE:=E5=BC=A0=\n=E4="
           "B8=89\n"
           "TEL;VOICE;CELL:13800138000\nTEL;VOICE;WORK:010-12345678\n"
           "NOTE;ENCODING=QUOTED-PRINTABLE;CHARSET=UTF-8:=E5=A4=87=E6=B3=A8=0D=0A=E5=9C=B0=\n=E5=9D=80\nEND:VCARD\n"_ba
        << 1 << 0 << zhang << QList{4, 0, 0} << false;
    QTest::newRow("2.1 GBK name only in N, without CHARSET")
        << "BEGIN:VCARD\r\nVERSION:2.1\r\nN;ENCODING=QUOTED-PRINTABLE:=D5=C5;=C8=FD;;;\r\n"
           "TEL;CELL:13800138000\r\nTEL;WORK:010-12345678\r\nNOTE:\xB1\xB8\xD7\xA2\r\nEND:VCARD\r\n"_ba
        << 1 << 0 << zhang << QList{4, 0, 0} << false;
    // Some phones go on with a 2.1 photo's base64 on lines of their own and end it with a blank.
    QTest::newRow("2.1 photo over unindented lines")
        << "BEGIN:VCARD\r\nVERSION:2.1\r\nN:;A;;;\r\nTEL;HOME:88\r\nPHOTO;ENCODING=BASE64;TYPE="
           "PNG:" +
               png64.left(40) + "\r\n" + png64.mid(40, 40) + "\r\n" + png64.mid(80) +
               "\r\n\r\nEND:VCARD\r\n"
        << 1 << 0 << QStringList{u"Name=A"_s, u"Tel3=88"_s} << QList{2, 0, 320} << false;
    // The note is folded inside a UTF-8 sequence, as byte-counting writers do.
    const QByteArray note = utf8(u"第一行\\n第二行\\; 逗号\\, 反斜杠\\\\"_s);
    QTest::newRow("3.0 folded lines and escapes")
        << "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Li\r\n  Si\r\nN:Li;Si;;;\r\nNOTE:" + note.left(4) +
               "\r\n " + note.mid(4) +
               "\r\nitem1.TEL;TYPE=cell:139 0000 0000\r\nTEL;TYPE=HOME:020-1\r\n" +
               "TEL;TYPE=HOME:020-2\r\nTEL:020-3\r\nORG:" +
               utf8(u"瓦德林公司;销售部\r\nTITLE:经理"_s) + "\r\nADR;TYPE=WORK:;;" +
               utf8(u"科技园1号;深圳;广东;518000;中国"_s) +
               "\r\nADR;TYPE=HOME:;;Street "
               "5;;;100000;\r\nBDAY:1990-01-02\r\nURL:http://e.com/a\\,b\r\n"
               "NICKNAME:" +
               utf8(u"小李"_s) + "\r\nPHOTO;ENCODING=b;TYPE=PNG:" + png64.left(30) + "\r\n " +
               png64.mid(30) + "\r\nEND:VCARD\r\n"
        << 1 << 0
        << QStringList{u"Name=Li Si"_s,      u"Remark=第一行\n第二行; 逗号, 反斜杠\\"_s,
                       u"Tel1=020-2"_s,      u"Tel2=020-3"_s,
                       u"Deptment=销售部"_s, u"CompanyAddress=中国 广东 深圳 科技园1号 518000"_s,
                       u"ZipCode=100000"_s,  u"Web=http://e.com/a,b"_s}
        << QList{16, 0, 320} << false;
    QTest::newRow("4.0 URIs and quoted types")
        << "\xEF\xBB\xBF"
           "BEGIN:VCARD\r\nVERSION:4.0\r\nFN:" +
               utf8(u"王五"_s) +
               "\r\nTEL;VALUE=uri;TYPE=\"cell,voice\":tel:+86-138-0000-0000\r\nTEL;TYPE=work;VALUE="
               "uri:tel:+86-10-1"
               "\r\nEMAIL;TYPE=work:w@e.com\r\nEMAIL:h@e.com\r\nBDAY:19850412T000000Z\r\n"
               "PHOTO:data:image/png;base64," +
               png64 + "\r\nEND:VCARD\r\n"
        << 1 << 0
        << QStringList{u"Moblie1=+86-138-0000-0000"_s, u"OfficePhone1=+86-10-1"_s,
                       u"Mail2=h@e.com"_s, u"Birthday=1985-04-12"_s}
        << QList{6, 0, 320} << false;
    QTest::newRow("several cards, what has no column left over")
        << "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:A\r\nEND:VCARD\r\n\r\nBEGIN:VCARD\r\nVERSION:3."
           "0\r\nFN:D\r\n"
           "EMAIL:1@x\r\nEMAIL:2@x\r\nEMAIL:3@x\r\nBDAY:--0412\r\nTEL;TYPE=CELL:1\r\nTEL;TYPE=CELL:"
           "2\r\n"
           "TEL;TYPE=CELL:3\r\nTEL;TYPE=CELL:4\r\nTEL;TYPE=CELL:5\r\nTEL;TYPE=CELL:6\r\nX-CUSTOM:"
           "ignored\r\n"
           "END:VCARD\r\n"_ba
        << 2 << 1 << QStringList{u"Moblie3=3"_s,  u"Tel1=4"_s,        u"Tel2=5"_s,
                                 u"+邮箱：3@x"_s, u"+生日：--0412"_s, u"+电话：6"_s}
        << QList{8, 3, 0} << false;

    QTest::newRow("Gmail: eleven telephones, five e-mails, addresses and URLs")
        << dataFile("gmail-single2.vcf") << 1 << 0
        << QStringList{u"Tel2=5555551114"_s,
                       u"CompanyAddress=New York NY 113 Main St 10011"_s,
                       u"Remark=note line 1\nnote line 2\nCustomField: field value"_s,
                       u"+邮箱：workemail@example.com"_s,
                       u"+地址：New York NY 115 Main St 10011"_s,
                       u"+网址：http://www.example6.com"_s}
        << QList{18, 16, 0} << false;
    QTest::newRow("Gmail: escaped colons, line breaks in an address")
        << dataFile("John_Doe_GMAIL.vcf") << 1 << 0
        << QStringList{u"Name=Mr. John Richter, James Doe Sr."_s,
                       u"Address=Crescent moon drive\n555-asd\nNice Area, Albaney, New York 12345\nUnited States of America"_s,
                       license}
        << QList{10, 0, 0} << false;
    const QByteArray android = dataFile("John_Doe_ANDROID.vcf");
    QTest::newRow("Android: mobiles and home numbers in UTF-8 quoted-printable")
        << android << 6 << 3
        << QStringList{u"Name=Ñ Ñ Ñ Ñ Ñ Ñ Ñ Ñ Ñ Ñ Ñ"_s, u"Moblie2=3456789"_s, u"Tel1=45678901"_s}
        << QList{6, 0, 0} << false;
    QTest::newRow("Android: a photo cut short costs only the photo")
        << android << 6 << 4
        << QStringList{u"Web=www.company.com"_s, u"+网址：http://www.company.com"_s}
        << QList{8, 1, -1} << false;
    QTest::newRow("Android: a stray byte in an organisation costs only that byte")
        << android << 6 << 5 << QStringList{u"CompanyName="_s + QString(44, u'Ñ')} << QList{4, 1, 0}
        << true;
    const QByteArray blackBerry = dataFile("John_Doe_BLACK_BERRY.vcf");
    QTest::newRow("BlackBerry: a photo padded once too often")
        << blackBerry << 1 << 0 << QStringList{u"Moblie1=+96123456789"_s} << QList{3, 0, 1674}
        << false;
    QByteArray damagedPhoto = blackBerry;
    damagedPhoto[damagedPhoto.indexOf("/9j/") + 100] = '@';
    QTest::newRow("BlackBerry: a damaged photo costs only the photo")
        << damagedPhoto << 1 << 0 << QStringList{u"Name=John Doe"_s} << QList{3, 0, -1} << false;
    QTest::newRow("Evolution: quoted parameters, folded values")
        << dataFile("John_Doe_EVOLUTION.vcf") << 1 << 0
        << QStringList{u"Deptment=Accounting Dungeon"_s,
                       u"Address=United States of America New York Albaney 15 Crescent moon drive ASB-123"_s,
                       license}
        << QList{13, 0, 0} << false;
    QTest::newRow("Apple: grouped properties, six telephones and a photo")
        << dataFile("John_Doe_MAC_ADDRESS_BOOK.vcf") << 1 << 0
        << QStringList{u"Tel2=905-111-1234"_s,
                       u"CompanyAddress=USA New York Street4\nBuilding 6\nFloor 8 12345"_s,
                       license + u"THE COPYRIGHT HOLDERS AND CONTRIBUTORS \"AS IS\""_s,
                       u"+电话：905-222-1234"_s}
        << QList{18, 1, 18242} << false;
    QTest::newRow("Outlook: vCard 2.1 with a photo")
        << dataFile("John_Doe_MS_OUTLOOK.vcf") << 1 << 0
        << QStringList{u"Name=Mr. John Richter James Doe Sr."_s, u"OfficePhone1=(905) 555-1234"_s}
        << QList{14, 0, 860} << false;
    QTest::newRow("Outlook 2003: a quoted-printable note, a certificate")
        << dataFile("outlook-2003.vcf") << 1 << 0
        << QStringList{u"CompanyName=Company, The"_s,
                       u"Remark=This is the note field!!\r\nSecond line\r\n\r\nThird line is empty\r\n"_s}
        << QList{14, 0, 0} << false;
    QTest::newRow("Outlook 2007: a US-ASCII note, the same URL twice, a photo")
        << dataFile("outlook-2007.vcf") << 1 << 0
        << QStringList{u"Remark^=This is the NOTE field\t\r\nI assume"_s,
                       u"Web=http://mikeangstadt.name"_s}
        << QList{14, 0, 2324} << false;
    QTest::newRow("Thunderbird: five e-mails, two URLs, a photo")
        << dataFile("thunderbird-MoreFunctionsForAddressBook-extension.vcf") << 1 << 0
        << QStringList{u"Mail2=additional-email@company.com"_s,
                       u"Address=USA TX Austin Apt 10 123 Main St"_s,
                       u"+邮箱：additional-email3@company.com"_s,
                       u"+网址：http://www.work-webpage.com"_s}
        << QList{18, 4, 8940} << false;
    QTest::newRow("FullContact: vCard 4.0, repeated properties, a birthday twice under ALTID")
        << dataFile("fullcontact.vcf") << 1 << 0
        << QStringList{u"Name=Prefix FirstName MiddleName LastName Suffix"_s,
                       u"Birthday=2016-08-01"_s, u"+单位：Organization2 Department2"_s,
                       u"+职务：Title2"_s,
                       u"+地址：CustomCountry CustomState CustomCity CustomStreet CustomExtended CustomPostal"_s}
        << QList{20, 12, 0} << false;
    QTest::newRow("RFC 2426 examples: LF line ends, an address folded before a component")
        << dataFile("rfc2426-example.vcf") << 2 << 1
        << QStringList{u"CompanyAddress=U.S.A. CA Mountain View 501 E. Middlefield Rd. 94043"_s}
        << QList{6, 0, 0} << false;
}

void tst_VCard::readsCardsOntoColumns()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, cards);
    QFETCH(int, card);
    QFETCH(QStringList, holds);
    QFETCH(QList<int>, counts);
    QFETCH(bool, strayByte);
    const auto read = VCard::parse(bytes);
    QVERIFY2(read.ok(), qPrintable(read.error().description));
    QCOMPARE(read.value().size(), cards);
    const VCardContact& contact = read.value().at(card);
    for (const QString& expected : holds) {
        if (expected.startsWith(u'+')) {
            QVERIFY2(contact.leftOver.contains(expected.mid(1)),
                     qPrintable(contact.leftOver.join(u'|')));
            continue;
        }
        const qsizetype equals = expected.indexOf(u'=');
        const bool prefix = expected.at(equals - 1) == u'^';
        const QString value = contact.value(expected.left(prefix ? equals - 1 : equals));
        QVERIFY2(prefix ? value.startsWith(expected.mid(equals + 1))
                        : value == expected.mid(equals + 1),
                 qPrintable(expected + u" ≠ "_s + value));
    }
    QCOMPARE(QList({int(contact.columns.size()), int(contact.leftOver.size()),
                    contact.photoUnreadable ? -1 : int(contact.photo.size())}),
             counts);
    if (counts[2] == pngBytes.size())
        QCOMPARE(contact.photo, pngBytes);
    QCOMPARE(contact.textDamaged, strayByte);
}

void tst_VCard::refusesDamagedFiles_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("line");
    QTest::newRow("no END") << "BEGIN:VCARD\r\nFN:A\r\n"_ba << u"第 2 行"_s;
    QTest::newRow("second BEGIN before END")
        << "BEGIN:VCARD\r\nFN:A\r\nBEGIN:VCARD\r\nFN:B\r\nEND:VCARD\r\n"_ba << u"第 3 行"_s;
    QTest::newRow("line that is no property")
        << "BEGIN:VCARD\r\nFN:A\r\nthis is not a property\r\nEND:VCARD\r\n"_ba << u"第 3 行"_s;
    QTest::newRow("text not in its charset")
        << "BEGIN:VCARD\r\nFN;CHARSET=GBK:\xFF\xFF\r\nEND:VCARD\r\n"_ba << u"第 2 行"_s;
    QTest::newRow("a CSV file") << "Name,Tel\r\nA,1\r\n"_ba << u"第 1 行"_s;
    QTest::newRow("empty file") << QByteArray() << QString();
    QByteArray garbage(2048, '\0');
    for (int i = 0; i < garbage.size(); ++i)
        garbage[i] = char((i * 7919 + 13) & 0xFF);
    QTest::newRow("binary") << garbage << QString();
}

void tst_VCard::refusesDamagedFiles()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, line);
    const auto cards = VCard::parse(bytes);
    QCOMPARE(cards.ok() ? 0 : cards.error().number, ImportErrorCode::NotVCard);
    QVERIFY2(cards.error().description.contains(line), qPrintable(cards.error().description));
}

void tst_VCard::roundTripsEveryMappedColumn()
{
    VCardContact contact;
    contact.columns = {
        {u"Name"_s, u"欧阳;娜娜, \\ 张"_s},
        {u"Tel1"_s, u"010-1"_s},
        {u"Tel2"_s, u"010-2"_s},
        {u"Tel3"_s, u"010-3"_s},
        {u"Moblie1"_s, u"1"_s},
        {u"Moblie2"_s, u"2"_s},
        {u"Moblie3"_s, u"0086 3"_s},
        {u"OfficePhone1"_s, u"0755-1"_s},
        {u"OfficePhone2"_s, u"0755-2"_s},
        {u"Mail1"_s, u"a@e.com"_s},
        {u"Mail2"_s, u"b@e.com"_s},
        {u"CompanyName"_s, u"瓦德林;科技"_s},
        {u"Deptment"_s, u"研发部"_s},
        {u"Post"_s, u"工程师"_s},
        {u"ZipCode"_s, u"100080"_s},
        {u"Address"_s,
         u"北京市海淀区中关村大街1号，这是一个很长的地址，用来让这一行超过七十五个字节而被折行"_s},
        {u"CompanyAddress"_s, u"深圳市南山区"_s},
        {u"Birthday"_s, u"1988-08-08"_s},
        // Line breaks as the card writes them and as older files hold them.
        {u"Remark"_s, u"第一行\r\n第二行,带逗号;分号\\反斜杠\n第三行"_s},
        {u"Hobby"_s, u"爱好一\r\n爱好二"_s},
        {u"Web"_s, u"https://example.com/?a=1,2"_s},
        {u"NickName"_s, u"娜娜,小欧"_s}};
    contact.photo = pngBytes;
    contact.uid = u"urn:uuid:0d5e3a1c-3b7e-5a59-9a3e-0c8d2f1e4b6a"_s;
    VCardContact second;
    second.columns[u"Name"_s] = u"Second"_s;

    const QByteArray bytes = VCard::toBytes({contact, second});
    QVERIFY(
        bytes.startsWith("BEGIN:VCARD\r\nVERSION:3.0\r\nUID:" + contact.uid.toLatin1() + "\r\n"));
    // Every card has a UID, one of its own when it was given none.
    QCOMPARE(bytes.count("\r\nUID:"), 2);
    // Other programs read the standard property, with one line break for CR LF.
    QVERIFY(bytes.contains(utf8(u"NOTE:第一行\\n第二行"_s)));
    for (const QByteArray& line : bytes.split('\n'))
        QVERIFY2(line.size() <= 76, line.constData());
    const auto back = VCard::parse(bytes);
    QVERIFY2(back.ok(), qPrintable(back.error().description));
    QCOMPARE(back.value().size(), 2);
    QCOMPARE(back.value()[0].columns, contact.columns);
    QCOMPARE(back.value()[0].photo, pngBytes);
    QVERIFY(back.value()[0].leftOver.isEmpty());
    QCOMPARE(back.value()[1].columns, second.columns);
}

// A file cut short anywhere (a copy that stopped, a full disk) gives the cards that ended before
// the cut and nothing of the one cut through, or, when that card is left open, an error.
void tst_VCard::aFileCutShortGivesOnlyWholeCards()
{
    VCardContact contact;
    contact.columns = {{u"Name"_s, u"张三"_s}, {u"Remark"_s, u"备注;\n,"_s}};
    contact.photo = pngBytes.left(40);
    const QByteArray good = VCard::write(contact) +
                            "BEGIN:VCARD\r\nVERSION:2.1\r\n"
                            "FN;CHARSET=GBK;ENCODING=QUOTED-PRINTABLE:=D5=C5=\r\n=C8=FD\r\n"
                            "END:VCARD\r\n";
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
        }
    }
}

QTEST_GUILESS_MAIN(tst_VCard)
#include "tst_vcard.moc"
