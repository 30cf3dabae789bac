// SPDX-License-Identifier: GPL-3.0-or-later
#include "SyncConflictDialog.h"

#include "db/ContactFields.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QString captionOf(const QString& field)
{
    if (field == u"Photo")
        return QStringLiteral("照片");
    if (field == u"CATEGORIES")
        return QStringLiteral("分组");
    for (const ContactField& contactField : ContactFields::all)
        if (contactField.name == field && contactField.caption[0])
            return QString::fromUtf16(contactField.caption);
    return field;
}

QString shown(const VCardContact& card, const QString& field)
{
    if (field == u"Photo")
        return card.photo.isEmpty() ? QStringLiteral("（无）") : QStringLiteral("（有照片）");
    const QString value = field == u"CATEGORIES" ? card.categories.join(u',') : card.value(field);
    return value.isEmpty() ? QStringLiteral("（空）") : value;
}

} // namespace

SyncConflictDialog::SyncConflictDialog(const SyncConflict& conflict, QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("SyncConflictDialog"));
    setWindowTitle(QStringLiteral("同步冲突"));
    auto* form = new QFormLayout;
    for (const QString& field : conflict.columns) {
        auto* box = new QComboBox(this);
        box->setObjectName(QStringLiteral("Choice_") + field);
        box->addItem(QStringLiteral("本机：") + shown(conflict.local, field));
        box->addItem(QStringLiteral("服务器：") + shown(conflict.server, field));
        form->addRow(captionOf(field) + QStringLiteral("："), box);
        m_choices.insert(field, box);
    }
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("合并(&M)"));
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("以后再说(&L)"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(
        new QLabel(QStringLiteral("“%1”在本机和服务器上都改过了，请为每一项选择要保留的值：")
                       .arg(conflict.name),
                   this));
    layout->addLayout(form);
    layout->addWidget(buttons);
}

QSet<QString> SyncConflictDialog::serverFields() const
{
    QSet<QString> fields;
    for (auto it = m_choices.cbegin(); it != m_choices.cend(); ++it)
        if (it.value()->currentIndex() == 1)
            fields.insert(it.key());
    return fields;
}
