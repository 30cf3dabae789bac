// SPDX-License-Identifier: GPL-3.0-or-later
// vCard files from phones and address books read onto the contact's columns, and written back.
#include "admin/VCard.h"

#include "admin/ImportTable.h"
#include "db/ContactFields.h"

#include <QFile>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

const QByteArray pngBytes =
    QByteArray("\x89PNG\r\n\x1A\n\0\0\0\rIHDR", 16) + QByteArray(300, '\xA5');

QByteArray dataFile(const char* name)
{
    QFile file(QStringLiteral(VCARD_DATA "/") + QString::fromLatin1(name));
    if (!file.open(QIODevice::ReadOnly))
        qFatal("missing test file %s", name);
    return file.readAll();
}

bool isContactColumn(const QString& name)
{
    return std::any_of(ContactFields::all.begin(), ContactFields::all.end(),
                       [&](const ContactField& field) { return field.name == name; });
}

} // namespace

class tst_VCard : public QObject {
    Q_OBJECT

private slots:
    void readsVersion21QuotedPrintableInGbkAndUtf8_data();
    void readsVersion21QuotedPrintableInGbkAndUtf8();
    void readsVersion21PhotoOverUnindentedLines();
    void readsVersion30FoldedLinesAndEscapes();
    void readsVersion40UrisAndQuotedTypes();
    void readsSeveralCardsAndKeepsWhatHasNoColumn();
    void readsFilesOtherProgramsWrote_data();
    void readsFilesOtherProgramsWrote();
    void refusesDamagedFiles_data();
    void refusesDamagedFiles();
    void roundTripsEveryMappedColumn();
    void aFileCutShortGivesOnlyWholeCards();
};

void tst_VCard::readsVersion21QuotedPrintableInGbkAndUtf8_data()
{
    QTest::addColumn<QByteArray>("bytes");
    // 张三 as GBK and as UTF-8, the UTF-8 name split by a soft line break.
    QTest::newRow("GBK") << QByteArray(
        "BEGIN:VCARD\r\nVERSION:2.1\r\n"
        "N;CHARSET=GBK;ENCODING=QUOTED-PRINTABLE:=D5=C5;=C8=FD;;;\r\n"
        "FN;CHARSET=GBK;ENCODING=QUOTED-PRINTABLE:=D5=C5=C8=FD\r\n"
        "TEL;CELL;VOICE:13800138000\r\nTEL;WORK;VOICE:010-12345678\r\n"
        "NOTE;CHARSET=GB2312;ENCODING=QUOTED-PRINTABLE:=B1=B8=D7=A2=0D=0A=\r\n"
        "=B5=D8=D6=B7\r\nEND:VCARD\r\n");
    QTest::newRow("UTF-8") << QByteArray(
        "BEGIN:VCARD\nVERSION:2.1\n"
        "FN;CHARSET=UTF-8;ENCODING=QUOTED-PRINTABLE:=E5=BC=A0=\n=E4=B8=89\n"
        "TEL;VOICE;CELL:13800138000\nTEL;VOICE;WORK:010-12345678\n"
        "NOTE;ENCODING=QUOTED-PRINTABLE;CHARSET=UTF-8:=E5=A4=87=E6=B3=A8=0D=0A=E5=9C=B0=\n"
        "=E5=9D=80\nEND:VCARD\n");
    QTest::newRow("GBK name only in N, without CHARSET")
        << QByteArray("BEGIN:VCARD\r\nVERSION:2.1\r\n"
                      "N;ENCODING=QUOTED-PRINTABLE:=D5=C5;=C8=FD;;;\r\n"
                      "TEL;CELL:13800138000\r\nTEL;WORK:010-12345678\r\n"
                      "NOTE:\xB1\xB8\xD7\xA2\r\n"
                      "END:VCARD\r\n");
}

void tst_VCard::readsVersion21QuotedPrintableInGbkAndUtf8()
{
    QFETCH(QByteArray, bytes);
    const auto cards = VCard::parse(bytes);
    QVERIFY2(cards.ok(), qPrintable(cards.error().description));
    QCOMPARE(cards.value().size(), 1);
    const VCardContact& card = cards.value().front();
    QCOMPARE(card.value(u"Name"_s), u"张三"_s);
    QCOMPARE(card.value(u"Moblie1"_s), u"13800138000"_s);
    QCOMPARE(card.value(u"OfficePhone1"_s), u"010-12345678"_s);
    QVERIFY(card.value(u"Remark"_s).startsWith(u"备注"_s));
}

