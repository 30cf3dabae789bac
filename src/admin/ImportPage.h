// SPDX-License-Identifier: GPL-3.0-or-later
// Page "导入导出" of the settings window: a workbook, CSV or vCard file imported as new
// contacts, and the contacts the user sees exported.
#pragma once

#include "admin/CsvTable.h"
#include "admin/ImportMapping.h"
#include "admin/ImportTable.h"
#include "db/Result.h"

#include <QDateTime>
#include <QList>
#include <QWidget>

#include <optional>

class Database;
class Prompter;
class QComboBox;
class QLineEdit;
class QLabel;
class QProgressBar;
class QPushButton;
class QTableWidget;
class QTreeWidget;
struct Session;

class ImportPage : public QWidget {
    Q_OBJECT

public:
    ImportPage(Database& db, const Session& session, Prompter& prompter, QWidget* parent = nullptr);

    // Fills the mapping grid with the list columns a file column can be linked to.
    Status InputData();

    // The file filter of the open dialog, every kind the page offers in order.
    static QString fileFilter();

    // True while a file is read, imported or exported; the window must not close under it.
    bool busy() const { return m_busy; }

signals:
    // Contacts were added; the main list must be rebuilt however the window closes.
    void imported();

private:
    void Button_Open_Click();
    void Edit_Field_Click(int index);
    void Button_Input_Click();
    void importFile(const QString& path);
    // A CSV file (in the encoding and separator chosen or detected) or a workbook's sheet; a
    // workbook is read by its helper program.
    Result<ImportTable> readTable(const QString& path);
    // Reads the chosen CSV file again as m_csvFormat says, and shows its columns and first rows.
    void readCsv();
    void Combo_Encoding_Click(int index);
    void Combo_Separator_Click(int index);
    void showCsvOptions(bool shown);
    void showCsvReading(const CsvTable::Reading& reading);
    // Puts the chosen file's column names in Edit_Field in place of its earlier reading's.
    void replaceFileFields(const QStringList& columns);
    void showPreview(const ImportTable& table);
    void Button_Output_Click();
    QList<ImportLink> links() const;
    void showProgress(qsizetype done, qsizetype total);
    void setBusy(bool busy);

    Database& m_db;
    const Session& m_session;
    Prompter& m_prompter;

    QLineEdit* m_file;
    QPushButton* m_open;
    QTreeWidget* m_mapping;
    QComboBox* m_field;
    QPushButton* m_input;
    QPushButton* m_output;
    QProgressBar* m_bar;
    QLabel* m_encodingLabel;
    QComboBox* m_encoding;
    QLabel* m_separatorLabel;
    QComboBox* m_separator;
    QTableWidget* m_preview;
    bool m_busy = false;

    // Where the chosen file's column names start in Edit_Field (earlier files' stay before).
    int m_fileFieldsFrom = 0;
    // What the user chose for the CSV file; the rest is detected at every reading.
    CsvTable::Format m_csvFormat;

    // The last workbook read, and the file's state then.
    struct ReadWorkbook {
        QString path;
        QDateTime modified;
        qint64 size = 0;
        ImportTable table;
    };
    std::optional<ReadWorkbook> m_workbook;
};
