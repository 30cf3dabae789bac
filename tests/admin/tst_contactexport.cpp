// SPDX-License-Identifier: GPL-3.0-or-later
// Contacts exported to each format and read back by the import's readers without losing a field;
// who sees what, and a failed write that leaves no file.
#include "TestDatabase.h"

#include "admin/ContactExport.h"
#include "admin/ContactImport.h"
#include "admin/CsvTable.h"
#include "admin/ImportMapping.h"
#include "admin/VCard.h"
#include "admin/WorkbookReader.h"
#include "db/PictureBag.h"
#include "db/BookIdentity.h"
#include "db/ContactFields.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTest>

#include <unistd.h>

using namespace Qt::StringLiterals;
using ContactExport::Format;

namespace {

bool isFillable(const ContactField& field)
{
    return field.kind == ContactField::Kind::Text || field.kind == ContactField::Kind::Date;
}

// A value for every field, each different, with a quote, a comma, a line break and Chinese.
QVariantMap everyField()
{
    QVariantMap fields{{u"UID"_s, 1}, {u"TID"_s, 1}};
    int n = 0;
    for (const ContactField& field : ContactFields::all) {
        if (!isFillable(field))
            continue;
        ++n;
        fields.insert(QString(field.name),
                      field.kind == ContactField::Kind::Date
                          ? QVariant(u"2001-02-%1"_s.arg(n % 28 + 1, 2, 10, QLatin1Char('0')))
                          : QVariant(u"王\"小%1\", 第一行\n第二行;\\"_s.arg(n)));
    }
    fields[u"Name"_s] = u"王\"小二\", 行一\n行二"_s;
    fields[u"Py"_s] = u"W"_s;
    return fields;
}

QString valueOf(TestDatabase& data, qint64 id, const QString& column)
{
    return data.scalar(u"SELECT %1 FROM Vardelin_Contact WHERE ID = ?"_s.arg(column), {id})
        .toString();
}

// Every field the import fills, compared between two contacts.
void compareFillable(TestDatabase& from, qint64 fromId, TestDatabase& to, qint64 toId)
{
    for (const ContactField& field : ContactFields::all) {
        if (!isFillable(field))
            continue;
        const QString column(field.name);
        QVERIFY2(valueOf(to, toId, column) == valueOf(from, fromId, column), qPrintable(column));
    }
}

} // namespace

class tst_ContactExport : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void everyFieldRoundTripsThroughATable_data();
    void everyFieldRoundTripsThroughATable();
    void everyFieldAndThePhotoRoundTripThroughVCard();
    void theWorkbookHoldsEveryFieldUnderItsCaption();
    void aNonAdministratorExportsOnlyTheirOwnContacts();
    void anUnwritableFolderGivesAnErrorAndNoFile();
    void aFailureHalfwayLeavesTheOldFileAsItWas();

private:
    Result<qsizetype> exportTo(const QString& path, Format format, qint64 user = 1)
    {
        return ContactExport::writeFile(m_data->db(), user, path, format);
    }

    std::unique_ptr<TestDatabase> m_data;
    std::unique_ptr<TestDatabase> m_into;
    qint64 m_id = 0;
};

void tst_ContactExport::init()
{
    m_data = std::make_unique<TestDatabase>();
    m_into = std::make_unique<TestDatabase>();
    QVERIFY(m_data->ok() && m_into->ok());
    m_id = m_data->addContact(everyField());
}

void tst_ContactExport::cleanup()
{
    m_data.reset();
    m_into.reset();
}

// Linked as a user links them: every grid target to the file column of its caption.
static void importLinkedByCaption(TestDatabase& into, const ImportTable& table)
{
    auto targets = ImportMapping::targets(into.db());
    QVERIFY(targets.ok());
    QList<ImportLink> links;
    for (const ImportTarget& target : targets.value())
        links.append({target.column, target.alias});
    auto added = ContactImport::importTable(into.db(), table, links, {1, {}});
    QVERIFY2(added.ok(), qPrintable(added.error().description));
}

