// SPDX-License-Identifier: GPL-3.0-or-later
#include "PrintCommands.h"

#include "frmPrint.h"

#include "contacts/ContactListView.h"
#include "db/Database.h"
#include "ui/Prompter.h"

#include <QCoreApplication>
#include <QPdfWriter>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QProgressDialog>
#include <QSaveFile>

#include <unordered_set>

namespace {

const QString notice = QStringLiteral("提示！");

} // namespace

PrintCommands::PrintCommands(Database& db, Prompter& prompter, ContactListView* list,
                             QWidget* window)
    : QObject(window)
    , m_db(db)
    , m_prompter(prompter)
    , m_list(list)
    , m_window(window)
{
}

std::vector<int> PrintCommands::chosenRows() const
{
    const ContactTableModel* model = m_list->contacts();
    const std::vector<qint64> ticked = model->checkedIds();
    const std::unordered_set<qint64> tickedIds(ticked.begin(), ticked.end());
    std::vector<int> rows;
    for (int row = 0; row < model->rowCount(); ++row) {
        if (tickedIds.empty() || tickedIds.contains(model->contactId(row)))
            rows.push_back(row);
    }
    return rows;
}

PrintTable PrintCommands::tableOf(const std::vector<int>& rows) const
{
    const ContactTableModel* model = m_list->contacts();
    std::vector<int> shown; // a column of width 0 is hidden in the list, and so on paper
    PrintTable table;
    for (int column = 0; column < int(model->columns().size()); ++column) {
        const int width = model->columns()[std::size_t(column)].width;
        if (width <= 0)
            continue;
        shown.push_back(column);
        table.captions << model->headerData(column, Qt::Horizontal).toString();
        table.widths.push_back(width);
    }
    table.rows.reserve(rows.size());
    for (int row : rows) {
        QStringList cells;
        for (int column : shown)
            cells << model->index(row, column).data().toString();
        table.rows.push_back(std::move(cells));
    }
    return table;
}

bool PrintCommands::prepare(Job& job, const std::vector<int>& rows)
{
    if (job.options.kind == PrintKind::List) {
        job.table = tableOf(rows);
        return true;
    }
    std::vector<qint64> ids;
    for (int row : rows)
        ids.push_back(m_list->contacts()->contactId(row));
    auto contacts = PrintContacts::load(m_db, ids);
    if (!contacts) {
        m_prompter.showError(m_window, contacts.error());
        return false;
    }
    job.contacts = std::move(contacts).value();
    return true;
}

void PrintCommands::print()
{
    const std::vector<int> rows = chosenRows();
    if (rows.empty()) {
        m_prompter.message(m_window, QStringLiteral("列表中没有可打印的联系人。"), notice,
                           Prompter::Icon::Information);
        return;
    }
    auto settings = PrintSettings::read(m_db);
    if (!settings) {
        m_prompter.showError(m_window, settings.error());
        return;
    }
    frmPrint choice(settings.value(), m_window);
    const int outcome = m_prompter.runDialog(choice);
    if (outcome != frmPrint::Preview && outcome != frmPrint::Pdf)
        return;
    Job job;
    job.options = choice.options();
    // The sender and the offset are kept for the next envelopes.
    if (job.options.sender != settings.value()) {
        if (Status saved = job.options.sender.save(m_db); !saved)
            m_prompter.showError(m_window, saved.error());
    }
    if (!prepare(job, rows))
        return;
    if (outcome == frmPrint::Preview)
        preview(job);
    else if (!exportPdf(job))
        return;
    tellGaps(job);
}

bool PrintCommands::drawWithProgress(QPagedPaintDevice& device, const Job& job)
{
    QProgressDialog progress(QStringLiteral("正在生成页面……"), QStringLiteral("取消"), 0, 100,
                             m_window);
    progress.setObjectName(QStringLiteral("PrintProgress"));
    progress.setWindowTitle(QStringLiteral("打印"));
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(400);
    const PrintOutcome outcome =
        PrintPages::draw(device, job.options, job.table, job.contacts, [&](int done, int total) {
            progress.setMaximum(std::max(1, total));
            progress.setValue(done);
            // The window keeps painting while a long job runs.
            QCoreApplication::processEvents();
            return !progress.wasCanceled();
        });
    return !outcome.cancelled;
}

void PrintCommands::preview(const Job& job)
{
    QPrinter printer(QPrinter::HighResolution);
    QPrintPreviewDialog dialog(&printer, m_window);
    dialog.setObjectName(QStringLiteral("PrintPreview"));
    dialog.setWindowTitle(QStringLiteral("打印预览"));
    // The preview's own print button offers the choice of printer and prints these pages.
    connect(&dialog, &QPrintPreviewDialog::paintRequested, &dialog,
            [this, &job](QPrinter* target) { drawWithProgress(*target, job); });
    m_prompter.runDialog(dialog);
}

bool PrintCommands::exportPdf(const Job& job)
{
    const QString path =
        m_prompter.saveFileName(m_window, QStringLiteral("导出PDF"), QStringLiteral("通讯录.pdf"),
                                QStringLiteral("PDF 文件 (*.pdf)"));
    if (path.isEmpty())
        return false;
    // Written beside the target and put in its place only when complete: a cancelled or failed
    // export leaves no half a file.
    QSaveFile file(path);
    const bool opened = file.open(QIODevice::WriteOnly);
    if (opened) {
        QPdfWriter writer(&file);
        writer.setResolution(300);
        writer.setCreator(QStringLiteral("瓦德林通讯录"));
        writer.setTitle(job.options.title);
        if (!drawWithProgress(writer, job)) {
            file.cancelWriting();
            return false;
        }
    }
    if (!opened || !file.commit()) {
        m_prompter.message(m_window,
                           QStringLiteral("无法写入文件“%1”：%2").arg(path, file.errorString()),
                           QStringLiteral("错误"), Prompter::Icon::Critical);
        return false;
    }
    return true;
}

void PrintCommands::tellGaps(const Job& job)
{
    if (job.options.kind != PrintKind::Envelopes && job.options.kind != PrintKind::Labels)
        return;
    const QStringList names = PrintContacts::withGaps(job.contacts);
    if (names.isEmpty())
        return;
    m_prompter.message(m_window,
                       QStringLiteral("以下 %1 位联系人没有邮编或地址，已照常打印，空处留白：\n%2")
                           .arg(names.size())
                           .arg(names.join(QStringLiteral("、"))),
                       notice, Prompter::Icon::Information);
}
