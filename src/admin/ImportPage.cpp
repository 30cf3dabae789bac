// SPDX-License-Identifier: GPL-3.0-or-later
#include "ImportPage.h"

#include "ContactExport.h"
#include "ContactImport.h"
#include "CsvTable.h"
#include "ExportRunner.h"
#include "ImportFileKind.h"
#include "VCard.h"
#include "WorkbookReader.h"

#include "db/Database.h"
#include "db/ListWidths.h"
#include "db/Session.h"
#include "ui/Prompter.h"

#include <QApplication>
#include <QComboBox>
#include <QDate>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTableWidget>
#include <QTreeWidget>

namespace {

template <typename T> T* named(T* widget, const char* objectName)
{
    widget->setObjectName(QString::fromLatin1(objectName));
    return widget;
}

// The grid's columns and where a row keeps its target.
enum MappingColumn { SourceColumn, RelationColumn, TargetColumn };
constexpr int targetRole = Qt::UserRole;
constexpr int aliasIdRole = Qt::UserRole + 1;

// Often enough for the bar to move smoothly, rarely enough to cost nothing measurable.
constexpr qint64 progressIntervalMs = 50;

const QString notice = QStringLiteral("提示！");

// A CSV file's first rows shown as they decode, enough to tell garbled text at a glance.
constexpr int previewRows = 5;
constexpr int previewRowsInSight = 3;

QString encodingCaption(TextDecoding::Encoding encoding)
{
    using TextDecoding::Encoding;
    switch (encoding) {
    case Encoding::Gb18030:
        return QStringLiteral("GB18030（简体中文）");
    case Encoding::Big5:
        return QStringLiteral("Big5（繁体中文）");
    case Encoding::ShiftJis:
        return QStringLiteral("Shift_JIS（日文）");
    case Encoding::Latin1:
        return QStringLiteral("Latin-1（西欧）");
    default:
        return TextDecoding::nameOf(encoding);
    }
}

QString separatorCaption(QChar separator)
{
    if (separator == u';')
        return QStringLiteral("分号");
    if (separator == u'\t')
        return QStringLiteral("制表符");
    return QStringLiteral("逗号");
}

} // namespace

