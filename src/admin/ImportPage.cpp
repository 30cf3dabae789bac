// SPDX-License-Identifier: GPL-3.0-or-later
#include "ImportPage.h"

#include "db/ListWidths.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTreeWidget>

namespace {

template <typename T> T* named(T* widget, const char* objectName)
{
    widget->setObjectName(QString::fromLatin1(objectName));
    return widget;
}

} // namespace

ImportPage::ImportPage(QWidget* parent)
    : QWidget(parent)
{
    auto* label = named(new QLabel(QStringLiteral("Excel文件："), this), "Label4");
    auto* file = named(new QLineEdit(this), "Edit_Files");
    // Filled only by the file dialog; grey like every box the user cannot type into.
    file->setReadOnly(true);
    QPalette grey = file->palette();
    grey.setColor(QPalette::Base, QColor(0xE0, 0xE0, 0xE0));
    file->setPalette(grey);
    label->setBuddy(file);
    auto* open = named(new QPushButton(this), "Button_Open");
    open->setText(QStringLiteral("..."));
    open->setToolTip(QStringLiteral("打开"));
    open->setAccessibleName(QStringLiteral("打开"));
    auto* mapping = named(new QTreeWidget(this), "ListData");
    mapping->setAccessibleName(QStringLiteral("字段对应关系"));
    mapping->setRootIsDecorated(false);
    mapping->setHeaderLabels(
        {QStringLiteral("来源字段"), QStringLiteral("关系"), QStringLiteral("目的字段")});
    mapping->header()->setStretchLastSection(false);
    mapping->setColumnWidth(0, ListWidths::pixelsFromTwips(1600, mapping->logicalDpiX()));
    mapping->setColumnWidth(1, ListWidths::pixelsFromTwips(800, mapping->logicalDpiX()));
    mapping->setColumnWidth(2, ListWidths::pixelsFromTwips(1600, mapping->logicalDpiX()));
    auto* field = named(new QComboBox(this), "Edit_Field");
    field->setAccessibleName(QStringLiteral("来源字段"));
    auto* input = named(new QPushButton(QStringLiteral("导入联系人"), this), "Button_Input");
    auto* output = named(new QPushButton(QStringLiteral("导出联系人"), this), "Button_Output");
    auto* bar = named(new QProgressBar(this), "Bar");
    bar->setValue(0);

    for (QWidget* control :
         std::initializer_list<QWidget*>{file, open, mapping, field, input, output, bar})
        control->setEnabled(false);

    auto* layout = new QGridLayout(this);
    layout->addWidget(label, 0, 0);
    layout->addWidget(file, 0, 1, 1, 2);
    layout->addWidget(open, 0, 3);
    layout->addWidget(mapping, 1, 0, 1, 4);
    layout->addWidget(field, 2, 0, 1, 2);
    layout->addWidget(input, 2, 2);
    layout->addWidget(output, 2, 3);
    layout->addWidget(bar, 3, 0, 1, 4);
    layout->setRowStretch(1, 1);
}
