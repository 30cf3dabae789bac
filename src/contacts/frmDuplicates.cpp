// SPDX-License-Identifier: GPL-3.0-or-later
#include "frmDuplicates.h"

#include "db/ContactFields.h"
#include "db/Session.h"
#include "ui/Prompter.h"

#include <QComboBox>
#include <QDate>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

const QString noticeTitle = QStringLiteral("提示！");

enum MemberColumn { NameColumn, CompanyColumn, PhonesColumn, GroupColumn, MemberColumnCount };

QString captionOf(const QString& column)
{
    if (column == QLatin1StringView("TID"))
        return QString::fromUtf16(ContactFields::groupNameCaption);
    if (column == QLatin1StringView("Photo"))
        return QStringLiteral("照片");
    for (const ContactField& field : ContactFields::all)
        if (QString(field.name) == column)
            return QString::fromUtf16(field.caption);
    return column;
}

// Remarks run over several lines; a choice box shows one.
QString oneLine(const QString& text)
{
    return QString(text.left(200)).replace(u'\n', u' ');
}

QLabel* buddyLabel(const QString& text, const char* name, QWidget* buddy, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setBuddy(buddy);
    buddy->setAccessibleName(QString(text).remove(u'：').remove(u'&'));
    return label;
}

} // namespace

frmDuplicates::frmDuplicates(Database& db, const Session& session, Prompter& prompter,
                             QWidget* parent)
    : QDialog(parent)
    , m_db(db)
    , m_session(session)
    , m_prompter(prompter)
    , m_groupList(new QListWidget(this))
    , m_members(new QTreeWidget(this))
    , m_keep(new QComboBox(this))
    , m_conflicts(new QTreeWidget(this))
    , m_conflictNote(new QLabel(this))
    , m_merge(new QPushButton(QStringLiteral("合并(&M)"), this))
    , m_close(new QPushButton(QStringLiteral("关闭(&C)"), this))
{
    setObjectName(QStringLiteral("frmDuplicates"));
    setWindowTitle(QStringLiteral("查找重复联系人"));
    setModal(true);
    resize(860, 560);

    m_groupList->setObjectName(QStringLiteral("List_Groups"));
    m_members->setObjectName(QStringLiteral("List_Members"));
    m_members->setHeaderLabels({QStringLiteral("姓名"), QStringLiteral("单位名称"),
                                QStringLiteral("电话/手机"), QStringLiteral("所属分类")});
    m_members->setRootIsDecorated(false);
    m_keep->setObjectName(QStringLiteral("Combo_Keep"));
    m_conflicts->setObjectName(QStringLiteral("List_Conflicts"));
    m_conflicts->setHeaderLabels({QStringLiteral("字段"), QStringLiteral("保留的值")});
    m_conflicts->setRootIsDecorated(false);
    m_conflicts->header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    m_conflictNote->setObjectName(QStringLiteral("Label_Note"));
    m_conflictNote->setWordWrap(true);
    m_merge->setObjectName(QStringLiteral("Button_Merge"));
    m_close->setObjectName(QStringLiteral("Button_Close"));

    auto* grid = new QGridLayout;
    grid->addWidget(buddyLabel(QStringLiteral("重复分组："), "Label1", m_groupList, this), 0, 0);
    grid->addWidget(m_groupList, 1, 0, 5, 1);
    grid->addWidget(buddyLabel(QStringLiteral("勾选要合并的联系人："), "Label2", m_members, this),
                    0, 1);
    grid->addWidget(m_members, 1, 1);
    auto* keepRow = new QHBoxLayout;
    keepRow->addWidget(buddyLabel(QStringLiteral("保留联系人："), "Label3", m_keep, this));
    keepRow->addWidget(m_keep, 1);
    grid->addLayout(keepRow, 2, 1);
    grid->addWidget(
        buddyLabel(QStringLiteral("不同的值（选择保留哪一个）："), "Label4", m_conflicts, this), 3,
        1);
    grid->addWidget(m_conflicts, 4, 1);
    grid->addWidget(m_conflictNote, 5, 1);
    grid->setColumnStretch(0, 1);
    grid->setColumnStretch(1, 3);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_merge);
    buttons->addWidget(m_close);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid, 1);
    layout->addLayout(buttons);

    connect(m_groupList, &QListWidget::currentRowChanged, this, &frmDuplicates::showGroup);
    connect(m_members, &QTreeWidget::itemChanged, this, [this] { showPlan(); });
    connect(m_keep, &QComboBox::currentIndexChanged, this, [this] { showPlan(); });
    connect(m_merge, &QPushButton::clicked, this, &frmDuplicates::Button_Merge_Click);
    connect(m_close, &QPushButton::clicked, this, &QDialog::accept);
}