void tst_VCard::readsVersion21PhotoOverUnindentedLines()
{
    // Some phones go on with a 2.1 photo's base64 on lines of their own and end it with a blank.
    const QByteArray base64 = pngBytes.toBase64();
    const QByteArray bytes = "BEGIN:VCARD\r\nVERSION:2.1\r\nN:;A;;;\r\nTEL;HOME:88\r\n"
                             "PHOTO;ENCODING=BASE64;TYPE=PNG:" +
                             base64.left(40) + "\r\n" + base64.mid(40, 40) + "\r\n" +
                             base64.mid(80) +
                             "\r\n\r\n"
                             "END:VCARD\r\n";
    const auto cards = VCard::parse(bytes);
    QVERIFY2(cards.ok(), qPrintable(cards.error().description));
    const VCardContact& card = cards.value().front();
    QCOMPARE(card.value(u"Name"_s), u"A"_s);
    QCOMPARE(card.value(u"Tel3"_s), u"88"_s);
    QCOMPARE(card.photo, pngBytes);
}

void tst_VCard::readsVersion30FoldedLinesAndEscapes()
{
    // The note is folded inside a UTF-8 sequence, as byte-counting writers do.
    const QByteArray note = u"第一行\\n第二行\\; 逗号\\, 反斜杠\\\\"_s.toUtf8();
    const QByteArray bytes = "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Li\r\n  Si\r\n"
                             "N:Li;Si;;;\r\nNOTE:" +
                             note.left(4) + "\r\n " + note.mid(4) +
                             "\r\n"
                             "item1.TEL;TYPE=cell:139 0000 0000\r\n"
                             "TEL;TYPE=HOME:020-1\r\nTEL;TYPE=HOME:020-2\r\nTEL:020-3\r\n"
                             "ORG:" +
                             u"瓦德林公司;销售部"_s.toUtf8() +
                             "\r\n"
                             "TITLE:" +
                             u"经理"_s.toUtf8() +
                             "\r\n"
                             "ADR;TYPE=WORK:;;" +
                             u"科技园1号;深圳;广东;518000;中国"_s.toUtf8() +
                             "\r\n"
                             "ADR;TYPE=HOME:;;Street 5;;;100000;\r\n"
                             "BDAY:1990-01-02\r\nURL:http://example.com/a\\,b\r\n"
                             "NICKNAME:" +
                             u"小李"_s.toUtf8() +
                             "\r\n"
                             "PHOTO;ENCODING=b;TYPE=PNG:" +
                             pngBytes.toBase64().left(30) + "\r\n " + pngBytes.toBase64().mid(30) +
                             "\r\nEND:VCARD\r\n";
    const auto cards = VCard::parse(bytes);
    QVERIFY2(cards.ok(), qPrintable(cards.error().description));
    const VCardContact& card = cards.value().front();
    QCOMPARE(card.value(u"Name"_s), u"Li Si"_s);
    QCOMPARE(card.value(u"Remark"_s), u"第一行\n第二行; 逗号, 反斜杠\\"_s);
    QCOMPARE(card.value(u"Moblie1"_s), u"139 0000 0000"_s);
    QCOMPARE(card.value(u"Tel3"_s), u"020-1"_s);
    QCOMPARE(card.value(u"Tel1"_s), u"020-2"_s);
    QCOMPARE(card.value(u"Tel2"_s), u"020-3"_s);
    QCOMPARE(card.value(u"CompanyName"_s), u"瓦德林公司"_s);
    QCOMPARE(card.value(u"Deptment"_s), u"销售部"_s);
    QCOMPARE(card.value(u"Post"_s), u"经理"_s);
    QCOMPARE(card.value(u"CompanyAddress"_s), u"中国 广东 深圳 科技园1号 518000"_s);
    QCOMPARE(card.value(u"Address"_s), u"Street 5"_s);
    QCOMPARE(card.value(u"ZipCode"_s), u"100000"_s);
    QCOMPARE(card.value(u"Birthday"_s), u"1990-01-02"_s);
    QCOMPARE(card.value(u"Web"_s), u"http://example.com/a,b"_s);
    QCOMPARE(card.value(u"NickName"_s), u"小李"_s);
    QCOMPARE(card.photo, pngBytes);
    QVERIFY(card.leftOver.isEmpty());
}

