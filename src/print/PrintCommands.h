// SPDX-License-Identifier: GPL-3.0-or-later
// "打印": the ticked contacts, or every listed one, printed after a preview or written to PDF.
#pragma once

#include "PrintPages.h"

#include <QObject>

class ContactListView;
class Database;
class Prompter;
class QPagedPaintDevice;
class QWidget;

class PrintCommands : public QObject {
    Q_OBJECT

public:
    // window is the parent of every prompt and dialog.
    PrintCommands(Database& db, Prompter& prompter, ContactListView* list, QWidget* window);

    // Asks what to print, then previews it (printing from the preview) or exports it to PDF.
    void print();

private:
    struct Job {
        PrintOptions options;
        PrintTable table;
        std::vector<PrintContact> contacts;
    };
    // The ticked rows in list order, or all rows when none is ticked.
    std::vector<int> chosenRows() const;
    PrintTable tableOf(const std::vector<int>& rows) const;
    // The job's table (a list) or its contacts read whole; false when the read failed (shown).
    bool prepare(Job& job, const std::vector<int>& rows);
    // Draws job on device with a progress dialog; false when cancelled.
    bool drawWithProgress(QPagedPaintDevice& device, const Job& job);
    void preview(const Job& job);
    bool exportPdf(const Job& job);
    void tellGaps(const Job& job);

    Database& m_db;
    Prompter& m_prompter;
    ContactListView* m_list;
    QWidget* m_window;
};
