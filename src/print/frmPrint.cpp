// SPDX-License-Identifier: GPL-3.0-or-later
#include "frmPrint.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QSpinBox>
#include <QVBoxLayout>

namespace {

QDoubleSpinBox* offsetBox(const QString& name, double value, QWidget* parent)
{
    auto* box = new QDoubleSpinBox(parent);
    box->setObjectName(name);
    box->setRange(-30, 30);
    box->setDecimals(1);
    box->setSingleStep(0.5);
    box->setSuffix(QStringLiteral(" mm"));
    box->setValue(value);
    return box;
}

} // namespace

frmPrint::frmPrint(const PrintSettings& settings, QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("frmPrint"));
    setWindowTitle(QStringLiteral("打印"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(buildKinds());
    layout->addWidget(buildCardOptions());
    layout->addWidget(buildEnvelopeOptions(settings));
    layout->addWidget(buildLabelOptions());

    auto* buttons = new QHBoxLayout();
    buttons->addStretch();
    const auto addButton = [this, buttons](const char* name, const QString& caption, int code) {
        auto* button = new QPushButton(caption, this);
        button->setObjectName(QString::fromLatin1(name));
        buttons->addWidget(button);
        connect(button, &QPushButton::clicked, this, [this, code] { done(code); });
        return button;
    };
    addButton("Button_Preview", QStringLiteral("打印预览..."), Preview)->setDefault(true);
    addButton("Button_Pdf", QStringLiteral("导出PDF"), Pdf);
    addButton("Button_Cancel", QStringLiteral("取消"), Rejected);
    layout->addLayout(buttons);
    showOptionsOfKind();
}

QGroupBox* frmPrint::buildKinds()
{
    auto* box = new QGroupBox(QStringLiteral("打印内容"), this);
    auto* layout = new QHBoxLayout(box);
    m_kinds = new QButtonGroup(box);
    const std::pair<const char*, const char16_t*> kinds[] = {
        {"Radio_List", u"通讯录列表"},
        {"Radio_Cards", u"联系人卡片"},
        {"Radio_Envelopes", u"信封"},
        {"Radio_Labels", u"标签"},
    };
    int id = 0;
    for (const auto& [name, caption] : kinds) {
        auto* radio = new QRadioButton(QString::fromUtf16(caption), box);
        radio->setObjectName(QString::fromLatin1(name));
        m_kinds->addButton(radio, id++);
        layout->addWidget(radio);
    }
    m_kinds->button(0)->setChecked(true);
    connect(m_kinds, &QButtonGroup::idToggled, this, &frmPrint::showOptionsOfKind);
    return box;
}

QGroupBox* frmPrint::buildCardOptions()
{
    m_cardBox = new QGroupBox(QStringLiteral("联系人卡片"), this);
    auto* layout = new QFormLayout(m_cardBox);
    m_cardsPerPage = new QComboBox(m_cardBox);
    m_cardsPerPage->setObjectName(QStringLiteral("Combo_CardsPerPage"));
    m_cardsPerPage->addItems({QStringLiteral("每页一张"), QStringLiteral("每页两张")});
    layout->addRow(QStringLiteral("每页张数："), m_cardsPerPage);
    return m_cardBox;
}

QGroupBox* frmPrint::buildEnvelopeOptions(const PrintSettings& settings)
{
    m_envelopeBox = new QGroupBox(QStringLiteral("信封"), this);
    auto* layout = new QFormLayout(m_envelopeBox);
    m_envelope = new QComboBox(m_envelopeBox);
    m_envelope->setObjectName(QStringLiteral("Combo_Envelope"));
    for (const EnvelopeSize& size : envelopeSizes)
        m_envelope->addItem(QString::fromUtf16(size.name));
    m_senderAddress = new QLineEdit(settings.senderAddress, m_envelopeBox);
    m_senderAddress->setObjectName(QStringLiteral("Edit_SenderAddress"));
    m_senderPostcode = new QLineEdit(settings.senderPostcode, m_envelopeBox);
    m_senderPostcode->setObjectName(QStringLiteral("Edit_SenderPostcode"));
    // A postcode is six digits; the boxes hold nothing else.
    m_senderPostcode->setValidator(new QRegularExpressionValidator(
        QRegularExpression(QStringLiteral("[0-9]{0,6}")), m_senderPostcode));
    m_offsetX = offsetBox(QStringLiteral("Spin_OffsetX"), settings.offsetXmm, m_envelopeBox);
    m_offsetY = offsetBox(QStringLiteral("Spin_OffsetY"), settings.offsetYmm, m_envelopeBox);
    layout->addRow(QStringLiteral("信封尺寸："), m_envelope);
    layout->addRow(QStringLiteral("寄件人地址："), m_senderAddress);
    layout->addRow(QStringLiteral("寄件人邮编："), m_senderPostcode);
    layout->addRow(QStringLiteral("向右偏移："), m_offsetX);
    layout->addRow(QStringLiteral("向下偏移："), m_offsetY);
    return m_envelopeBox;
}

QGroupBox* frmPrint::buildLabelOptions()
{
    m_labelBox = new QGroupBox(QStringLiteral("标签"), this);
    auto* layout = new QFormLayout(m_labelBox);
    m_labelSheet = new QComboBox(m_labelBox);
    m_labelSheet->setObjectName(QStringLiteral("Combo_LabelSheet"));
    for (const LabelSheet& sheet : labelSheets)
        m_labelSheet->addItem(QString::fromUtf16(sheet.name));
    m_firstLabel = new QSpinBox(m_labelBox);
    m_firstLabel->setObjectName(QStringLiteral("Spin_FirstLabel"));
    layout->addRow(QStringLiteral("标签规格（A4）："), m_labelSheet);
    layout->addRow(QStringLiteral("从第几张标签开始："), m_firstLabel);
    connect(m_labelSheet, &QComboBox::currentIndexChanged, this, &frmPrint::limitFirstLabel);
    limitFirstLabel();
    return m_labelBox;
}

void frmPrint::limitFirstLabel()
{
    const LabelSheet& sheet = labelSheets[std::size_t(std::max(0, m_labelSheet->currentIndex()))];
    m_firstLabel->setRange(1, sheet.columns * sheet.rows);
}

void frmPrint::showOptionsOfKind()
{
    const int kind = m_kinds->checkedId();
    m_cardBox->setEnabled(kind == int(PrintKind::Cards));
    m_envelopeBox->setEnabled(kind == int(PrintKind::Envelopes));
    m_labelBox->setEnabled(kind == int(PrintKind::Labels));
}

PrintOptions frmPrint::options() const
{
    PrintOptions options;
    options.kind = PrintKind(std::max(0, m_kinds->checkedId()));
    options.cardsPerPage = m_cardsPerPage->currentIndex() + 1;
    options.envelope = m_envelope->currentIndex();
    options.labelSheet = m_labelSheet->currentIndex();
    options.firstLabel = m_firstLabel->value();
    options.sender.senderAddress = m_senderAddress->text().trimmed();
    options.sender.senderPostcode = m_senderPostcode->text();
    options.sender.offsetXmm = m_offsetX->value();
    options.sender.offsetYmm = m_offsetY->value();
    return options;
}