ImportPage::ImportPage(Database& db, const Session& session, Prompter& prompter, QWidget* parent)
    : QWidget(parent)
    , m_db(db)
    , m_session(session)
    , m_prompter(prompter)
    , m_file(named(new QLineEdit(this), "Edit_Files"))
    , m_open(named(new QPushButton(this), "Button_Open"))
    , m_mapping(named(new QTreeWidget(this), "ListData"))
    , m_field(named(new QComboBox(this), "Edit_Field"))
    , m_input(named(new QPushButton(QStringLiteral("导入联系人"), this), "Button_Input"))
    , m_output(named(new QPushButton(QStringLiteral("导出联系人"), this), "Button_Output"))
    , m_bar(named(new QProgressBar(this), "Bar"))
    , m_encodingLabel(new QLabel(QStringLiteral("编码："), this))
    , m_encoding(named(new QComboBox(this), "Combo_Encoding"))
    , m_separatorLabel(new QLabel(QStringLiteral("分隔符："), this))
    , m_separator(named(new QComboBox(this), "Combo_Separator"))
    , m_preview(named(new QTableWidget(this), "List_Preview"))
{
    auto* label = named(new QLabel(QStringLiteral("Excel文件："), this), "Label4");
    // Filled only by the file dialog; grey like every box the user cannot type into.
    m_file->setReadOnly(true);
    QPalette grey = m_file->palette();
    grey.setColor(QPalette::Base, QColor(0xE0, 0xE0, 0xE0));
    m_file->setPalette(grey);
    label->setBuddy(m_file);
    m_open->setText(QStringLiteral("..."));
    m_open->setToolTip(QStringLiteral("打开"));
    m_open->setAccessibleName(QStringLiteral("打开"));
    m_mapping->setAccessibleName(QStringLiteral("字段对应关系"));
    m_mapping->setRootIsDecorated(false);
    m_mapping->setHeaderLabels(
        {QStringLiteral("来源字段"), QStringLiteral("关系"), QStringLiteral("目的字段")});
    m_mapping->header()->setStretchLastSection(false);
    const int dpi = m_mapping->logicalDpiX();
    m_mapping->setColumnWidth(SourceColumn, ListWidths::pixelsFromTwips(1600, dpi));
    m_mapping->setColumnWidth(RelationColumn, ListWidths::pixelsFromTwips(800, dpi));
    m_mapping->setColumnWidth(TargetColumn, ListWidths::pixelsFromTwips(1600, dpi));
    m_field->setAccessibleName(QStringLiteral("来源字段"));
    // Usable once a file's column names are in it.
    m_field->setEnabled(false);
    m_bar->setValue(0);
    // Any guess at a CSV file's encoding can fail: the user sees its first rows and picks.
    for (const TextDecoding::Encoding encoding : TextDecoding::encodings())
        m_encoding->addItem(encodingCaption(encoding), int(encoding));
    for (const QChar separator : CsvTable::separators())
        m_separator->addItem(separatorCaption(separator), QString(separator));
    m_encodingLabel->setBuddy(m_encoding);
    m_separatorLabel->setBuddy(m_separator);
    m_preview->setAccessibleName(QStringLiteral("文件的前几行"));
    m_preview->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_preview->setSelectionMode(QAbstractItemView::NoSelection);
    m_preview->setFocusPolicy(Qt::NoFocus);
    // Compact rows, three in sight (the rest a scroll away), so the mapping grid below keeps
    // its room in the settings window.
    m_preview->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_preview->verticalHeader()->setDefaultSectionSize(m_preview->fontMetrics().height() + 4);
    // The header row is drawn taller than a cell's row: count it as two.
    m_preview->setFixedHeight(m_preview->verticalHeader()->defaultSectionSize() *
                                  (previewRowsInSight + 2) +
                              2 * m_preview->frameWidth());
    showCsvOptions(false);

    auto* csvOptions = new QHBoxLayout;
    csvOptions->addWidget(m_encodingLabel);
    csvOptions->addWidget(m_encoding);
    csvOptions->addSpacing(12);
    csvOptions->addWidget(m_separatorLabel);
    csvOptions->addWidget(m_separator);
    csvOptions->addStretch(1);

    auto* layout = new QGridLayout(this);
    layout->addWidget(label, 0, 0);
    layout->addWidget(m_file, 0, 1, 1, 2);
    layout->addWidget(m_open, 0, 3);
    layout->addLayout(csvOptions, 1, 0, 1, 4);
    layout->addWidget(m_preview, 2, 0, 1, 4);
    layout->addWidget(m_mapping, 3, 0, 1, 4);
    layout->addWidget(m_field, 4, 0, 1, 2);
    layout->addWidget(m_input, 4, 2);
    layout->addWidget(m_output, 4, 3);
    layout->addWidget(m_bar, 5, 0, 1, 4);
    layout->setRowStretch(3, 1);

    connect(m_open, &QPushButton::clicked, this, &ImportPage::Button_Open_Click);
    connect(m_field, &QComboBox::activated, this, &ImportPage::Edit_Field_Click);
    connect(m_input, &QPushButton::clicked, this, &ImportPage::Button_Input_Click);
    connect(m_output, &QPushButton::clicked, this, &ImportPage::Button_Output_Click);
    connect(m_encoding, &QComboBox::activated, this, &ImportPage::Combo_Encoding_Click);
    connect(m_separator, &QComboBox::activated, this, &ImportPage::Combo_Separator_Click);
}

QString ImportPage::fileFilter()
{
    return QStringLiteral("Excel文件(*.xls);;Excel 2007 工作簿 (*.xlsx);;CSV 文件 (*.csv);;"
                          "vCard 文件 (*.vcf)");
}

Status ImportPage::InputData()
{
    auto targets = ImportMapping::targets(m_db);
    if (!targets)
        return targets.error();
    m_mapping->clear();
    for (const ImportTarget& target : targets.value()) {
        auto* row = new QTreeWidgetItem(m_mapping);
        row->setText(RelationColumn, QStringLiteral("-->"));
        row->setText(TargetColumn, target.alias);
        row->setData(TargetColumn, targetRole, target.column);
        row->setData(TargetColumn, aliasIdRole, target.aliasId);
    }
    return {};
}

