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
        auto* row = new QTreeWidgetItem(
            m_list, {column.caption, QString::number(column.width), QString::number(column.seq)});
        row->setData(CaptionColumn, Qt::UserRole, column.id);
        row->setIcon(CaptionColumn, icon);
        row->setFlags(row->flags() | Qt::ItemIsUserCheckable);
        row->setCheckState(CaptionColumn, column.shown ? Qt::Checked : Qt::Unchecked);
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
                           row->checkState(CaptionColumn) == Qt::Checked});
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
