// SPDX-License-Identifier: GPL-3.0-or-later
#include "FilesPage.h"

#include "FileAttachments.h"
#include "TransferProgress.h"

#include "db/Database.h"
#include "db/ListWidths.h"
#include "ui/CommandButton.h"
#include "ui/Prompter.h"

#include <QDate>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <vector>

namespace {

const QString promptTitle = QStringLiteral("提示！");
const QString fileFilter = QStringLiteral("文件 (*)");

} // namespace

FilesPage::FilesPage(Database& db, Prompter& prompter, qint64 contactId, QWidget* parent)
    : QWidget(parent)
    , m_db(db)
    , m_prompter(prompter)
    , m_contactId(contactId)
{
    setObjectName(QStringLiteral("PageFiles"));
    auto* layout = new QVBoxLayout(this);
    auto* top = new QHBoxLayout;
    m_add = commandButton(QStringLiteral("Button_AddFiles"), QStringLiteral("添加(&A)"), this);
    auto* save = commandButton(QStringLiteral("Button_Saves"), QStringLiteral("另存为(&S)"), this);
    auto* remove =
        commandButton(QStringLiteral("Button_DelFiles"), QStringLiteral("删除(&D)"), this);
    auto* note = new QLabel(QStringLiteral("注意：不要添加过大的文件！"), this);
    note->setObjectName(QStringLiteral("Label_FilesNote"));
    top->addWidget(m_add);
    top->addWidget(save);
    top->addWidget(remove);
    top->addSpacing(12);
    top->addWidget(note);
    top->addStretch(1);
    layout->addLayout(top);

    m_list = new QTreeWidget(this);
    m_list->setObjectName(QStringLiteral("ListView"));
    m_list->setAccessibleName(QStringLiteral("文件列表"));
    m_list->setRootIsDecorated(false);
    m_list->setUniformRowHeights(true);
    m_list->setAllColumnsShowFocus(true);
    m_list->setColumnCount(ColumnCount);
    m_list->header()->setStretchLastSection(false);
    m_list->setHeaderLabels({QStringLiteral("文件名称"), QStringLiteral("上传日期"),
                             QStringLiteral("文件大小"), QStringLiteral("文件类型")});
    const Qt::Alignment alignments[ColumnCount] = {Qt::AlignLeft, Qt::AlignHCenter, Qt::AlignRight,
                                                   Qt::AlignHCenter};
    for (int column = 0; column < ColumnCount; ++column) {
        m_list->header()->resizeSection(
            column, ListWidths::pixelsFromTwips(columnTwips[column], logicalDpiX()));
        m_list->headerItem()->setTextAlignment(column, alignments[column] | Qt::AlignVCenter);
    }
    layout->addWidget(m_list, 1);

    // Nothing can be attached to a contact that has no row yet.
    m_add->setEnabled(m_contactId != 0);
    connect(m_add, &QPushButton::clicked, this, &FilesPage::addFile);
    connect(save, &QPushButton::clicked, this, &FilesPage::saveFile);
    connect(remove, &QPushButton::clicked, this, &FilesPage::deleteFiles);
}

Status FilesPage::GJFiles()
{
    m_list->clear();
    auto rows = FileAttachments::list(m_db, m_contactId);
    if (!rows)
        return rows.error();
    QList<QTreeWidgetItem*> items;
    items.reserve(qsizetype(rows.value().size()));
    for (const FileAttachments::Row& row : rows.value()) {
        auto* item = new QTreeWidgetItem(
            {row.name, row.upDate, FileAttachments::sizeText(row.size, locale()), row.ext});
        item->setData(NameColumn, Qt::UserRole, row.id);
        item->setCheckState(NameColumn, Qt::Unchecked);
        item->setTextAlignment(DateColumn, Qt::AlignCenter);
        item->setTextAlignment(SizeColumn, Qt::AlignRight | Qt::AlignVCenter);
        item->setTextAlignment(TypeColumn, Qt::AlignCenter);
        items.append(item);
    }
    m_list->addTopLevelItems(items);
    return {};
}

void FilesPage::refill()
{
    if (Status filled = GJFiles(); !filled)
        m_prompter.showError(this, filled.error());
}

void FilesPage::addFile()
{
    const QString path = m_prompter.openFileName(this, QStringLiteral("选择文件"), fileFilter);
    if (path.isEmpty())
        return;
    const QString name =
        m_prompter.input(this, QStringLiteral("输入文件名称"), QStringLiteral("提示"),
                         FileAttachments::proposedName(path));
    if (name.isEmpty())
        return;
    setEnabled(false);
    auto added = [&] {
        TransferProgress progress(this, QStringLiteral("正在添加文件……"));
        return FileAttachments::add(m_db, {m_contactId, name, path, QDate::currentDate()},
                                    progress.callback());
    }();
    setEnabled(true);
    if (!added) {
        m_prompter.showError(this, added.error());
        return;
    }
    if (added.value().contactVanished) {
        m_prompter.message(this, QStringLiteral("联系人已被删除，无法添加文件！"), promptTitle,
                           Prompter::Icon::Exclamation);
        return;
    }
    if (added.value().moved == BlobStream::Moved::All)
        refill();
}

void FilesPage::saveFile()
{
    const QTreeWidgetItem* item = m_list->currentItem();
    if (!item || !item->isSelected()) {
        m_prompter.message(this, QStringLiteral("请选择另存的文件！"), promptTitle,
                           Prompter::Icon::Information);
        return;
    }
    const qint64 id = item->data(NameColumn, Qt::UserRole).toLongLong();
    const QString target =
        m_prompter.saveFileName(this, QStringLiteral("另存为"), item->text(NameColumn), fileFilter);
    if (target.isEmpty())
        return;
    setEnabled(false);
    auto saved = [&] {
        TransferProgress progress(this, QStringLiteral("正在另存文件……"));
        return FileAttachments::saveTo(m_db, id, target, progress.callback());
    }();
    setEnabled(true);
    if (!saved) {
        m_prompter.showError(this, saved.error());
        return;
    }
    switch (saved.value()) {
    case FileAttachments::SaveOutcome::Saved:
        m_prompter.message(this, QStringLiteral("另存文件完成！"), promptTitle,
                           Prompter::Icon::Information);
        break;
    case FileAttachments::SaveOutcome::RowVanished:
        m_prompter.showError(
            this, {FileAttachments::rowVanishedNumber, QStringLiteral("这个文件已被删除。")});
        refill();
        break;
    case FileAttachments::SaveOutcome::Stopped:
        break;
    }
}

void FilesPage::deleteFiles()
{
    if (m_list->topLevelItemCount() == 0) {
        m_prompter.message(this, QStringLiteral("没有需要删除的文件！"), promptTitle,
                           Prompter::Icon::Information);
        return;
    }
    if (!m_prompter.ask(this, QStringLiteral("是否删除选中的文件？"), promptTitle))
        return;
    std::vector<qint64> ticked;
    std::vector<int> positions;
    for (int i = m_list->topLevelItemCount() - 1; i >= 0; --i) {
        const QTreeWidgetItem* item = m_list->topLevelItem(i);
        if (item->checkState(NameColumn) == Qt::Checked) {
            ticked.push_back(item->data(NameColumn, Qt::UserRole).toLongLong());
            positions.push_back(i);
        }
    }
    if (ticked.empty())
        return;
    if (Status removed = FileAttachments::remove(m_db, ticked); !removed) {
        m_prompter.showError(this, removed.error());
        return;
    }
    for (const int position : positions) // from the last to the first
        delete m_list->takeTopLevelItem(position);
}
