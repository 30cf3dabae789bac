// SPDX-License-Identifier: GPL-3.0-or-later
// vCard files from phones and address books read onto the contact's columns, and written back.
#include "admin/VCard.h"

#include "admin/ImportTable.h"
#include "db/ContactFields.h"

#include <QFile>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

QString s(const char16_t* text)
{
    return QString::fromUtf16(text);
}

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
    void survivesEveryCutAndDamagedByte();
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
    QCOMPARE(card.value(QStringLiteral("Name")), s(u"张三"));
    QCOMPARE(card.value(QStringLiteral("Moblie1")), QStringLiteral("13800138000"));
    QCOMPARE(card.value(QStringLiteral("OfficePhone1")), QStringLiteral("010-12345678"));
    QVERIFY(card.value(QStringLiteral("Remark")).startsWith(s(u"备注")));
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
    QCOMPARE(card.value(QStringLiteral("Name")), QStringLiteral("A"));
    QCOMPARE(card.value(QStringLiteral("Tel3")), QStringLiteral("88"));
    QCOMPARE(card.photo, pngBytes);
}

void tst_VCard::readsVersion30FoldedLinesAndEscapes()
{
    // The note is folded inside a UTF-8 sequence, as byte-counting writers do.
    const QByteArray note = QStringLiteral("第一行\\n第二行\\; 逗号\\, 反斜杠\\\\").toUtf8();
    const QByteArray bytes = "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Li\r\n  Si\r\n"
                             "N:Li;Si;;;\r\nNOTE:" +
                             note.left(4) + "\r\n " + note.mid(4) +
                             "\r\n"
                             "item1.TEL;TYPE=cell:139 0000 0000\r\n"
                             "TEL;TYPE=HOME:020-1\r\nTEL;TYPE=HOME:020-2\r\nTEL:020-3\r\n"
                             "ORG:" +
                             s(u"瓦德林公司;销售部").toUtf8() +
                             "\r\n"
                             "TITLE:" +
                             s(u"经理").toUtf8() +
                             "\r\n"
                             "ADR;TYPE=WORK:;;" +
                             s(u"科技园1号;深圳;广东;518000;中国").toUtf8() +
                             "\r\n"
                             "ADR;TYPE=HOME:;;Street 5;;;100000;\r\n"
                             "BDAY:1990-01-02\r\nURL:http://example.com/a\\,b\r\n"
                             "NICKNAME:" +
                             s(u"小李").toUtf8() +
                             "\r\n"
                             "PHOTO;ENCODING=b;TYPE=PNG:" +
                             pngBytes.toBase64().left(30) + "\r\n " + pngBytes.toBase64().mid(30) +
                             "\r\nEND:VCARD\r\n";
    const auto cards = VCard::parse(bytes);
    QVERIFY2(cards.ok(), qPrintable(cards.error().description));
    const VCardContact& card = cards.value().front();
    QCOMPARE(card.value(QStringLiteral("Name")), QStringLiteral("Li Si"));
    QCOMPARE(card.value(QStringLiteral("Remark")), s(u"第一行\n第二行; 逗号, 反斜杠\\"));
    QCOMPARE(card.value(QStringLiteral("Moblie1")), QStringLiteral("139 0000 0000"));
    QCOMPARE(card.value(QStringLiteral("Tel3")), QStringLiteral("020-1"));
    QCOMPARE(card.value(QStringLiteral("Tel1")), QStringLiteral("020-2"));
    QCOMPARE(card.value(QStringLiteral("Tel2")), QStringLiteral("020-3"));
    QCOMPARE(card.value(QStringLiteral("CompanyName")), s(u"瓦德林公司"));
    QCOMPARE(card.value(QStringLiteral("Deptment")), s(u"销售部"));
    QCOMPARE(card.value(QStringLiteral("Post")), s(u"经理"));
    QCOMPARE(card.value(QStringLiteral("CompanyAddress")), s(u"中国 广东 深圳 科技园1号 518000"));
    QCOMPARE(card.value(QStringLiteral("Address")), QStringLiteral("Street 5"));
    QCOMPARE(card.value(QStringLiteral("ZipCode")), QStringLiteral("100000"));
    QCOMPARE(card.value(QStringLiteral("Birthday")), QStringLiteral("1990-01-02"));
    QCOMPARE(card.value(QStringLiteral("Web")), QStringLiteral("http://example.com/a,b"));
    QCOMPARE(card.value(QStringLiteral("NickName")), s(u"小李"));
    QCOMPARE(card.photo, pngBytes);
    QVERIFY(card.leftOver.isEmpty());
}