Status frmDuplicates::GJDuplicates()
{
    // Half a second or so at 100,000 contacts: long enough to show that something happens.
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    auto found = DuplicateFinder::find(m_db, m_session.currentUserId);
    QGuiApplication::restoreOverrideCursor();
    if (!found)
        return found.error();
    m_groups = std::move(found).value();
    const QSignalBlocker quiet(m_groupList);
    m_groupList->clear();
    for (const DuplicateGroup& group : m_groups)
        m_groupList->addItem(
            QStringLiteral("%1 等 %2 人").arg(group.front().name).arg(group.size()));
    setWindowTitle(QStringLiteral("查找重复联系人 - 共 %1 组").arg(m_groups.size()));
    m_groupList->setCurrentRow(m_groups.empty() ? -1 : 0);
    showGroup(m_groupList->currentRow());
    return {};
}

void frmDuplicates::showGroup(int row)
{
    {
        const QSignalBlocker quietMembers(m_members);
        const QSignalBlocker quietKeep(m_keep);
        m_members->clear();
        m_keep->clear();
        if (row >= 0 && row < int(m_groups.size())) {
            for (const DuplicateContact& contact : m_groups[std::size_t(row)]) {
                auto* item = new QTreeWidgetItem(
                    m_members, {contact.name, contact.company,
                                contact.phones.join(QStringLiteral("，")), contact.groupName});
                item->setData(NameColumn, Qt::UserRole, contact.id);
                item->setCheckState(NameColumn, Qt::Checked);
                m_keep->addItem(contact.name, contact.id);
            }
            for (int column = 0; column < MemberColumnCount; ++column)
                m_members->resizeColumnToContents(column);
        }
    }
    showPlan();
}

std::optional<qint64> frmDuplicates::keptId() const
{
    if (m_keep->currentIndex() < 0)
        return std::nullopt;
    return m_keep->currentData().toLongLong();
}

std::vector<qint64> frmDuplicates::mergedIds() const
{
    std::vector<qint64> ids;
    const std::optional<qint64> kept = keptId();
    for (int row = 0; row < m_members->topLevelItemCount(); ++row) {
        const QTreeWidgetItem* item = m_members->topLevelItem(row);
        const qint64 id = item->data(NameColumn, Qt::UserRole).toLongLong();
        if (item->checkState(NameColumn) == Qt::Checked && id != kept)
            ids.push_back(id);
    }
    return ids;
}

QString frmDuplicates::nameOf(qint64 contactId) const
{
    const int index = m_keep->findData(contactId);
    return index < 0 ? QString() : m_keep->itemText(index);
}