void tst_ContactExport::everyFieldRoundTripsThroughATable_data()
{
    QTest::addColumn<int>("format");
    QTest::addColumn<QString>("name");
    QTest::newRow("CSV, with a BOM") << int(Format::Csv) << u"out.csv"_s;
    QTest::newRow("workbook") << int(Format::Xlsx) << u"out.xlsx"_s;
}

void tst_ContactExport::everyFieldRoundTripsThroughATable()
{
    QFETCH(int, format);
    QFETCH(QString, name);
    m_data->addContact({{u"Name"_s, u"李四"_s}});
    const QString path = m_data->folder() + u'/' + name;
    auto written = exportTo(path, Format(format));
    QVERIFY2(written.ok(), qPrintable(written.error().description));
    QCOMPARE(written.value(), qsizetype(2));
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.read(3) == "\xEF\xBB\xBF", Format(format) == Format::Csv);
    auto table =
        Format(format) == Format::Csv ? CsvTable::readFile(path) : WorkbookReader::readFile(path);
    QVERIFY2(table.ok(), qPrintable(table.error().description));
    QCOMPARE(table.value().rows.size(), 2);
    QVERIFY(table.value().columns.contains(u"手机1"_s));
    QVERIFY(!table.value().columns.contains(u"Photo"_s));
    importLinkedByCaption(*m_into, table.value());
    compareFillable(*m_data, m_id, *m_into, 1);
}

void tst_ContactExport::everyFieldAndThePhotoRoundTripThroughVCard()
{
    const QByteArray jpeg("\xFF\xD8\xFF\xE0 not really a picture \x00\x01\xFF", 27);
    // Line breaks as older files store them, beside the card's own.
    m_data->run(u"UPDATE Vardelin_Contact SET Photo = ?, Remark = ?, Hobby = ? WHERE ID = ?"_s,
                {PictureBag::ofPicture(jpeg), u"第一行\r\n第二行\n第三行"_s, u"甲\r\n乙"_s, m_id});
    const QString path = m_data->folder() + u"/out.vcf"_s;
    auto written = exportTo(path, Format::VCard);
    QVERIFY2(written.ok(), qPrintable(written.error().description));

    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray text = file.readAll();
    QVERIFY(text.contains("VERSION:3.0\r\n"));
    QVERIFY(text.contains("PHOTO;ENCODING=b;TYPE=JPEG:"));
    // A UID of the book and the contact: the same at the next export, another in another book.
    const auto book = BookIdentity::read(m_data->db());
    QVERIFY(book.ok());
    const QString uid = BookIdentity::contactUid(book.value(), m_id);
    QVERIFY(uid.startsWith(u"urn:uuid:"_s));
    QVERIFY(text.contains(QByteArray("\r\nUID:" + uid.toLatin1() + "\r\n")));
    QVERIFY(exportTo(path, Format::VCard).ok());
    QFile again(path);
    QVERIFY(again.open(QIODevice::ReadOnly) && again.readAll() == text);
    const auto otherBook = BookIdentity::read(m_into->db());
    QVERIFY(otherBook.ok());
    QVERIFY(BookIdentity::contactUid(otherBook.value(), m_id) != uid);
    QVERIFY(BookIdentity::contactUid(book.value(), m_id + 1) != uid);
    auto cards = VCard::readFile(path);
    QVERIFY2(cards.ok(), qPrintable(cards.error().description));
    QCOMPARE(cards.value().size(), 1);
    QVERIFY(cards.value().front().leftOver.isEmpty());
    auto added = ContactImport::importCards(m_into->db(), cards.value(), {1, {}});
    QVERIFY2(added.ok(), qPrintable(added.error().description));
    compareFillable(*m_data, m_id, *m_into, 1);
    const auto photo = PictureBag::pictureOf(
        m_into->scalar(u"SELECT Photo FROM Vardelin_Contact WHERE ID = 1"_s).toByteArray());
    QVERIFY(photo);
    QCOMPARE(*photo, jpeg);
}