void tst_VCard::readsVersion40UrisAndQuotedTypes()
{
    const QByteArray bytes = "\xEF\xBB\xBF"
                             "BEGIN:VCARD\r\nVERSION:4.0\r\nFN:" +
                             u"王五"_s.toUtf8() +
                             "\r\nTEL;VALUE=uri;TYPE=\"cell,voice\":tel:+86-138-0000-0000\r\n"
                             "TEL;TYPE=work;VALUE=uri:tel:+86-10-1234\r\n"
                             "EMAIL;TYPE=work:w@example.com\r\nEMAIL:h@example.com\r\n"
                             "BDAY:19850412T000000Z\r\n"
                             "PHOTO:data:image/png;base64," +
                             pngBytes.toBase64() +
                             "\r\n"
                             "END:VCARD\r\n";
    const auto cards = VCard::parse(bytes);
    QVERIFY2(cards.ok(), qPrintable(cards.error().description));
    const VCardContact& card = cards.value().front();
    QCOMPARE(card.value(u"Name"_s), u"王五"_s);
    QCOMPARE(card.value(u"Moblie1"_s), u"+86-138-0000-0000"_s);
    QCOMPARE(card.value(u"OfficePhone1"_s), u"+86-10-1234"_s);
    QCOMPARE(card.value(u"Mail1"_s), u"w@example.com"_s);
    QCOMPARE(card.value(u"Mail2"_s), u"h@example.com"_s);
    QCOMPARE(card.value(u"Birthday"_s), u"1985-04-12"_s);
    QCOMPARE(card.photo, pngBytes);
}

void tst_VCard::readsSeveralCardsAndKeepsWhatHasNoColumn()
{
    QByteArray bytes;
    for (const char* name : {"A", "B", "C"})
        bytes += QByteArray("BEGIN:VCARD\r\nVERSION:3.0\r\nFN:") + name + "\r\nEND:VCARD\r\n\r\n";
    bytes += "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:D\r\n"
             "EMAIL:1@x\r\nEMAIL:2@x\r\nEMAIL:3@x\r\nBDAY:--0412\r\n"
             "TEL;TYPE=CELL:1\r\nTEL;TYPE=CELL:2\r\nTEL;TYPE=CELL:3\r\nTEL;TYPE=CELL:4\r\n"
             "TEL;TYPE=CELL:5\r\nTEL;TYPE=CELL:6\r\nX-CUSTOM:ignored\r\nEND:VCARD\r\n";
    const auto cards = VCard::parse(bytes);
    QVERIFY2(cards.ok(), qPrintable(cards.error().description));
    QCOMPARE(cards.value().size(), 4);
    QCOMPARE(cards.value()[1].value(u"Name"_s), u"B"_s);
    const VCardContact& last = cards.value()[3];
    QCOMPARE(last.value(u"Moblie3"_s), u"3"_s);
    QCOMPARE(last.value(u"Tel1"_s), u"4"_s);
    QCOMPARE(last.value(u"Tel2"_s), u"5"_s);
    QVERIFY(last.value(u"Birthday"_s).isEmpty());
    QCOMPARE(last.leftOver, (QStringList{u"邮箱：3@x"_s, u"生日：--0412"_s, u"电话：6"_s}));
}

