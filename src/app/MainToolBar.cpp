// SPDX-License-Identifier: GPL-3.0-or-later
#include "MainToolBar.h"

#include "ui/ProgramIcons.h"
#include "ui/Skin.h"

#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QToolButton>

MainToolBar::MainToolBar(QWidget* parent)
    : QToolBar(parent)
{
    setObjectName(QStringLiteral("ToolsBar"));
    setWindowTitle(QStringLiteral("工具栏"));
    setMovable(false);
    setFloatable(false);
    setIconSize(QSize(24, 24));
    setToolButtonStyle(Qt::ToolButtonTextBesideIcon);

    // The widgets below are made without a parent: addWidget() takes each away from its parent
    // before giving it to the toolbar, and each move resolves its palette and font again.
    m_new = addCommand(QStringLiteral("Button_New"), QStringLiteral("新建"),
                       QString(ProgramIcons::toolNew));
    m_edit = addCommand(QStringLiteral("Button_Edit"), QStringLiteral("修改"),
                        QString(ProgramIcons::toolEdit));
    m_delete = addCommand(QStringLiteral("Button_Del"), QStringLiteral("删除"),
                          QString(ProgramIcons::toolDelete));
    m_print = addCommand(QStringLiteral("Button_Print"), QStringLiteral("打印"),
                         QString(ProgramIcons::toolPrint));
    addSeparator();
    addBookMenu();
    m_settings = addCommand(QStringLiteral("Button_Sys"), QStringLiteral("设置"),
                            QString(ProgramIcons::toolSettings));
    m_about = addCommand(QStringLiteral("Button_About"), QStringLiteral("关于"),
                         QString(ProgramIcons::toolAbout));

    auto* spacer = new QWidget();
    spacer->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    addWidget(spacer);
    addSearchBox();
    addSkinChoice();
}

QToolButton* MainToolBar::addCommand(const QString& objectName, const QString& caption,
                                     const QString& iconFile)
{
    auto* button = new QToolButton();
    button->setObjectName(objectName);
    button->setText(caption);
    button->setIcon(iconFile.isEmpty() ? QIcon() : ProgramIcons::load(iconFile));
    button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    button->setAutoRaise(true);
    // Reached by Tab but not focused by a click, so a click leaves the focus in the list.
    button->setFocusPolicy(Qt::TabFocus);
    // Read aloud even when the toolbar is too narrow for the captions.
    button->setToolTip(caption);
    button->setAccessibleName(caption);
    addWidget(button);
    return button;
}

void MainToolBar::addBookMenu()
{
    m_book = addCommand(QStringLiteral("Button_Book"), QStringLiteral("通讯录"),
                        QString(ProgramIcons::groupOpen));
    auto* menu = new QMenu(m_book);
    menu->setObjectName(QStringLiteral("BookMenu"));
    m_newBook = menu->addAction(QStringLiteral("新建通讯录..."));
    m_newBook->setObjectName(QStringLiteral("NewBook"));
    m_openBook = menu->addAction(QStringLiteral("打开通讯录..."));
    m_openBook->setObjectName(QStringLiteral("OpenBook"));
    // Opened by the click rather than set as the button's own menu: the style then draws the
    // button as every other command, without its menu arrow.
    connect(m_book, &QToolButton::clicked, menu,
            [this, menu] { menu->popup(m_book->mapToGlobal(QPoint(0, m_book->height()))); });
}

void MainToolBar::addSearchBox()
{
    auto* box = new QGroupBox();
    box->setObjectName(QStringLiteral("GroupBox1"));
    box->setFlat(true);
    auto* layout = new QHBoxLayout(box);
    layout->setContentsMargins(6, 2, 6, 2);
    auto* label = new QLabel(QStringLiteral("关键字："), box);
    label->setObjectName(QStringLiteral("Label2"));
    m_condition = new QLineEdit(box);
    m_condition->setObjectName(QStringLiteral("Edit_Condition"));
    m_condition->setPlaceholderText(QStringLiteral("姓名、单位、分组或电话"));
    m_condition->setMinimumWidth(180);
    label->setBuddy(m_condition);
    m_search = new QPushButton(QStringLiteral("查找"), box);
    m_search->setObjectName(QStringLiteral("Button_CZ"));
    m_search->setIcon(ProgramIcons::load(QString(ProgramIcons::toolSearch)));
    m_search->setToolTip(m_search->text());
    m_search->setAccessibleName(m_search->text());
    layout->addWidget(label);
    layout->addWidget(m_condition);
    layout->addWidget(m_search);
    addWidget(box);
}

void MainToolBar::completeAfterFirstPaint()
{
    m_condition->setClearButtonEnabled(true);
}

void MainToolBar::addSkinChoice()
{
    auto* label = new QLabel(QStringLiteral("皮肤："));
    label->setObjectName(QStringLiteral("Label1"));
    label->setContentsMargins(8, 0, 2, 0);
    m_skin = new QComboBox();
    m_skin->setObjectName(QStringLiteral("Combo_Skin"));
    m_skin->addItems(Skin::names());
    m_skin->setCurrentIndex(1); // "Silver" until the user's own is known
    label->setBuddy(m_skin);
    addWidget(label);
    addWidget(m_skin);
}