void tst_VCard::readsVersion40UrisAndQuotedTypes()
{
    const QByteArray bytes = "\xEF\xBB\xBF"
                             "BEGIN:VCARD\r\nVERSION:4.0\r\nFN:" +
                             s(u"王五").toUtf8() +
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
    QCOMPARE(card.value(QStringLiteral("Name")), s(u"王五"));
    QCOMPARE(card.value(QStringLiteral("Moblie1")), QStringLiteral("+86-138-0000-0000"));
    QCOMPARE(card.value(QStringLiteral("OfficePhone1")), QStringLiteral("+86-10-1234"));
    QCOMPARE(card.value(QStringLiteral("Mail1")), QStringLiteral("w@example.com"));
    QCOMPARE(card.value(QStringLiteral("Mail2")), QStringLiteral("h@example.com"));
    QCOMPARE(card.value(QStringLiteral("Birthday")), QStringLiteral("1985-04-12"));
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
    QCOMPARE(cards.value()[1].value(QStringLiteral("Name")), QStringLiteral("B"));
    const VCardContact& last = cards.value()[3];
    QCOMPARE(last.value(QStringLiteral("Moblie3")), QStringLiteral("3"));
    QCOMPARE(last.value(QStringLiteral("Tel1")), QStringLiteral("4"));
    QCOMPARE(last.value(QStringLiteral("Tel2")), QStringLiteral("5"));
    QVERIFY(last.value(QStringLiteral("Birthday")).isEmpty());
    QCOMPARE(last.leftOver, (QStringList{s(u"邮箱：3@x"), s(u"生日：--0412"), s(u"电话：6")}));
}

