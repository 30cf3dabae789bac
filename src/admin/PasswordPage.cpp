// SPDX-License-Identifier: GPL-3.0-or-later
#include "PasswordPage.h"

#include <QApplication>
#include <QCheckBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

PasswordPage::PasswordPage(QWidget* parent)
    : QWidget(parent)
    , m_change(new QCheckBox(QStringLiteral("修改当前用户密码"), this))
{
    m_change->setObjectName(QStringLiteral("IsPassword"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_change);
    auto* fields = new QFormLayout;
    layout->addLayout(fields);
    layout->addStretch(1);

    const auto addRow = [&](const char* labelName, const QString& caption, const char* boxName) {
        auto* label = new QLabel(caption, this);
        label->setObjectName(QString::fromLatin1(labelName));
        auto* box = new QLineEdit(this);
        box->setObjectName(QString::fromLatin1(boxName));
        box->setEchoMode(QLineEdit::Password);
        label->setBuddy(box);
        fields->addRow(label, box);
        return box;
    };
    m_old = addRow("Label1", QStringLiteral("原 密 码："), "Edit_YMM");
    m_new = addRow("Label2", QStringLiteral("新 密 码："), "Edit_XMM");
    m_confirm = addRow("Label3", QStringLiteral("确认密码："), "Edit_QRM");
    switchBoxes(false);

    connect(m_change, &QCheckBox::toggled, this, &PasswordPage::switchBoxes);
}

bool PasswordPage::changeWanted() const
{
    return m_change->isChecked();
}

PasswordChange::Input PasswordPage::input() const
{
    return {m_old->text(), m_new->text(), m_confirm->text()};
}

void PasswordPage::switchBoxes(bool on)
{
    // The texts stay as typed either way.
    const QColor background = on ? QApplication::palette().color(QPalette::Base) : offColour();
    for (QLineEdit* box : {m_old, m_new, m_confirm}) {
        box->setEnabled(on);
        QPalette palette = box->palette();
        palette.setColor(QPalette::Base, background);
        box->setPalette(palette);
    }
}
