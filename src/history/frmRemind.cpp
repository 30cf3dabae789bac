// SPDX-License-Identifier: GPL-3.0-or-later
#include "frmRemind.h"

#include "HistoryRecords.h"

#include "db/LunarDate.h"
#include "ui/Prompter.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalBlocker>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

constexpr int contactRole = Qt::UserRole;

QString firstLine(const QString& text)
{
    static const QRegularExpression lineBreak(QStringLiteral("[\r\n]"));
    return text.section(lineBreak, 0, 0, QString::SectionSkipEmpty);
}

} // namespace

frmRemind::frmRemind(Database& db, Prompter& prompter, qint64 userId, QDate today,
                     const DueList& due, QWidget* parent)
    : QDialog(parent)
    , m_db(db)
    , m_prompter(prompter)
    , m_userId(userId)
    , m_today(today)
    , m_list(new QTreeWidget(this))
    , m_silence(new QCheckBox(QStringLiteral("今天不再提醒"), this))
{
    setObjectName(QStringLiteral("frmRemind"));
    setWindowTitle(QStringLiteral("提醒"));
    resize(560, 300);

    auto* caption =
        new QLabel(QStringLiteral("到期的联系和近期的生日、纪念日（双击打开联系人）："), this);
    caption->setObjectName(QStringLiteral("Label1"));
    caption->setBuddy(m_list);
    m_list->setObjectName(QStringLiteral("ListRemind"));
    m_list->setAccessibleName(QStringLiteral("提醒"));
    m_list->setRootIsDecorated(false);
    m_list->setUniformRowHeights(true);
    m_list->setHeaderLabels({QStringLiteral("日期"), QStringLiteral("姓名"), QStringLiteral("事项"),
                             QStringLiteral("内容")});
    m_list->header()->setStretchLastSection(true);
    m_silence->setObjectName(QStringLiteral("C_NoRemindToday"));
    auto* close = new QPushButton(QStringLiteral("关闭(&C)"), this);
    close->setObjectName(QStringLiteral("Button_Close"));

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_silence);
    buttons->addStretch(1);
    buttons->addWidget(close);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(caption);
    layout->addWidget(m_list, 1);
    layout->addLayout(buttons);

    connect(m_list, &QTreeWidget::itemActivated, this, &frmRemind::rowActivated);
    connect(m_silence, &QCheckBox::toggled, this, &frmRemind::silenceToday);
    connect(close, &QPushButton::clicked, this, &QDialog::accept);
    showItems(due);
}

QString frmRemind::kindText(const DueFollowUp& item, QDate today)
{
    const qint64 late = item.nextDate.daysTo(today);
    return late > 0 ? QStringLiteral("联系（已过期%1天）").arg(late) : QStringLiteral("今天联系");
}

QString frmRemind::kindText(const DueDay& item)
{
    switch (item.kind) {
    case DueDay::Kind::LunarBirthday:
        return QStringLiteral("农历生日");
    case DueDay::Kind::Anniversary:
        return QStringLiteral("纪念日");
    case DueDay::Kind::Birthday:
        break;
    }
    return QStringLiteral("生日");
}

QString frmRemind::whenText(const DueDay& item, QDate today)
{
    const qint64 ahead = today.daysTo(item.date);
    QString when = ahead == 0   ? QStringLiteral("今天")
                   : ahead == 1 ? QStringLiteral("明天")
                                : QStringLiteral("%1天后").arg(ahead);
    if (item.kind == DueDay::Kind::LunarBirthday) {
        if (const auto lunar = LunarDate::of(item.date))
            when += u'（' + LunarDate::text(*lunar) + u'）';
    }
    return when;
}

void frmRemind::showItems(const DueList& due)
{
    m_list->clear();
    const auto add = [this](QDate date, const QString& name, const QString& kind,
                            const QString& content, qint64 contactId) {
        auto* row = new QTreeWidgetItem(
            m_list, {date.toString(HistoryRecords::dateFormat), name, kind, content});
        row->setData(0, contactRole, contactId);
    };
    for (const DueFollowUp& item : due.followUps)
        add(item.nextDate, item.name, kindText(item, m_today), firstLine(item.remark),
            item.contactId);
    for (const DueDay& item : due.days)
        add(item.date, item.name, kindText(item), whenText(item, m_today), item.contactId);
    for (int column = 0; column < 3; ++column)
        m_list->resizeColumnToContents(column);
    if (m_list->topLevelItemCount() > 0)
        m_list->setCurrentItem(m_list->topLevelItem(0));
}

void frmRemind::refresh()
{
    auto due = Reminders::due(m_db, m_userId, m_today);
    if (!due) {
        m_prompter.showError(this, due.error());
        return;
    }
    showItems(due.value());
}

void frmRemind::silenceToday(bool on)
{
    const Status written =
        Reminders::silence(m_db, m_userId, on ? std::optional<QDate>(m_today) : std::nullopt);
    if (!written) {
        const QSignalBlocker quiet(m_silence);
        m_silence->setChecked(!on);
        m_prompter.showError(this, written.error());
    }
}

void frmRemind::rowActivated(QTreeWidgetItem* item)
{
    if (item)
        emit openCardRequested(item->data(0, contactRole).toLongLong());
}