void frmDuplicates::showPlan()
{
    m_plan.reset();
    const std::optional<qint64> kept = keptId();
    // The kept contact is always part of the merge.
    for (int row = 0; kept && row < m_members->topLevelItemCount(); ++row) {
        QTreeWidgetItem* item = m_members->topLevelItem(row);
        if (item->data(NameColumn, Qt::UserRole).toLongLong() == *kept &&
            item->checkState(NameColumn) != Qt::Checked) {
            const QSignalBlocker quiet(m_members);
            item->setCheckState(NameColumn, Qt::Checked);
        }
    }
    const std::vector<qint64> others = mergedIds();
    if (kept && !others.empty()) {
        auto planned = ContactMerge::plan(m_db, m_session.currentUserId, *kept, others);
        if (!planned) {
            m_prompter.showError(this, planned.error());
        } else if (!planned.value()) {
            m_prompter.message(this, QStringLiteral("联系人已被修改或删除，请重新查找！"),
                               noticeTitle, Prompter::Icon::Exclamation);
            findAgain();
            return;
        } else {
            m_plan = std::move(*planned.value());
        }
    }
    showConflicts();
}

void frmDuplicates::showConflicts()
{
    // Deleted now rather than later, with the rows, so no stale box outlives its plan.
    for (const auto& [column, choice] : m_choices)
        delete choice;
    m_choices.clear();
    m_conflicts->clear();
    m_merge->setEnabled(m_plan.has_value());
    if (!m_plan) {
        m_conflictNote->setText(QStringLiteral("请至少勾选两个联系人。"));
        return;
    }
    for (const ContactMerge::Conflict& conflict : m_plan->conflicts) {
        for (qsizetype slot = 0; slot < conflict.columns.size(); ++slot) {
            const QString& column = conflict.columns[slot];
            auto* item = new QTreeWidgetItem(m_conflicts, {captionOf(column)});
            auto* choice = new QComboBox(m_conflicts);
            choice->setObjectName(QStringLiteral("Combo_") + column);
            choice->setAccessibleName(captionOf(column));
            for (const ContactMerge::Candidate& candidate : conflict.candidates)
                choice->addItem(QStringLiteral("%1（%2）")
                                    .arg(oneLine(candidate.shown), nameOf(candidate.contactId)),
                                candidate.value);
            choice->setCurrentIndex(conflict.defaults[std::size_t(slot)]);
            m_conflicts->setItemWidget(item, 1, choice);
            m_choices.emplace_back(column, choice);
        }
    }
    m_conflictNote->setText(
        m_plan->conflicts.empty()
            ? QStringLiteral("没有不同的值：空白的字段由其余联系人补齐。")
            : QStringLiteral(
                  "空白的字段由其余联系人补齐；不同的值只保留所选的一个，其余的值将被舍弃。"));
}

void frmDuplicates::Button_Merge_Click()
{
    const std::optional<qint64> kept = keptId();
    const std::vector<qint64> others = mergedIds();
    if (!m_plan || !kept || others.empty()) {
        m_prompter.message(this, QStringLiteral("请至少勾选两个联系人！"), noticeTitle,
                           Prompter::Icon::Exclamation);
        return;
    }
    if (!m_prompter.ask(this,
                        QStringLiteral("是否确认合并勾选的 %1 个联系人？合并后只保留“%2”，其余"
                                       "联系人的图片、文档和联系记录归入其中，其余联系人被删除！")
                            .arg(others.size() + 1)
                            .arg(nameOf(*kept)),
                        noticeTitle))
        return;
    ContactMerge::Request request{m_session.currentUserId, *kept, others, QDate::currentDate(),
                                  m_plan->conflicts,       {}};
    for (const auto& [column, choice] : m_choices)
        request.choices.insert(column, choice->currentData());
    auto outcome = ContactMerge::merge(m_db, request);
    if (!outcome) {
        m_prompter.showError(this, outcome.error());
        return;
    }
    if (outcome.value() != ContactMerge::Outcome::Merged) {
        m_prompter.message(this, QStringLiteral("联系人已被修改或删除，请重新查找！"), noticeTitle,
                           Prompter::Icon::Exclamation);
    } else {
        emit merged();
    }
    findAgain();
}

void frmDuplicates::findAgain()
{
    const int row = m_groupList->currentRow();
    if (Status found = GJDuplicates(); !found) {
        m_prompter.showError(this, found.error());
        return;
    }
    if (row > 0 && row < int(m_groups.size()))
        m_groupList->setCurrentRow(row);
}