// Exports of phones, mail programs and address services (tests/data/vcard/README.md): each row
// names a card, some columns it must fill ("Column=value", or "Column^=start" for long notes), how
// many columns it fills in all, its lines for the remark, and its photo's size (-1: unreadable).
void tst_VCard::readsFilesOtherProgramsWrote_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("cards");
    QTest::addColumn<int>("card");
    QTest::addColumn<QStringList>("columns");
    QTest::addColumn<int>("filled");
    QTest::addColumn<QStringList>("leftOver");
    QTest::addColumn<int>("photo");
    QTest::addColumn<bool>("strayByte");
    const QString license = u"Remark^=THIS SOFTWARE IS PROVIDED BY "_s;

    QTest::newRow("Gmail: eleven telephones, five e-mails, addresses and URLs")
        << dataFile("gmail-single2.vcf") << 1 << 0
        << QStringList{u"Tel2=5555551114"_s, u"Moblie1=5555551115"_s,
                       u"CompanyAddress=New York NY 113 Main St 10011"_s, u"Birthday=1912-06-23"_s,
                       u"Remark=note line 1\nnote line 2\nCustomField: field value"_s}
        << 18
        << QStringList{u"邮箱：workemail@example.com"_s,
                       u"邮箱：otheremail@example.com"_s,
                       u"邮箱：customcategory@example.com"_s,
                       u"电话：5555551116"_s,
                       u"电话：5555551117"_s,
                       u"电话：5555551119"_s,
                       u"电话：5555551120"_s,
                       u"电话：5555551121"_s,
                       u"地址：New York NY 112 Main St 10011"_s,
                       u"地址：New York NY 114 Main St 10011"_s,
                       u"地址：New York NY 115 Main St 10011"_s,
                       u"网址：http://www.example2.com"_s,
                       u"网址：http://www.example3.com"_s,
                       u"网址：http://www.example4.com"_s,
                       u"网址：http://www.example5.com"_s,
                       u"网址：http://www.example6.com"_s}
        << 0 << false;
    QTest::newRow("Gmail: escaped colons, line breaks in an address")
        << dataFile("John_Doe_GMAIL.vcf") << 1 << 0
        << QStringList{u"Name=Mr. John Richter, James Doe Sr."_s,
                       u"Address=Crescent moon drive\n555-asd\nNice Area, Albaney, New York "
                       u"12345\nUnited States of America"_s,
                       license}
        << 10 << QStringList{} << 0 << false;

    const QByteArray android = dataFile("John_Doe_ANDROID.vcf");
    QTest::newRow("Android: mobiles and home numbers in UTF-8 quoted-printable")
        << android << 6 << 3
        << QStringList{u"Name=Ñ Ñ Ñ Ñ Ñ Ñ Ñ Ñ Ñ Ñ Ñ"_s, u"Moblie2=3456789"_s, u"Tel1=45678901"_s}
        << 6 << QStringList{} << 0 << false;
    QTest::newRow("Android: a photo cut short costs only the photo")
        << android << 6 << 4 << QStringList{u"Name=Ñ Ñ Ñ Ñ"_s, u"Web=www.company.com"_s} << 8
        << QStringList{u"网址：http://www.company.com"_s} << -1 << false;
    QTest::newRow("Android: a stray byte in an organisation costs only that byte")
        << android << 6 << 5 << QStringList{u"CompanyName="_s + QString(44, u'Ñ')} << 4
        << QStringList{u"单位："_s + QString(44, u'Ñ') + QChar(0xFFFD)} << 0 << true;

    const QByteArray blackBerry = dataFile("John_Doe_BLACK_BERRY.vcf");
    const QStringList blackBerryColumns{u"Name=John Doe"_s, u"Moblie1=+96123456789"_s};
    QTest::newRow("BlackBerry: a photo padded once too often")
        << blackBerry << 1 << 0 << blackBerryColumns << 3 << QStringList{} << 1674 << false;
    QByteArray damagedPhoto = blackBerry;
    damagedPhoto[damagedPhoto.indexOf("/9j/") + 100] = '@';
    QTest::newRow("BlackBerry: a damaged photo costs only the photo")
        << damagedPhoto << 1 << 0 << blackBerryColumns << 3 << QStringList{} << -1 << false;

    QTest::newRow("Evolution: quoted parameters, folded values")
        << dataFile("John_Doe_EVOLUTION.vcf") << 1 << 0
        << QStringList{u"Deptment=Accounting Dungeon"_s,
                       u"Address=United States of America New York Albaney 15 Crescent moon "
                       u"drive ASB-123"_s,
                       license}
        << 13 << QStringList{} << 0 << false;
    QTest::newRow("Apple: grouped properties, six telephones and a photo")
        << dataFile("John_Doe_MAC_ADDRESS_BOOK.vcf") << 1 << 0
        << QStringList{u"Tel2=905-111-1234"_s,
                       u"CompanyAddress=USA New York Street4\nBuilding 6\nFloor 8 12345"_s,
                       license + u"THE COPYRIGHT HOLDERS AND CONTRIBUTORS \"AS IS\""_s}
        << 18 << QStringList{u"电话：905-222-1234"_s} << 18242 << false;
    QTest::newRow("Outlook: vCard 2.1 with a photo")
        << dataFile("John_Doe_MS_OUTLOOK.vcf") << 1 << 0
        << QStringList{u"Name=Mr. John Richter James Doe Sr."_s, u"OfficePhone1=(905) 555-1234"_s,
                       u"Mail1=john.doe@ibm.cm"_s}
        << 14 << QStringList{} << 860 << false;
    QTest::newRow("Outlook 2003: a quoted-printable note, a certificate")
        << dataFile("outlook-2003.vcf") << 1 << 0
        << QStringList{u"CompanyName=Company, The"_s,
                       u"Remark=This is the note field!!\r\nSecond line\r\n\r\nThird line is "
                       u"empty\r\n"_s}
        << 14 << QStringList{} << 0 << false;
    QTest::newRow("Outlook 2007: a US-ASCII note, the same URL twice, a photo")
        << dataFile("outlook-2007.vcf") << 1 << 0
        << QStringList{u"Remark^=This is the NOTE field\t\r\nI assume"_s,
                       u"Web=http://mikeangstadt.name"_s}
        << 14 << QStringList{} << 2324 << false;
    QTest::newRow("Thunderbird: five e-mails, two URLs, a photo")
        << dataFile("thunderbird-MoreFunctionsForAddressBook-extension.vcf") << 1 << 0
        << QStringList{u"Mail2=additional-email@company.com"_s,
                       u"Address=USA TX Austin Apt 10 123 Main St"_s}
        << 18
        << QStringList{u"邮箱：additional-email1@company.com"_s,
                       u"邮箱：additional-email2@company.com"_s,
                       u"邮箱：additional-email3@company.com"_s,
                       u"网址：http://www.work-webpage.com"_s}
        << 8940 << false;
    QTest::newRow("FullContact: vCard 4.0, repeated properties, a birthday twice under ALTID")
        << dataFile("fullcontact.vcf") << 1 << 0
        << QStringList{u"Name=Prefix FirstName MiddleName LastName Suffix"_s,
                       u"Birthday=2016-08-01"_s, u"Remark=Notes line 1\nNotes line 2"_s}
        << 20
        << QStringList{u"电话：555-555-1118"_s,
                       u"电话：555-555-1119"_s,
                       u"邮箱：school@example.com"_s,
                       u"邮箱：other@example.com"_s,
                       u"邮箱：custom@example.com"_s,
                       u"单位：Organization2 Department2"_s,
                       u"职务：Title2"_s,
                       u"网址：http://www.blog.com"_s,
                       u"网址：http://www.other.com"_s,
                       u"网址：http://www.custom.com"_s,
                       u"地址：OtherCountry OtherState OtherCity OtherStreet OtherExtended "
                       u"OtherPostal"_s,
                       u"地址：CustomCountry CustomState CustomCity CustomStreet CustomExtended "
                       u"CustomPostal"_s}
        << 0 << false;
    QTest::newRow("RFC 2426 examples: LF line ends, an address folded before a component")
        << dataFile("rfc2426-example.vcf") << 2 << 1
        << QStringList{u"CompanyAddress=U.S.A. CA Mountain View 501 E. Middlefield Rd. 94043"_s}
        << 6 << QStringList{} << 0 << false;
}

