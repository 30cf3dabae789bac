// SPDX-License-Identifier: GPL-3.0-or-later
// Contacts exported to each format and read back by the import's readers without losing a field;
// who sees what, and a failed write that leaves no file.
#include "TestDatabase.h"
#include "TestFiles.h"

#include "admin/ContactExport.h"
#include "admin/ContactImport.h"
#include "admin/CsvTable.h"
#include "admin/ImportMapping.h"
#include "admin/LibXlsxWriter.h"
#include "admin/VCard.h"
#include "admin/WorkbookReader.h"
#include "admin/XlsxExport.h"
#include "db/BookIdentity.h"
#include "db/ContactFields.h"
#include "db/PictureBag.h"

#include <QDir>
#include <QFile>
#include <QTest>

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
    for (const ContactField& field : ContactFields::all)
        if (isFillable(field))
            fields.insert(QString(field.name), field.kind == ContactField::Kind::Date
                                                   ? u"2001-02-%1"_s.arg(++n % 18 + 10)
                                                   : u"王\"小%1\", 第一行\n第二行;\\"_s.arg(++n));
    fields[u"Py"_s] = u"W"_s;
    return fields;
}

const QByteArray jpeg("\xFF\xD8\xFF\xE0 not really a picture \x00\x01\xFF", 27);

} // namespace

class tst_ContactExport : public QObject {
    Q_OBJECT

private:
    Result<qsizetype> exportTo(const QString& name, Format format, qint64 user = 1)
    {
        return ContactExport::writeFile(m_data->db(), user, m_data->folder() + u'/' + name, format);
    }
    // Every field the import fills, compared with the contact imported first into m_into.
    void compareFillable()
    {
        for (const ContactField& field : ContactFields::all) {
            const auto sql = u"SELECT %1 FROM Vardelin_Contact WHERE ID = ?"_s.arg(field.name);
            if (isFillable(field))
                QVERIFY2(m_data->scalar(sql, {m_id}) == m_into->scalar(sql, {1}),
                         field.name.data());
        }
    }

    std::unique_ptr<TestDatabase> m_data;
    std::unique_ptr<TestDatabase> m_into;
    qint64 m_id = 0;

private slots:
    void init()
    {
        m_data = std::make_unique<TestDatabase>(TestDatabase::backendOfRow());
        m_into = std::make_unique<TestDatabase>(TestDatabase::backendOfRow());
        QVERIFY2(m_data->ok() && m_into->ok(), qPrintable(m_data->error() + m_into->error()));
        m_id = m_data->addContact(everyField());
        // Line breaks as older files store them, beside the card's own.
        m_data->run(
            u"UPDATE Vardelin_Contact SET Photo = ?, Remark = ?, Hobby = ? WHERE ID = ?"_s,
            {PictureBag::ofPicture(jpeg), u"第一行\r\n第二行\n第三行"_s, u"甲\r\n乙"_s, m_id});
        m_data->addContact({{u"Name"_s, u"李四"_s}, {u"UID"_s, 2}});
    }

    void everyFieldRoundTrips_data()
    {
        QTest::addColumn<Format>("format");
        QTest::addColumn<QString>("name");
        QTest::newRow("CSV") << Format::Csv << u"out.csv"_s;
        QTest::newRow("workbook") << Format::Xlsx << u"out.xlsx"_s;
        QTest::newRow("vCard") << Format::VCard << u"out.vcf"_s;
        QTest::newRow("server: workbook") << Format::Xlsx << u"out.xlsx"_s;
        QTest::newRow("server: vCard") << Format::VCard << u"out.vcf"_s;
    }

    // Exported by the administrator (every contact) and read back: a table linked as a user links
    // it (every grid target to the file column of its caption), cards as they are, the photo with
    // them.
    void everyFieldRoundTrips()
    {
        QFETCH(Format, format);
        QFETCH(QString, name);
        const QString path = m_data->folder() + u'/' + name;
        auto written = exportTo(name, format);
        QVERIFY2(written.ok(), qPrintable(written.error().description));
        QCOMPARE(written.value(), 2);
        const QByteArray bytes = TestFiles::read(path);
        QCOMPARE(bytes.startsWith("\xEF\xBB\xBF"), format == Format::Csv);
        Result<qsizetype> added = DbError{};
        if (format == Format::VCard) {
            auto cards = VCard::parse(bytes);
            QVERIFY2(cards.ok(), qPrintable(cards.error().description));
            QVERIFY(cards.value().front().leftOver.isEmpty());
            added = ContactImport::importCards(m_into->db(), cards.value(), {1, {}});
        } else {
            auto table =
                format == Format::Csv ? CsvTable::readFile(path) : WorkbookReader::readFile(path);
            QVERIFY2(table.ok(), qPrintable(table.error().description));
            QVERIFY(!table.value().columns.contains(u"Photo"_s));
            const auto targets = ImportMapping::targets(m_into->db());
            QList<ImportLink> links;
            for (const ImportTarget& target : targets.value())
                links.append({target.column, target.alias});
            added = ContactImport::importTable(m_into->db(), table.value(), links, {1, {}});
        }
        QVERIFY2(added.ok(), qPrintable(added.error().description));
        QCOMPARE(added.value(), 2);
        compareFillable();
        const auto photo = PictureBag::pictureOf(
            m_into->scalar(u"SELECT Photo FROM Vardelin_Contact WHERE ID = 1"_s).toByteArray());
        QCOMPARE(photo.value_or(QByteArray()), format == Format::VCard ? jpeg : QByteArray());
        // Any other account exports only its own contacts.
        QCOMPARE(exportTo(name, format, 2).value(), 1);
    }