// Exports of phones, mail programs and address services (tests/data/vcard/README.md): each row
// names a card, every column it must fill ("Column=value", or "Column^=start" for long notes,
// and no other column), its lines for the remark, and its photo's size (-1: unreadable).
void tst_VCard::readsFilesOtherProgramsWrote_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("cards");
    QTest::addColumn<int>("card");
    QTest::addColumn<QStringList>("columns");
    QTest::addColumn<QStringList>("leftOver");
    QTest::addColumn<int>("photo");
    QTest::addColumn<bool>("strayByte");
    const QString license = QStringLiteral("Remark^=THIS SOFTWARE IS PROVIDED BY ");

    QTest::newRow("Gmail: eleven telephones, five e-mails, addresses and URLs")
        << dataFile("gmail-single2.vcf") << 1 << 0
        << QStringList{u"Name=VCard Test"_s,
                       u"NickName=TheNickname"_s,
                       u"Mail1=email@example.com"_s,
                       u"Mail2=homeemail@example.com"_s,
                       u"Tel1=5555551111"_s,
                       u"Tel3=5555551112"_s,
                       u"OfficePhone1=5555551113"_s,
                       u"Tel2=5555551114"_s,
                       u"Moblie1=5555551115"_s,
                       u"OfficePhone2=5555551118"_s,
                       u"Address=New York NY 111 Main St"_s,
                       u"ZipCode=10011"_s,
                       u"CompanyAddress=New York NY 113 Main St 10011"_s,
                       u"CompanyName=TheCompany"_s,
                       u"Post=TheJobTitle"_s,
                       u"Birthday=1912-06-23"_s,
                       u"Web=http://www.example1.com"_s,
                       u"Remark=note line 1\nnote line 2\nCustomField: field value"_s}
        << QStringList{s(u"邮箱：workemail@example.com"),
                       s(u"邮箱：otheremail@example.com"),
                       s(u"邮箱：customcategory@example.com"),
                       s(u"电话：5555551116"),
                       s(u"电话：5555551117"),
                       s(u"电话：5555551119"),
                       s(u"电话：5555551120"),
                       s(u"电话：5555551121"),
                       s(u"地址：New York NY 112 Main St 10011"),
                       s(u"地址：New York NY 114 Main St 10011"),
                       s(u"地址：New York NY 115 Main St 10011"),
                       s(u"网址：http://www.example2.com"),
                       s(u"网址：http://www.example3.com"),
                       s(u"网址：http://www.example4.com"),
                       s(u"网址：http://www.example5.com"),
                       s(u"网址：http://www.example6.com")}
        << 0 << false;
    QTest::newRow("Gmail: escaped colons, line breaks in an address")
        << dataFile("John_Doe_GMAIL.vcf") << 1 << 0
        << QStringList{u"Name=Mr. John Richter, James Doe Sr."_s,
                       u"Mail1=john.doe@ibm.com"_s,
                       u"Moblie1=905-555-1234"_s,
                       u"Tel3=905-666-1234"_s,
                       u"Address=Crescent moon drive\n555-asd\nNice Area, Albaney, New York "
                       u"12345\nUnited States of America"_s,
                       u"CompanyName=IBM"_s,
                       u"Post=Money Counter"_s,
                       u"Birthday=1980-03-22"_s,
                       u"Web=http://www.ibm.com"_s,
                       license}
        << QStringList{} << 0 << false;

    const QByteArray android = dataFile("John_Doe_ANDROID.vcf");
    QTest::newRow("Android: mobiles and home numbers in UTF-8 quoted-printable")
        << android << 6 << 3
        << QStringList{s(u"Name=Ñ Ñ Ñ Ñ Ñ Ñ Ñ Ñ Ñ Ñ Ñ"),
                       u"Moblie1=123456"_s,
                       u"Moblie2=3456789"_s,
                       u"Tel3=234567"_s,
                       u"Tel1=45678901"_s,
                       s(u"Remark^=Ñ Ñ Ñ Ñ Ñ Ñ Ñ ÑÑ Ñ")}
        << QStringList{} << 0 << false;
    QTest::newRow("Android: a photo cut short costs only the photo")
        << android << 6 << 4
        << QStringList{s(u"Name=Ñ Ñ Ñ Ñ"),
                       u"Moblie1=123456"_s,
                       u"OfficePhone1=123456"_s,
                       u"OfficePhone2=123456"_s,
                       u"Mail1=bob@company.com"_s,
                       u"Mail2="_s + QString(14, u'Ñ'),
                       u"CompanyName="_s + QString(12, u'Ñ'),
                       u"Web=www.company.com"_s}
        << QStringList{s(u"网址：http://www.company.com")} << -1 << false;
    QTest::newRow("Android: a stray byte in an organisation costs only that byte")
        << android << 6 << 5
        << QStringList{s(u"Name=ÑÑÑÑ"), u"Moblie1=55556666"_s, u"Mail1=henry@company.com"_s,
                       u"CompanyName="_s + QString(44, u'Ñ')}
        << QStringList{s(u"单位：") + QString(44, u'Ñ') + QChar(0xFFFD)} << 0 << true;

    const QByteArray blackBerry = dataFile("John_Doe_BLACK_BERRY.vcf");
    const QStringList blackBerryColumns{u"Name=John Doe"_s, u"CompanyName=Acme Solutions"_s,
                                        u"Moblie1=+96123456789"_s};
    QTest::newRow("BlackBerry: a photo padded once too often")
        << blackBerry << 1 << 0 << blackBerryColumns << QStringList{} << 1674 << false;
    QByteArray damagedPhoto = blackBerry;
    damagedPhoto[damagedPhoto.indexOf("/9j/") + 100] = '@';
    QTest::newRow("BlackBerry: a damaged photo costs only the photo")
        << damagedPhoto << 1 << 0 << blackBerryColumns << QStringList{} << -1 << false;

    QTest::newRow("Evolution: quoted parameters, folded values")
        << dataFile("John_Doe_EVOLUTION.vcf") << 1 << 0
        << QStringList{u"Name=Mr. John Richter, James Doe Sr."_s,
                       u"Moblie1=905-666-1234"_s,
                       u"OfficePhone1=905-555-1234"_s,
                       u"Web=http://www.ibm.com"_s,
                       u"NickName=Johny"_s,
                       u"CompanyName=IBM"_s,
                       u"Deptment=Accounting Dungeon"_s,
                       u"Post=Money Counter"_s,
                       u"Mail1=john.doe@ibm.com"_s,
                       u"Address=United States of America New York Albaney 15 Crescent moon "
                       u"drive ASB-123"_s,
                       u"ZipCode=12345"_s,
                       u"Birthday=1980-03-22"_s,
                       license}
        << QStringList{} << 0 << false;
    QTest::newRow("Apple: grouped properties, six telephones and a photo")
        << dataFile("John_Doe_MAC_ADDRESS_BOOK.vcf") << 1 << 0
        << QStringList{u"Name=Mr. John Richter,James Doe Sr."_s,
                       u"NickName=Johny"_s,
                       u"CompanyName=IBM"_s,
                       u"Deptment=Accounting"_s,
                       u"Post=Money Counter"_s,
                       u"Mail1=john.doe@ibm.com"_s,
                       u"OfficePhone1=905-777-1234"_s,
                       u"Tel3=905-666-1234"_s,
                       u"Moblie1=905-555-1234"_s,
                       u"Tel1=905-888-1234"_s,
                       u"OfficePhone2=905-999-1234"_s,
                       u"Tel2=905-111-1234"_s,
                       u"Address=United States of America New York New York Silicon Alley 5,"_s,
                       u"ZipCode=12345"_s,
                       u"CompanyAddress=USA New York Street4\nBuilding 6\nFloor 8 12345"_s,
                       license + u"THE COPYRIGHT HOLDERS AND CONTRIBUTORS \"AS IS\""_s,
                       u"Web=http://www.ibm.com"_s,
                       u"Birthday=2012-06-06"_s}
        << QStringList{s(u"电话：905-222-1234")} << 18242 << false;
    QTest::newRow("Outlook: vCard 2.1 with a photo")
        << dataFile("John_Doe_MS_OUTLOOK.vcf") << 1 << 0
        << QStringList{u"Name=Mr. John Richter James Doe Sr."_s,
                       u"NickName=Johny"_s,
                       u"CompanyName=IBM"_s,
                       u"Deptment=Accounting"_s,
                       u"Post=Money Counter"_s,
                       u"Remark^=THIS SOFTWARE IS PROVIDED BY GEORGE EL-HADDAD"_s,
                       u"OfficePhone1=(905) 555-1234"_s,
                       u"Tel3=(905) 666-1234"_s,
                       u"CompanyAddress=United States of America New York Albaney Cresent moon "
                       u"drive 12345"_s,
                       u"Address=United States of America New York New York Silicon Alley 5,"_s,
                       u"ZipCode=12345"_s,
                       u"Web=http://www.ibm.com"_s,
                       u"Birthday=1980-03-22"_s,
                       u"Mail1=john.doe@ibm.cm"_s}
        << QStringList{} << 860 << false;
    QTest::newRow("Outlook 2003: a quoted-printable note, a certificate")
        << dataFile("outlook-2003.vcf") << 1 << 0
        << QStringList{u"Name=John Doe III"_s,
                       u"NickName=Joey"_s,
                       u"CompanyName=Company, The"_s,
                       u"Deptment=TheDepartment"_s,
                       u"Post=The Job Title"_s,
                       u"Remark=This is the note field!!\r\nSecond line\r\n\r\nThird line is "
                       u"empty\r\n"_s,
                       u"OfficePhone1=BusinessPhone"_s,
                       u"Tel3=HomePhone"_s,
                       u"Moblie1=MobilePhone"_s,
                       u"OfficePhone2=BusinessFaxPhone"_s,
                       u"CompanyAddress=United States of America TX Austin 123 Main St TheOffice "
                       u"12345"_s,
                       u"Web=http://web-page-address.com"_s,
                       u"Birthday=1980-03-21"_s,
                       u"Mail1=jdoe@hotmail.com"_s}
        << QStringList{} << 0 << false;
    QTest::newRow("Outlook 2007: a US-ASCII note, the same URL twice, a photo")
        << dataFile("outlook-2007.vcf") << 1 << 0
        << QStringList{u"Name=Mr. Michael Angstadt Jr."_s,
                       u"NickName=Mike"_s,
                       u"CompanyName=TheCompany"_s,
                       u"Deptment=TheDepartment"_s,
                       u"Post=TheJobTitle"_s,
                       u"Remark^=This is the NOTE field\t\r\nI assume"_s,
                       u"OfficePhone1=(111) 555-1111"_s,
                       u"Tel3=(111) 555-2222"_s,
                       u"Moblie1=(111) 555-4444"_s,
                       u"OfficePhone2=(111) 555-3333"_s,
                       u"CompanyAddress=USA NY New York 222 Broadway TheOffice 99999"_s,
                       u"Web=http://mikeangstadt.name"_s,
                       u"Birthday=1922-03-10"_s,
                       u"Mail1=mike.angstadt@gmail.com"_s}
        << QStringList{} << 2324 << false;
    QTest::newRow("Thunderbird: five e-mails, two URLs, a photo")
        << dataFile("thunderbird-MoreFunctionsForAddressBook-extension.vcf") << 1 << 0
        << QStringList{u"Name=John Doe"_s,
                       u"CompanyName=TheOrganization"_s,
                       u"Deptment=TheDepartment"_s,
                       u"NickName=Johnny"_s,
                       u"CompanyAddress=USA NY New York Suite 100 222 Broadway 98765"_s,
                       u"Address=USA TX Austin Apt 10 123 Main St"_s,
                       u"ZipCode=12345"_s,
                       u"OfficePhone1=555-555-1111"_s,
                       u"Tel3=555-555-2222"_s,
                       u"Moblie1=555-555-5555"_s,
                       u"Tel1=555-555-3333"_s,
                       u"Tel2=555-555-4444"_s,
                       u"Mail1=doe.john@hotmail.com"_s,
                       u"Mail2=additional-email@company.com"_s,
                       u"Web=http://www.private-webpage.com"_s,
                       u"Post=TheTitle"_s,
                       u"Birthday=1970-09-21"_s,
                       u"Remark^=This is the notes field.\nSecond Line\n\nFourth Line\nYou can "
                       u"put anything in the \"note\" field; even"_s}
        << QStringList{s(u"邮箱：additional-email1@company.com"),
                       s(u"邮箱：additional-email2@company.com"),
                       s(u"邮箱：additional-email3@company.com"),
                       s(u"网址：http://www.work-webpage.com")}
        << 8940 << false;
    QTest::newRow("FullContact: vCard 4.0, repeated properties, a birthday twice under ALTID")
        << dataFile("fullcontact.vcf") << 1 << 0
        << QStringList{u"Name=Prefix FirstName MiddleName LastName Suffix"_s,
                       u"NickName=NickName"_s,
                       u"Tel3=555-555-1111"_s,
                       u"OfficePhone1=555-555-1112"_s,
                       u"Moblie1=555-555-1113"_s,
                       u"Moblie2=555-555-1114"_s,
                       u"Tel1=555-555-1115"_s,
                       u"Tel2=555-555-1116"_s,
                       u"OfficePhone2=555-555-1117"_s,
                       u"Mail1=home@example.com"_s,
                       u"Mail2=work@example.com"_s,
                       u"CompanyName=Organization1"_s,
                       u"Deptment=Department1"_s,
                       u"Post=Title1"_s,
                       u"Birthday=2016-08-01"_s,
                       u"Remark=Notes line 1\nNotes line 2"_s,
                       u"Web=http://www.homepage.com"_s,
                       u"Address=HomeCountry HomeState HomeCity HomeStreet HomeExtended"_s,
                       u"ZipCode=HomePostal"_s,
                       u"CompanyAddress=WorkCountry WorkState WorkCity WorkStreet WorkExtended "
                       u"WorkPostal"_s}
        << QStringList{s(u"电话：555-555-1118"),
                       s(u"电话：555-555-1119"),
                       s(u"邮箱：school@example.com"),
                       s(u"邮箱：other@example.com"),
                       s(u"邮箱：custom@example.com"),
                       s(u"单位：Organization2 Department2"),
                       s(u"职务：Title2"),
                       s(u"网址：http://www.blog.com"),
                       s(u"网址：http://www.other.com"),
                       s(u"网址：http://www.custom.com"),
                       s(u"地址：OtherCountry OtherState OtherCity OtherStreet OtherExtended "
                         u"OtherPostal"),
                       s(u"地址：CustomCountry CustomState CustomCity CustomStreet CustomExtended "
                         u"CustomPostal")}
        << 0 << false;
    QTest::newRow("RFC 2426 examples: LF line ends, an address folded before a component")
        << dataFile("rfc2426-example.vcf") << 2 << 1
        << QStringList{u"Name=Tim Howes"_s,
                       u"CompanyName=Netscape Communications Corp."_s,
                       u"CompanyAddress=U.S.A. CA Mountain View 501 E. Middlefield Rd. 94043"_s,
                       u"OfficePhone1=+1-415-937-3419"_s,
                       u"OfficePhone2=+1-415-528-4164"_s,
                       u"Mail1=howes@netscape.com"_s}
        << QStringList{} << 0 << false;
}