void ImportPage::Button_Open_Click()
{
    const QString path = m_prompter.openFileName(this, QStringLiteral("\"打开\""), fileFilter());
    if (path.isEmpty())
        return;
    const ImportFileKind kind = importFileKind(path);
    if (const auto refused = unreadableKindNotice(kind)) {
        m_prompter.message(this, *refused, notice, Prompter::Icon::Exclamation);
        return;
    }
    m_file->setText(path);
    m_fileFieldsFrom = m_field->count();
    showCsvOptions(kind == ImportFileKind::Csv);
    if (kind == ImportFileKind::Csv) {
        m_csvFormat = {};
        readCsv();
        return;
    }
    if (kind == ImportFileKind::VCard) {
        // A card's values already name the contact's columns: there is nothing to link.
        if (auto cards = VCard::readFile(path); !cards)
            m_prompter.showError(this, cards.error());
        return;
    }
    setBusy(true);
    auto table = readTable(path);
    setBusy(false);
    if (!table) {
        m_prompter.showError(this, table.error());
        return;
    }
    m_field->addItems(table.value().columns);
    m_field->setEnabled(true);
}

void ImportPage::readCsv()
{
    setBusy(true);
    auto reading = CsvTable::readPath(m_file->text(), m_csvFormat);
    setBusy(false);
    if (!reading) {
        // What an earlier reading showed is not what the import would take.
        replaceFileFields({});
        showPreview({});
        m_prompter.showError(this, reading.error());
        return;
    }
    showCsvReading(reading.value());
}

void ImportPage::Combo_Encoding_Click(int index)
{
    m_csvFormat.encoding = TextDecoding::Encoding(m_encoding->itemData(index).toInt());
    readCsv();
}

void ImportPage::Combo_Separator_Click(int index)
{
    m_csvFormat.separator = m_separator->itemData(index).toString().front();
    readCsv();
}

void ImportPage::showCsvOptions(bool shown)
{
    for (QWidget* option : std::initializer_list<QWidget*>{
             m_encodingLabel, m_encoding, m_separatorLabel, m_separator, m_preview})
        option->setVisible(shown);
}

void ImportPage::showCsvReading(const CsvTable::Reading& reading)
{
    m_encoding->setCurrentIndex(m_encoding->findData(int(reading.encoding)));
    m_separator->setCurrentIndex(m_separator->findData(QString(reading.separator)));
    replaceFileFields(reading.table.columns);
    showPreview(reading.table);
}

void ImportPage::replaceFileFields(const QStringList& columns)
{
    while (m_field->count() > m_fileFieldsFrom)
        m_field->removeItem(m_field->count() - 1);
    m_field->addItems(columns);
    m_field->setEnabled(m_field->count() > 0);
}

void ImportPage::showPreview(const ImportTable& table)
{
    const qsizetype rows = std::min<qsizetype>(table.rows.size(), previewRows);
    m_preview->clear();
    m_preview->setColumnCount(int(table.columns.size()));
    m_preview->setRowCount(int(rows));
    m_preview->setHorizontalHeaderLabels(table.columns);
    for (qsizetype row = 0; row < rows; ++row)
        for (qsizetype column = 0; column < table.columns.size(); ++column)
            m_preview->setItem(int(row), int(column),
                               new QTableWidgetItem(table.rows[row][column]));
}

Result<ImportTable> ImportPage::readTable(const QString& path)
{
    if (importFileKind(path) != ImportFileKind::Workbook)
        return CsvTable::readFile(path, m_csvFormat);
    // The helper parses a workbook whole even for its column names, so the reading made when it
    // was chosen serves the import as long as the file is unchanged.
    const QFileInfo file(path);
    if (m_workbook && m_workbook->path == path && m_workbook->modified == file.lastModified() &&
        m_workbook->size == file.size())
        return m_workbook->table;
    m_workbook.reset();
    WorkbookReader::Options options;
    // Paint, but take no clicks or keys while the reader runs.
    options.waiting = [] {
        QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    };
    auto table = WorkbookReader::readFile(path, options);
    if (table)
        m_workbook = ReadWorkbook{path, file.lastModified(), file.size(), table.value()};
    return table;
}

void ImportPage::Edit_Field_Click(int index)
{
    QTreeWidgetItem* row = m_mapping->currentItem();
    if (!row || !row->isSelected()) {
        m_prompter.message(this, QStringLiteral("请选择一个目标行！"), notice,
                           Prompter::Icon::Information);
        return;
    }
    row->setText(SourceColumn, m_field->itemText(index));
}

