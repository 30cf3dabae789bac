// SPDX-License-Identifier: GPL-3.0-or-later
#include "HistoryPage.h"

#include "HistoryListModel.h"
#include "HistoryRecords.h"

#include "db/ListWidths.h"
#include "ui/CommandButton.h"
#include "ui/Prompter.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QPushButton>
#include <QTreeView>
#include <QVBoxLayout>

namespace {

QPushButton* namedButton(const QString& objectName, const QString& caption, QWidget* parent)
{
    auto* button = commandButton(objectName, caption, parent);
    // Enter in the card's boxes must not press a button of this page.
    button->setAutoDefault(false);
    return button;
}

} // namespace

HistoryPage::HistoryPage(Database& db, Prompter& prompter, qint64 contactId, bool canAdd,
                         QWidget* parent)
    : QWidget(parent)
    , m_db(db)
    , m_prompter(prompter)
    , m_contactId(contactId)
    , m_model(new HistoryListModel(this))
    , m_list(new QTreeView(this))
    , m_add(namedButton(QStringLiteral("Button_AddLx"), QStringLiteral("添加(&A)"), this))
    , m_edit(namedButton(QStringLiteral("Button_EditLx"), QStringLiteral("修改(&E)"), this))
    , m_delete(namedButton(QStringLiteral("Button_DelLx"), QStringLiteral("删除(&D)"), this))
{
    setObjectName(QStringLiteral("PageHistory"));
    m_list->setObjectName(QStringLiteral("ListLx"));
    m_list->setAccessibleName(QStringLiteral("联系记录"));
    m_list->setModel(m_model);
    m_list->setRootIsDecorated(false);
    m_list->setItemsExpandable(false);
    m_list->setUniformRowHeights(true);
    m_list->setAllColumnsShowFocus(true);
    m_list->setAlternatingRowColors(true);
    m_list->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_list->header()->setStretchLastSection(false);
    const qreal dpi = m_list->logicalDpiX();
    for (int column = 0; column < HistoryListModel::ColumnCount; ++column)
        m_list->setColumnWidth(
            column, ListWidths::pixelsFromTwips(HistoryListModel::widthTwips(column), dpi));
    // Nothing can be attached to a contact that has no row yet.
    m_add->setEnabled(canAdd);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_add);
    buttons->addWidget(m_edit);
    buttons->addWidget(m_delete);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_list, 1);
    layout->addLayout(buttons);

    connect(m_add, &QPushButton::clicked, this, &HistoryPage::Button_AddLx);
    connect(m_edit, &QPushButton::clicked, this, &HistoryPage::Button_EditLx);
    connect(m_delete, &QPushButton::clicked, this, &HistoryPage::Button_DelLx);
    connect(m_list, &QAbstractItemView::doubleClicked, this, &HistoryPage::Button_EditLx);
    m_list->installEventFilter(this);
}

bool HistoryPage::eventFilter(QObject* watched, QEvent* event)
{
    // Enter edits the highlighted record. The key is taken here: passed on, it would reach the
    // card, whose dialog presses its default button with it.
    if (watched == m_list && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            Button_EditLx();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

Status HistoryPage::GJHistory()
{
    const std::optional<qint64> highlighted = selectedRecord();
    auto records = HistoryRecords::forCard(m_db, m_contactId);
    if (!records) {
        m_model->setRecords({});
        return records.error();
    }
    m_model->setRecords(std::move(records).value());
    if (const int row = highlighted ? m_model->rowOf(*highlighted) : -1; row >= 0)
        m_list->setCurrentIndex(m_model->index(row, 0));
    return {};
}

std::optional<qint64> HistoryPage::selectedRecord() const
{
    const QModelIndexList rows = m_list->selectionModel()->selectedRows();
    if (rows.isEmpty())
        return std::nullopt;
    return m_model->recordId(rows.first().row());
}

void HistoryPage::Button_AddLx()
{
    m_dialogValues.IsEdit = false;
    m_dialogValues.CID = m_contactId;
    showDialog();
}

void HistoryPage::Button_EditLx()
{
    const std::optional<qint64> record = selectedRecord();
    if (!record) {
        notice(QStringLiteral("请选择需要修改的联系情况！"));
        return;
    }
    m_dialogValues.IsEdit = true;
    m_dialogValues.CID = m_contactId;
    m_dialogValues.HID = *record;
    showDialog();
}

void HistoryPage::Button_DelLx()
{
    const std::optional<qint64> record = selectedRecord();
    if (!record) {
        notice(QStringLiteral("请选择需要删除的联系情况！"));
        return;
    }
    if (!m_prompter.ask(this, QStringLiteral("是否删除选中的联系情况？"), QStringLiteral("提示！")))
        return;
    if (Status removed = HistoryRecords::remove(m_db, *record); !removed) {
        m_prompter.showError(this, removed.error());
        return;
    }
    refresh();
}

void HistoryPage::showDialog()
{
    frmHistory dialog(m_db, m_prompter, m_dialogValues, this);
    if (Status loaded = dialog.load(); !loaded) {
        m_prompter.showError(this, loaded.error());
        return;
    }
    if (!dialog.rowFound()) {
        notice(QStringLiteral("该联系情况已被删除，无法修改！"), true);
        refresh();
        return;
    }
    // A vanished record is taken out of the list as well.
    if (dialog.exec() == QDialog::Accepted || dialog.rowVanished())
        refresh();
}

void HistoryPage::refresh()
{
    if (Status listed = GJHistory(); !listed)
        m_prompter.showError(this, listed.error());
}

void HistoryPage::notice(const QString& text, bool exclamation)
{
    m_prompter.message(this, text, QStringLiteral("提示！"),
                       exclamation ? Prompter::Icon::Exclamation : Prompter::Icon::Information);
}