void tst_VCard::readsFilesOtherProgramsWrote()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, cards);
    QFETCH(int, card);
    QFETCH(QStringList, columns);
    QFETCH(QStringList, leftOver);
    QFETCH(int, photo);
    QFETCH(bool, strayByte);
    const auto read = VCard::parse(bytes);
    QVERIFY2(read.ok(), qPrintable(read.error().description));
    QCOMPARE(read.value().size(), cards);
    const VCardContact& contact = read.value().at(card);
    QStringList filled;
    for (const QString& expected : columns) {
        const qsizetype equals = expected.indexOf(u'=');
        const bool prefix = expected.at(equals - 1) == u'^';
        const QString column = expected.left(prefix ? equals - 1 : equals);
        const QString value = expected.mid(equals + 1);
        filled.append(column);
        if (prefix)
            QVERIFY2(contact.value(column).startsWith(value), qPrintable(contact.value(column)));
        else
            QCOMPARE(contact.value(column), value);
    }
    filled.sort();
    QCOMPARE(contact.columns.keys(), filled);
    QCOMPARE(contact.leftOver, leftOver);
    QCOMPARE(contact.photo.size(), photo < 0 ? 0 : photo);
    QCOMPARE(contact.photoUnreadable, photo < 0);
    QCOMPARE(contact.textDamaged, strayByte);
}

