// SPDX-License-Identifier: GPL-3.0-or-later
#include "frmAlias.h"

#include "ColumnSettings.h"

#include "ui/Skin.h"

#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

frmAlias::frmAlias(const QString& caption, const QString& width, const QString& seq,
                   QWidget* parent)
    : QDialog(parent)
    , m_captionLabel(new QLabel(QStringLiteral("字段名："), this))
    , m_caption(new QLineEdit(caption, this))
    , m_widthLabel(new QLabel(QStringLiteral("宽度："), this))
    , m_width(new QLineEdit(width, this))
    , m_seqLabel(new QLabel(QStringLiteral("顺序："), this))
    , m_seq(new QLineEdit(seq, this))
    , m_message(new QLabel(this))
{
    setObjectName(QStringLiteral("frmAlias"));
    setWindowTitle(QStringLiteral("设置"));
    setModal(true);
    m_captionLabel->setObjectName(QStringLiteral("Label4"));
    m_caption->setObjectName(QStringLiteral("Edit_Alias"));
    m_captionLabel->setBuddy(m_caption);
    m_widthLabel->setObjectName(QStringLiteral("Label1"));
    m_width->setObjectName(QStringLiteral("Edit_Width"));
    m_widthLabel->setBuddy(m_width);
    m_seqLabel->setObjectName(QStringLiteral("Label2"));
    m_seq->setObjectName(QStringLiteral("Edit_Seq"));
    m_seqLabel->setBuddy(m_seq);
    m_message->setObjectName(QStringLiteral("Label3"));
    Skin::markAsWarning(m_message);

    auto* fields = new QFormLayout;
    fields->addRow(m_captionLabel, m_caption);
    fields->addRow(m_widthLabel, m_width);
    fields->addRow(m_seqLabel, m_seq);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(fields);
    layout->addWidget(m_message);

    // Without buttons, Enter in any box closes the dialog the way its close box does.
    for (QLineEdit* box : {m_caption, m_width, m_seq})
        connect(box, &QLineEdit::returnPressed, this, &QWidget::close);
}

QString frmAlias::captionText() const
{
    return m_caption->text();
}

QString frmAlias::widthText() const
{
    return m_width->text();
}

QString frmAlias::seqText() const
{
    return m_seq->text();
}

void frmAlias::done(int result)
{
    if (!ColumnSettings::showableCaption(m_caption->text())) {
        m_message->setText(QStringLiteral("字段名不能为空，请修改！"));
        return;
    }
    if (!ColumnSettings::wholeNumber(m_seq->text()) ||
        !ColumnSettings::wholeNumber(m_width->text())) {
        m_message->setText(QStringLiteral("宽度及顺序必须是数字，请修改！"));
        return;
    }
    QDialog::done(result);
}