void tst_ContactExport::theWorkbookHoldsEveryFieldUnderItsCaption()
{
    const QString python = u"/usr/bin/python3"_s;
    if (QProcess::execute(python, {u"-c"_s, u"import openpyxl"_s}) != 0)
        QSKIP("python3-openpyxl is not installed (scripts/setup.sh installs it)");
    const QString path = m_data->folder() + u"/out.xlsx"_s;
    auto written = exportTo(path, Format::Xlsx);
    QVERIFY2(written.ok(), qPrintable(written.error().description));

    QProcess reader;
    reader.start(python, {u"-c"_s,
                          u"import json, sys, openpyxl\n"
                          u"sheet = openpyxl.load_workbook(sys.argv[1])['Sheet1']\n"
                          u"rows = [[c if c is not None else '' for c in r]\n"
                          u"        for r in sheet.iter_rows(values_only=True)]\n"
                          u"print(json.dumps(rows))\n"_s,
                          path});
    QVERIFY(reader.waitForFinished(30000));
    QVERIFY2(reader.exitCode() == 0, reader.readAllStandardError().constData());
    const QJsonArray rows = QJsonDocument::fromJson(reader.readAllStandardOutput()).array();
    QCOMPARE(rows.size(), 2);
    const QJsonArray header = rows[0].toArray();
    const QJsonArray cells = rows[1].toArray();

    auto columns = ContactExport::tabularColumns(m_data->db());
    QVERIFY(columns.ok());
    QCOMPARE(header.size(), columns.value().size());
    for (qsizetype i = 0; i < header.size(); ++i) {
        const ContactExport::Column& column = columns.value()[i];
        QCOMPARE(header[i].toString(), column.caption);
        QCOMPARE(cells[i].toString(), valueOf(*m_data, m_id, column.name));
    }
}

void tst_ContactExport::aNonAdministratorExportsOnlyTheirOwnContacts()
{
    m_data->addContact({{u"Name"_s, u"甲"_s}, {u"UID"_s, 2}});
    m_data->addContact({{u"Name"_s, u"乙"_s}, {u"UID"_s, 2}});
    const QString path = m_data->folder() + u"/mine.csv"_s;
    auto written = exportTo(path, Format::Csv, 2);
    QVERIFY(written.ok());
    QCOMPARE(written.value(), qsizetype(2));
    auto table = CsvTable::readFile(path);
    QVERIFY(table.ok());
    const qsizetype name = table.value().columnOf(u"姓名"_s);
    QCOMPARE(table.value().rows.size(), 2);
    QCOMPARE(table.value().rows[0][name], u"甲"_s);
    QCOMPARE(table.value().rows[1][name], u"乙"_s);
}

void tst_ContactExport::anUnwritableFolderGivesAnErrorAndNoFile()
{
    // Root writes into any folder, so there the "folder" is a plain file.
    QString folder = m_data->folder() + u"/locked"_s;
    if (geteuid() == 0) {
        QFile plain(folder);
        QVERIFY(plain.open(QIODevice::WriteOnly));
    } else {
        QVERIFY(QDir().mkdir(folder));
        QVERIFY(QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner));
    }
    for (const Format format : {Format::Xlsx, Format::Csv, Format::VCard}) {
        const QString path = folder + u"/out.file"_s;
        auto written = exportTo(path, format);
        QVERIFY(!written.ok());
        QVERIFY(written.error().number != 0);
        QVERIFY(!QFile::exists(path));
    }
}

void tst_ContactExport::aFailureHalfwayLeavesTheOldFileAsItWas()
{
    const QString path = m_data->folder() + u"/old.xlsx"_s;
    {
        QFile old(path);
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("the old file");
    }
    // The second contact's remark does not fit a workbook's cell.
    m_data->addContact({{u"Name"_s, u"长"_s}, {u"Remark"_s, QString(40000, u'字')}});
    auto written = exportTo(path, Format::Xlsx);
    QVERIFY(!written.ok());
    QVERIFY(written.error().description.contains(u"32767"_s));
    QFile old(path);
    QVERIFY(old.open(QIODevice::ReadOnly));
    QCOMPARE(old.readAll(), QByteArray("the old file"));
    // Nor does the half-written file stay behind beside it.
    QCOMPARE(QDir(m_data->folder()).entryList({u"old.xlsx*"_s}, QDir::Files | QDir::Hidden),
             QStringList{u"old.xlsx"_s});
}

QTEST_GUILESS_MAIN(tst_ContactExport)
#include "tst_contactexport.moc"
