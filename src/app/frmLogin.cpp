// SPDX-License-Identifier: GPL-3.0-or-later
#include "frmLogin.h"

#include "db/PasswordSuffix.h"
#include "db/Session.h"
#include "ui/Skin.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QLabel* namedLabel(const QString& objectName, const QString& caption, QWidget* parent)
{
    auto* label = new QLabel(caption, parent);
    label->setObjectName(objectName);
    return label;
}

} // namespace

frmLogin::frmLogin(Database& db, Session& session, QWidget* parent)
    : QDialog(parent)
    , m_db(db)
    , m_session(session)
    , m_title(namedLabel(QStringLiteral("Label2"), QStringLiteral("瓦德林通讯录"), this))
    , m_userNameLabel(
          namedLabel(QStringLiteral("lblLabels"), QStringLiteral("用户名称(&U):"), this))
    , m_userName(new QLineEdit(QStringLiteral("admin"), this))
    , m_passwordLabel(namedLabel(QStringLiteral("lblLabels"), QStringLiteral("密码(&P):"), this))
    , m_password(new QLineEdit(this))
    , m_message(namedLabel(QStringLiteral("Label1"), QString(), this))
    , m_ok(new QPushButton(QStringLiteral("确定(&O)"), this))
    , m_cancel(new QPushButton(QStringLiteral("取消(&C)"), this))
{
    setObjectName(QStringLiteral("frmLogin"));
    setWindowTitle(QStringLiteral("登录"));
    setModal(true);

    QFont titleFont = m_title->font();
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.6);
    titleFont.setBold(true);
    m_title->setFont(titleFont);
    m_title->setAlignment(Qt::AlignCenter);

    m_userName->setObjectName(QStringLiteral("txtUserName"));
    m_password->setObjectName(QStringLiteral("txtPassword"));
    m_password->setEchoMode(QLineEdit::Password);
    // One "*" per typed character, whatever the style would draw.
    Skin::maskWithAsterisks(m_password);
    m_userName->setMinimumWidth(200);
    m_userNameLabel->setBuddy(m_userName);
    m_passwordLabel->setBuddy(m_password);
    Skin::markAsWarning(m_message);
    m_ok->setObjectName(QStringLiteral("cmdOK"));
    m_ok->setDefault(true);
    m_cancel->setObjectName(QStringLiteral("cmdCancel"));

    auto* fields = new QFormLayout;
    fields->addRow(m_userNameLabel, m_userName);
    fields->addRow(m_passwordLabel, m_password);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_ok);
    buttons->addWidget(m_cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_title);
    layout->addSpacing(8);
    layout->addLayout(fields);
    layout->addWidget(m_message);
    layout->addLayout(buttons);
    setFixedSize(sizeHint());

    // The proposed name stands; the password is what the user types first.
    m_password->setFocus();
    connect(m_ok, &QPushButton::clicked, this, &frmLogin::cmdOK_Click);
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);
}

Status frmLogin::load()
{
    auto suffix = PasswordSuffix::read(m_db);
    if (!suffix)
        return suffix.error();
    // Without a root row the suffix keeps the value it had.
    if (suffix.value())
        m_session.passSuffix = *suffix.value();
    return {};
}

void frmLogin::cmdOK_Click()
{
    auto outcome =
        LoginCheck::check(m_db, m_userName->text(), m_password->text(), m_session.passSuffix);
    if (!outcome) {
        m_failure = outcome.error();
        reject();
        return;
    }
    switch (outcome.value().verdict) {
    case LoginCheck::Verdict::NoSuchUser:
        m_message->setText(QStringLiteral("没有此用户名,请重新再试！"));
        return;
    case LoginCheck::Verdict::WrongPassword:
        refuse(QStringLiteral("输入的密码有误,请重新再试！"));
        return;
    case LoginCheck::Verdict::Accepted:
        break;
    }
    m_account = outcome.value().account;
    m_session.currentUserId = m_account->id;
    m_session.skinName = m_account->skin;
    accept();
}

void frmLogin::refuse(const QString& message)
{
    m_message->setText(message);
    m_password->clear();
    m_password->setFocus();
}