QList<ImportLink> ImportPage::links() const
{
    QList<ImportLink> linked;
    for (int i = 0; i < m_mapping->topLevelItemCount(); ++i) {
        const QTreeWidgetItem* row = m_mapping->topLevelItem(i);
        if (!row->text(SourceColumn).isEmpty())
            linked.append(
                {row->data(TargetColumn, targetRole).toString(), row->text(SourceColumn)});
    }
    return linked;
}

void ImportPage::Button_Input_Click()
{
    const QString path = m_file->text();
    if (path.isEmpty()) {
        m_prompter.message(this, QStringLiteral("请选择需要导入的Excel文件！"), notice,
                           Prompter::Icon::Exclamation);
        return;
    }
    if (importFileKind(path) != ImportFileKind::VCard && links().isEmpty()) {
        m_prompter.message(this, QStringLiteral("没有关联来源字段！"), notice,
                           Prompter::Icon::Exclamation);
        return;
    }
    setBusy(true);
    importFile(path);
    setBusy(false);
}

void ImportPage::importFile(const QString& path)
{
    const ContactImport::Owner owner{m_session.currentUserId, QDate::currentDate()};
    QElapsedTimer sinceShown;
    sinceShown.start();
    const ContactImport::Progress progress = [&](qsizetype done, qsizetype total) {
        if (done < total && sinceShown.elapsed() < progressIntervalMs)
            return;
        sinceShown.restart();
        showProgress(done, total);
    };

    Result<qsizetype> added = DbError{};
    // What the closing message must add: values moved into remarks, photos that were lost.
    QString notes;
    if (importFileKind(path) == ImportFileKind::VCard) {
        auto cards = VCard::readFile(path);
        added = cards ? ContactImport::importCards(m_db, cards.value(), owner, progress)
                      : Result<qsizetype>(cards.error());
        if (cards)
            notes = ContactImport::cardsNotice(cards.value());
    } else {
        auto table = readTable(path);
        added = table ? ContactImport::importTable(m_db, table.value(), links(), owner, progress)
                      : Result<qsizetype>(table.error());
    }
    if (!added) {
        m_bar->setValue(0);
        m_prompter.showError(this, added.error());
        return;
    }
    if (added.value() > 0)
        emit imported();
    const QString done = QStringLiteral("导入联系人完成！");
    m_prompter.message(this, notes.isEmpty() ? done : done + u'\n' + notes, notice,
                       Prompter::Icon::Information);
    m_bar->setValue(0);
}

void ImportPage::Button_Output_Click()
{
    const QString path =
        m_prompter.saveFileName(this, QStringLiteral("导出联系人"), QStringLiteral("联系人.xlsx"),
                                ContactExport::fileFilter());
    if (path.isEmpty())
        return;
    const auto format = ContactExport::formatOf(path);
    if (!format) {
        m_prompter.message(this,
                           QStringLiteral("请选择导出的文件类型：Excel工作簿（*.xlsx）、"
                                          "CSV文件（*.csv）或vCard文件（*.vcf）。"),
                           notice, Prompter::Icon::Exclamation);
        return;
    }
    setBusy(true);
    const auto written =
        ExportRunner::run(m_db.path(), m_session.currentUserId, path, *format, *m_bar);
    setBusy(false);
    if (!written) {
        m_prompter.showError(this, written.error());
        return;
    }
    m_prompter.message(this, QStringLiteral("导出联系人完成！"), notice,
                       Prompter::Icon::Information);
}

void ImportPage::showProgress(qsizetype done, qsizetype total)
{
    // QProgressBar counts in int; a file of more rows than that is shown in proportion.
    constexpr qsizetype barMaximum = 1'000'000;
    const qsizetype maximum = std::min(total, barMaximum);
    m_bar->setMaximum(int(maximum));
    m_bar->setValue(int(total > barMaximum ? done * barMaximum / total : done));
    // Paint the bar, but take no clicks or keys: the import must finish before anything else.
    QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void ImportPage::setBusy(bool busy)
{
    m_busy = busy;
    for (QWidget* control : std::initializer_list<QWidget*>{m_open, m_mapping, m_input, m_output,
                                                            m_encoding, m_separator})
        control->setEnabled(!busy);
    m_field->setEnabled(!busy && m_field->count() > 0);
}