    // A card's UID is of the book and the contact: the same at the next export, another in another
    // book.
    void aCardsUidIsOfTheBookAndTheContact()
    {
        QVERIFY(exportTo(u"out.vcf"_s, Format::VCard).ok());
        const QByteArray text = TestFiles::read(m_data->folder() + u"/out.vcf"_s);
        QVERIFY(text.contains("PHOTO;ENCODING=b;TYPE=JPEG:"));
        const QString uid =
            BookIdentity::contactUid(BookIdentity::read(m_data->db()).value(), m_id);
        QVERIFY(text.contains(QByteArray("\r\nUID:" + uid.toLatin1() + "\r\n")));
        QVERIFY(exportTo(u"out.vcf"_s, Format::VCard).ok());
        QCOMPARE(TestFiles::read(m_data->folder() + u"/out.vcf"_s), text);
        QVERIFY(BookIdentity::contactUid(BookIdentity::read(m_into->db()).value(), m_id) != uid);
    }

    void aFailedWriteLeavesNoFileAndTheOldOneAsItWas()
    {
        // A plain file where the folder should be: no account, root included, can write there.
        TestFiles::write(m_data->folder() + u"/plain"_s, {});
        for (const Format format : {Format::Xlsx, Format::Csv, Format::VCard})
            QVERIFY(exportTo(u"plain/out.file"_s, format).error().number != 0);
        // The workbook's file is made only at its end: the library's refusal then is told in
        // its own words.
        XlsxExport direct;
        QVERIFY(direct.open(m_data->folder() + u"/plain/direct.xlsx"_s));
        QVERIFY(direct.writeRow(QStringList{u"姓名"_s}));
        const Status finished = direct.finish();
        QCOMPARE(finished.error().number, ImportErrorCode::CannotWrite);
        QVERIFY2(finished.error().description.contains(u"direct.xlsx”：不能完成工作簿（"_s),
                 qPrintable(finished.error().description));
        const QString path = TestFiles::write(m_data->folder() + u"/old.xlsx"_s, "the old file");
        // The third contact's remark does not fit a workbook's cell.
        m_data->addContact({{u"Name"_s, u"长"_s}, {u"Remark"_s, QString(40000, u'字')}});
        auto written = exportTo(u"old.xlsx"_s, Format::Xlsx);
        QVERIFY(!written.ok() && written.error().description.contains(u"32767"_s));
        QCOMPARE(TestFiles::read(path), QByteArray("the old file"));
        // Nor does the half-written file stay behind beside it.
        QCOMPARE(QDir(m_data->folder()).entryList({u"old.xlsx*"_s}, QDir::Files | QDir::Hidden),
                 QStringList{u"old.xlsx"_s});
    }

    // The workbook's library is loaded on the export's first use, all of its entry points or
    // none; without them the export says what is missing and writes nothing.
    void theWorkbookLibraryLoadsWholeOrNotAtAll_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("version");
        QTest::addColumn<bool>("loaded");
        QTest::newRow("the installed libxlsxwriter") << u"xlsxwriter"_s << 4 << true;
        QTest::newRow("no such library") << u"vardelin-no-such-library"_s << 4 << false;
        QTest::newRow("another library in its place") << u"pq"_s << 5 << false;
    }
    void theWorkbookLibraryLoadsWholeOrNotAtAll()
    {
        QFETCH(QString, name);
        QFETCH(int, version);
        QFETCH(bool, loaded);
        QCOMPARE(LibXlsxWriter::load(name, version).has_value(), loaded);
        if (loaded)
            return;
        XlsxExport workbook(nullptr);
        const QString path = m_data->folder() + u"/out.xlsx"_s;
        const Status opened = workbook.open(path);
        QVERIFY(!opened && opened.error().description.contains(u"libxlsxwriter.so.4"_s));
        QVERIFY(!QFile::exists(path));
    }
};

QTEST_GUILESS_MAIN(tst_ContactExport)
#include "tst_contactexport.moc"