void tst_VCard::refusesDamagedFiles_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("line");
    QTest::newRow("no END") << QByteArray("BEGIN:VCARD\r\nFN:A\r\n") << QStringLiteral("第 2 行");
    QTest::newRow("second BEGIN before END")
        << QByteArray("BEGIN:VCARD\r\nFN:A\r\nBEGIN:VCARD\r\nFN:B\r\nEND:VCARD\r\n")
        << QStringLiteral("第 3 行");
    QTest::newRow("line that is no property")
        << QByteArray("BEGIN:VCARD\r\nFN:A\r\nthis is not a property\r\nEND:VCARD\r\n")
        << QStringLiteral("第 3 行");
    QTest::newRow("text not in its charset")
        << QByteArray("BEGIN:VCARD\r\nFN;CHARSET=GBK:\xFF\xFF\r\nEND:VCARD\r\n")
        << QStringLiteral("第 2 行");
    QTest::newRow("a CSV file") << QByteArray("Name,Tel\r\nA,1\r\n") << QStringLiteral("第 1 行");
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
        {"Name", s(u"欧阳;娜娜, \\ 张")},
        {"Tel1", QStringLiteral("010-1")},
        {"Tel2", QStringLiteral("010-2")},
        {"Tel3", QStringLiteral("010-3")},
        {"Moblie1", QStringLiteral("13800000001")},
        {"Moblie2", QStringLiteral("13800000002")},
        {"Moblie3", QStringLiteral("008613800000003")},
        {"OfficePhone1", QStringLiteral("0755-1")},
        {"OfficePhone2", QStringLiteral("0755-2")},
        {"Mail1", QStringLiteral("a@example.com")},
        {"Mail2", QStringLiteral("b@example.com")},
        {"CompanyName", s(u"瓦德林;科技")},
        {"Deptment", s(u"研发部")},
        {"Post", s(u"工程师")},
        {"Address",
         s(u"北京市海淀区中关村大街1号，这是一个很长的地址，用来让这一行超过七十五个字节而被折行")},
        {"ZipCode", QStringLiteral("100080")},
        {"CompanyAddress", s(u"深圳市南山区")},
        {"Birthday", QStringLiteral("1988-08-08")},
        // Line breaks as the card writes them and as older files hold them.
        {"Remark", s(u"第一行\r\n第二行,带逗号;分号\\反斜杠\n第三行")},
        {"Hobby", s(u"爱好一\r\n爱好二")},
        {"Web", QStringLiteral("https://example.com/?a=1,2")},
        {"NickName", s(u"娜娜,小欧")},
    };
    for (const auto& [column, value] : values) {
        QVERIFY2(isContactColumn(QString::fromLatin1(column)), column);
        contact.columns[QString::fromLatin1(column)] = value;
    }
    contact.photo = pngBytes;
    contact.uid = QStringLiteral("urn:uuid:0d5e3a1c-3b7e-5a59-9a3e-0c8d2f1e4b6a");
    VCardContact second;
    second.columns[QStringLiteral("Name")] = QStringLiteral("Second");

    const QByteArray bytes = VCard::toBytes({contact, second});
    QVERIFY(bytes.startsWith(
        QByteArray("BEGIN:VCARD\r\nVERSION:3.0\r\nUID:" + contact.uid.toLatin1() + "\r\n")));
    // Every card has a UID, one of its own when it was given none.
    QCOMPARE(bytes.count("\r\nUID:"), 2);
    // Other programs read the standard property, with one line break for CR LF.
    QVERIFY(bytes.contains(s(u"NOTE:第一行\\n第二行").toUtf8()));
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

