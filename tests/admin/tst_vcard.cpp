// SPDX-License-Identifier: GPL-3.0-or-later
// vCard files from phones and address books read onto the contact's columns, and written back.
#include "admin/VCard.h"

#include "admin/ImportTable.h"
#include "db/ContactFields.h"

#include <QTest>

namespace {

QString s(const char16_t* text)
{
    return QString::fromUtf16(text);
}

const QByteArray pngBytes =
    QByteArray("\x89PNG\r\n\x1A\n\0\0\0\rIHDR", 16) + QByteArray(300, '\xA5');

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
    QCOMPARE(card.value(QStringLiteral("CompanyAddress")), s(u"中国 广东 深圳 科技园1号"));
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
    QCOMPARE(last.leftOver, (QStringList{QStringLiteral("EMAIL:3@x"), QStringLiteral("BDAY:--0412"),
                                         QStringLiteral("TEL:6")}));
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
    QTest::newRow("photo that is not base64")
        << QByteArray("BEGIN:VCARD\r\nFN:A\r\nPHOTO;ENCODING=b:@@@\r\nEND:VCARD\r\n")
        << QStringLiteral("第 3 行");
    QTest::newRow("text not in its charset")
        << QByteArray("BEGIN:VCARD\r\nFN;CHARSET=UTF-8:\xFF\xFE\r\nEND:VCARD\r\n")
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
        {"Remark", s(u"第一行\n第二行,带逗号;分号\\反斜杠")},
        {"Web", QStringLiteral("https://example.com/?a=1,2")},
        {"NickName", s(u"娜娜,小欧")},
    };
    for (const auto& [column, value] : values) {
        QVERIFY2(isContactColumn(QString::fromLatin1(column)), column);
        contact.columns[QString::fromLatin1(column)] = value;
    }
    contact.photo = pngBytes;
    VCardContact second;
    second.columns[QStringLiteral("Name")] = QStringLiteral("Second");

    const QByteArray bytes = VCard::toBytes({contact, second});
    QVERIFY(bytes.startsWith("BEGIN:VCARD\r\nVERSION:3.0\r\n"));
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