void tst_VCard::readsFilesOtherProgramsWrote()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, cards);
    QFETCH(int, card);
    QFETCH(QStringList, columns);
    QFETCH(int, filled);
    QFETCH(QStringList, leftOver);
    QFETCH(int, photo);
    QFETCH(bool, strayByte);
    const auto read = VCard::parse(bytes);
    QVERIFY2(read.ok(), qPrintable(read.error().description));
    QCOMPARE(read.value().size(), cards);
    const VCardContact& contact = read.value().at(card);
    for (const QString& expected : columns) {
        const qsizetype equals = expected.indexOf(u'=');
        const bool prefix = expected.at(equals - 1) == u'^';
        const QString value = contact.value(expected.left(prefix ? equals - 1 : equals));
        if (prefix)
            QVERIFY2(value.startsWith(expected.mid(equals + 1)), qPrintable(value));
        else
            QCOMPARE(value, expected.mid(equals + 1));
    }
    QCOMPARE(contact.columns.size(), filled);
    QCOMPARE(contact.leftOver, leftOver);
    QCOMPARE(contact.photo.size(), photo < 0 ? 0 : photo);
    QCOMPARE(contact.photoUnreadable, photo < 0);
    QCOMPARE(contact.textDamaged, strayByte);
}

void tst_VCard::refusesDamagedFiles_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("line");
    QTest::newRow("no END") << QByteArray("BEGIN:VCARD\r\nFN:A\r\n") << u"第 2 行"_s;
    QTest::newRow("second BEGIN before END")
        << QByteArray("BEGIN:VCARD\r\nFN:A\r\nBEGIN:VCARD\r\nFN:B\r\nEND:VCARD\r\n")
        << u"第 3 行"_s;
    QTest::newRow("line that is no property")
        << QByteArray("BEGIN:VCARD\r\nFN:A\r\nthis is not a property\r\nEND:VCARD\r\n")
        << u"第 3 行"_s;
    QTest::newRow("text not in its charset")
        << QByteArray("BEGIN:VCARD\r\nFN;CHARSET=GBK:\xFF\xFF\r\nEND:VCARD\r\n") << u"第 2 行"_s;
    QTest::newRow("a CSV file") << QByteArray("Name,Tel\r\nA,1\r\n") << u"第 1 行"_s;
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
    QVERIFY(!cards.ok());
    QCOMPARE(cards.error().number, ImportErrorCode::NotVCard);
    QVERIFY2(cards.error().description.contains(line), qPrintable(cards.error().description));
}