void tst_VCard::survivesEveryCutAndDamagedByte()
{
    VCardContact contact;
    contact.columns[QStringLiteral("Name")] = s(u"张三");
    contact.columns[QStringLiteral("Remark")] = s(u"备注;\n,");
    contact.columns[QStringLiteral("Address")] = s(u"地址");
    contact.photo = pngBytes.left(40);
    const QByteArray good = VCard::write(contact) +
                            "BEGIN:VCARD\r\nVERSION:2.1\r\n"
                            "FN;CHARSET=GBK;ENCODING=QUOTED-PRINTABLE:=D5=C5=\r\n=C8=FD\r\n"
                            "END:VCARD\r\n";
    // Every outcome is a list of cards or an error in words; none may crash or hang.
    const auto check = [](const QByteArray& bytes) {
        const auto cards = VCard::parse(bytes);
        return cards.ok() || !cards.error().description.isEmpty();
    };
    for (qsizetype cut = 0; cut < good.size(); ++cut)
        QVERIFY2(check(good.left(cut)), qPrintable(QString::number(cut)));
    for (qsizetype at = 0; at < good.size(); ++at)
        for (const char damage : {'\0', ':', ';', '=', '\n', '\xFF', ' '}) {
            QByteArray bytes = good;
            bytes[at] = damage;
            QVERIFY2(check(bytes), qPrintable(QString::number(at)));
        }
}

QTEST_GUILESS_MAIN(tst_VCard)
#include "tst_vcard.moc"
