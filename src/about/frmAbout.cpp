// SPDX-License-Identifier: GPL-3.0-or-later
#include "frmAbout.h"

#include "AboutDesktop.h"
#include "ProgramVersion.h"
#include "SystemInfoProgram.h"

#include "ui/ProgramIcons.h"
#include "ui/Prompter.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

const QString applicationTitle = QStringLiteral("瓦德林通讯录");

QLabel* namedLabel(const QString& objectName, const QString& text, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(objectName);
    label->setWordWrap(true);
    return label;
}

} // namespace

frmAbout::frmAbout(Prompter& prompter, AboutDesktop& desktop, QWidget* parent)
    : QDialog(parent)
    , m_prompter(prompter)
    , m_desktop(desktop)
    , m_icon(namedLabel(QStringLiteral("picIcon"), QString(), this))
    , m_title(namedLabel(QStringLiteral("lblTitle"), applicationTitle, this))
    , m_version(namedLabel(QStringLiteral("lblVersion"),
                           QStringLiteral("版本 ") + ProgramVersion::text(), this))
    , m_description(namedLabel(
          QStringLiteral("lblDescription"),
          QStringLiteral("这是一款全新的通讯录管理软件，结合通讯录、电话薄、CRM的功能为一体，"
                         "管理更轻松，使用更便捷。"),
          this))
    , m_contact(namedLabel(QStringLiteral("Label1"),
                           QStringLiteral("瓦德林通讯录开发组　电子邮件：vardelin@example.org"),
                           this))
    , m_link(namedLabel(QStringLiteral("Label2"), QString(), this))
    , m_disclaimer(namedLabel(
          QStringLiteral("lblDisclaimer"),
          QStringLiteral("本程序是自由软件：您可以依照自由软件基金会发布的 GNU 通用公共许可证"
                         "第 3 版或（由您选择）任何更新的版本再发布和修改它。发布本程序是希望它"
                         "有用，但不提供任何担保，甚至不含适销性或适用于特定用途的默示担保。"),
          this))
    , m_ok(new QPushButton(QStringLiteral("确定"), this))
    , m_sysInfo(new QPushButton(QStringLiteral("系统信息(&S)..."), this))
{
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(QStringLiteral("关于 ") + applicationTitle);
    setModal(true);

    const QIcon programIcon = ProgramIcons::load(QString(ProgramIcons::contactMale));
    m_icon->setPixmap(programIcon.pixmap(48, 48));
    m_icon->setWordWrap(false);
    QFont titleFont = m_title->font();
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.6);
    titleFont.setBold(true);
    m_title->setFont(titleFont);

    const QString address = webSite().toString();
    m_link->setText(QStringLiteral("<a href=\"%1\">%1</a>").arg(address.toHtmlEscaped()));
    m_link->setTextFormat(Qt::RichText);
    m_link->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
    m_link->setOpenExternalLinks(false);
    m_link->setAccessibleName(address);
    m_link->setCursor(Qt::PointingHandCursor);

    m_ok->setObjectName(QStringLiteral("cmdOK"));
    m_ok->setDefault(true);
    m_sysInfo->setObjectName(QStringLiteral("cmdSysInfo"));

    auto* rule = new QFrame(this);
    rule->setFrameShape(QFrame::HLine);
    rule->setFrameShadow(QFrame::Sunken);

    auto* text = new QVBoxLayout;
    text->addWidget(m_title);
    text->addWidget(m_version);
    text->addSpacing(6);
    text->addWidget(m_description);
    text->addSpacing(6);
    text->addWidget(m_contact);
    text->addWidget(m_link);
    auto* top = new QHBoxLayout;
    top->addWidget(m_icon, 0, Qt::AlignTop);
    top->addLayout(text, 1);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(m_disclaimer, 1);
    auto* buttons = new QVBoxLayout;
    buttons->addWidget(m_ok);
    buttons->addWidget(m_sysInfo);
    buttons->addStretch(1);
    bottom->addLayout(buttons);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(rule);
    layout->addLayout(bottom);
    setMinimumWidth(480);

    connect(m_ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_sysInfo, &QPushButton::clicked, this, &frmAbout::StartSysInfo);
    connect(m_link, &QLabel::linkActivated, this, &frmAbout::Label2_Click);
}

QUrl frmAbout::webSite()
{
    return QUrl(QStringLiteral("https://vardelin.example.org/"));
}

void frmAbout::Label2_Click()
{
    // As before, a browser that cannot be started is not reported.
    m_desktop.openUrl(webSite());
}

void frmAbout::StartSysInfo()
{
    const QString program = SystemInfoProgram::find(
        [this](const QString& name) { return m_desktop.findExecutable(name); });
    if (!program.isEmpty() && m_desktop.startDetached(program))
        return;
    m_prompter.message(this, QStringLiteral("此时系统信息不可用"), applicationTitle,
                       Prompter::Icon::None);
}
