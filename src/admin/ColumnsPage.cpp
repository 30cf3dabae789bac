// SPDX-License-Identifier: GPL-3.0-or-later
#include "ColumnsPage.h"

#include "frmAlias.h"

#include "db/ListWidths.h"
#include "ui/ProgramIcons.h"

#include <QHeaderView>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

enum Column { CaptionColumn, WidthColumn, SeqColumn };

} // namespace

ColumnsPage::ColumnsPage(Database& db, QWidget* parent)
    : QWidget(parent)
    , m_db(db)
    , m_list(new QTreeWidget(this))
{
    m_list->setObjectName(QStringLiteral("ListGird"));
    m_list->setAccessibleName(QStringLiteral("列表字段"));
    m_list->setRootIsDecorated(false);
    m_list->setUniformRowHeights(true);
    m_list->setHeaderLabels(
        {QStringLiteral("字段名"), QStringLiteral("宽度"), QStringLiteral("顺序")});
    m_list->header()->setStretchLastSection(false);
    m_list->setColumnWidth(CaptionColumn, ListWidths::pixelsFromTwips(1800, m_list->logicalDpiX()));
    m_list->setColumnWidth(WidthColumn, ListWidths::pixelsFromTwips(1000, m_list->logicalDpiX()));
    m_list->setColumnWidth(SeqColumn, ListWidths::pixelsFromTwips(1000, m_list->logicalDpiX()));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_list);

    // A double click, or Enter on the current row.
    connect(m_list, &QTreeWidget::itemActivated, this,
            [this](QTreeWidgetItem* row) { editRow(row); });
}

Status ColumnsPage::GJAlias()
{
    auto columns = ColumnSettings::read(m_db);
    if (!columns)
        return columns.error();
    const QIcon icon = ProgramIcons::load(QString(ProgramIcons::columnRow));
    m_list->clear();
    for (const ColumnSetting& column : columns.value()) {
        auto* row = new QTreeWidgetItem(m_list);
        row->setData(CaptionColumn, Qt::UserRole, column.id);
        row->setIcon(CaptionColumn, icon);
        row->setFlags(row->flags() | Qt::ItemIsUserCheckable);
        showRow(row, column);
    }
    m_asRead = std::move(columns).value();
    return {};
}

void ColumnsPage::showRow(QTreeWidgetItem* row, const ColumnSetting& column)
{
    row->setText(CaptionColumn, column.caption);
    row->setText(WidthColumn, QString::number(column.width));
    row->setText(SeqColumn, QString::number(column.seq));
    row->setCheckState(CaptionColumn, column.shown ? Qt::Checked : Qt::Unchecked);
}

Status ColumnsPage::reloadRows(const QSet<qint64>& ids)
{
    auto stored = ColumnSettings::read(m_db);
    if (!stored)
        return stored.error();
    const auto storedRow = [&stored](qint64 id) -> const ColumnSetting* {
        for (const ColumnSetting& column : stored.value()) {
            if (column.id == id)
                return &column;
        }
        return nullptr;
    };
    for (int i = m_list->topLevelItemCount() - 1; i >= 0; --i) {
        QTreeWidgetItem* row = m_list->topLevelItem(i);
        const qint64 id = row->data(CaptionColumn, Qt::UserRole).toLongLong();
        if (!ids.contains(id))
            continue;
        if (const ColumnSetting* now = storedRow(id))
            showRow(row, *now);
        else
            delete row;
    }
    // The other rows keep the version they were read with: what the user did to them stands.
    std::erase_if(m_asRead,
                  [&ids](const ColumnSetting& column) { return ids.contains(column.id); });
    for (qint64 id : ids) {
        if (const ColumnSetting* now = storedRow(id))
            m_asRead.push_back(*now);
    }
    return {};
}

std::vector<ColumnSetting> ColumnsPage::columns() const
{
    std::vector<ColumnSetting> columns;
    columns.reserve(m_list->topLevelItemCount());
    for (int i = 0; i < m_list->topLevelItemCount(); ++i) {
        const QTreeWidgetItem* row = m_list->topLevelItem(i);
        // The texts are numbers: they come from the database or through frmAlias.
        columns.push_back({row->data(CaptionColumn, Qt::UserRole).toLongLong(),
                           row->text(CaptionColumn),
                           ColumnSettings::wholeNumber(row->text(WidthColumn)).value_or(0),
                           ColumnSettings::wholeNumber(row->text(SeqColumn)).value_or(0),
                           row->checkState(CaptionColumn) == Qt::Checked,
                           {}});
    }
    return columns;
}

void ColumnsPage::editRow(QTreeWidgetItem* row)
{
    if (!row)
        return;
    frmAlias dialog(row->text(CaptionColumn), row->text(WidthColumn), row->text(SeqColumn), this);
    dialog.exec();
    row->setText(CaptionColumn, dialog.captionText());
    row->setText(WidthColumn, dialog.widthText());
    row->setText(SeqColumn, dialog.seqText());
}