void tst_VCard::roundTripsEveryMappedColumn()
{
    VCardContact contact;
    const QList<std::pair<const char*, QString>> values{
        {"Name", u"欧阳;娜娜, \\ 张"_s},
        {"Tel1", u"010-1"_s},
        {"Tel2", u"010-2"_s},
        {"Tel3", u"010-3"_s},
        {"Moblie1", u"13800000001"_s},
        {"Moblie2", u"13800000002"_s},
        {"Moblie3", u"008613800000003"_s},
        {"OfficePhone1", u"0755-1"_s},
        {"OfficePhone2", u"0755-2"_s},
        {"Mail1", u"a@example.com"_s},
        {"Mail2", u"b@example.com"_s},
        {"CompanyName", u"瓦德林;科技"_s},
        {"Deptment", u"研发部"_s},
        {"Post", u"工程师"_s},
        {"Address",
         u"北京市海淀区中关村大街1号，这是一个很长的地址，用来让这一行超过七十五个字节而被折行"_s},
        {"ZipCode", u"100080"_s},
        {"CompanyAddress", u"深圳市南山区"_s},
        {"Birthday", u"1988-08-08"_s},
        // Line breaks as the card writes them and as older files hold them.
        {"Remark", u"第一行\r\n第二行,带逗号;分号\\反斜杠\n第三行"_s},
        {"Hobby", u"爱好一\r\n爱好二"_s},
        {"Web", u"https://example.com/?a=1,2"_s},
        {"NickName", u"娜娜,小欧"_s},
    };
    for (const auto& [column, value] : values) {
        QVERIFY2(isContactColumn(QString::fromLatin1(column)), column);
        contact.columns[QString::fromLatin1(column)] = value;
    }
    contact.photo = pngBytes;
    contact.uid = u"urn:uuid:0d5e3a1c-3b7e-5a59-9a3e-0c8d2f1e4b6a"_s;
    VCardContact second;
    second.columns[u"Name"_s] = u"Second"_s;

    const QByteArray bytes = VCard::toBytes({contact, second});
    QVERIFY(bytes.startsWith(
        QByteArray("BEGIN:VCARD\r\nVERSION:3.0\r\nUID:" + contact.uid.toLatin1() + "\r\n")));
    // Every card has a UID, one of its own when it was given none.
    QCOMPARE(bytes.count("\r\nUID:"), 2);
    // Other programs read the standard property, with one line break for CR LF.
    QVERIFY(bytes.contains(u"NOTE:第一行\\n第二行"_s.toUtf8()));
    for (const QByteArray& line : bytes.split('\n'))
        QVERIFY2(line.size() <= 76, line.constData());
    const auto back = VCard::parse(bytes);
    QVERIFY2(back.ok(), qPrintable(back.error().description));
    QCOMPARE(back.value().size(), 2);
    QCOMPARE(back.value()[0].columns, contact.columns);
    QCOMPARE(back.value()[0].photo, pngBytes);
    QVERIFY(back.value()[0].leftOver.isEmpty());
    QCOMPARE(back.value()[1].columns, second.columns);
    QVERIFY(back.value()[1].photo.isEmpty());
}

// A file cut short anywhere (a copy that stopped, a full disk) gives the cards that ended before
// the cut and nothing of the one cut through, or, when that card is left open, an error.
void tst_VCard::aFileCutShortGivesOnlyWholeCards()
{
    VCardContact contact;
    contact.columns[u"Name"_s] = u"张三"_s;
    contact.columns[u"Remark"_s] = u"备注;\n,"_s;
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
            QVERIFY2(!cards.ok(), qPrintable(QString::number(cut)));
            QCOMPARE(cards.error().number, ImportErrorCode::NotVCard);
        } else {
            QVERIFY2(cards.ok(), qPrintable(QString::number(cut)));
            QCOMPARE(cards.value().size(), bytes.count("END:VCARD"));
            QCOMPARE(cards.value().front().columns, contact.columns);
        }
    }
}

QTEST_GUILESS_MAIN(tst_VCard)
#include "tst_vcard.moc"
