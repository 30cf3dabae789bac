// SPDX-License-Identifier: GPL-3.0-or-later
// The choice of what to print and how: the list, cards, envelopes or labels with their options.
#pragma once

#include "PrintOptions.h"

#include <QDialog>

class QButtonGroup;
class QComboBox;
class QDoubleSpinBox;
class QGroupBox;
class QLineEdit;
class QSpinBox;

class frmPrint : public QDialog {
    Q_OBJECT

public:
    // The dialog's result codes beside Rejected.
    enum Outcome { Preview = 1, Pdf = 2 };

    frmPrint(const PrintSettings& settings, QWidget* parent = nullptr);

    // What the user chose; the sender and the offset as typed.
    PrintOptions options() const;

private:
    QGroupBox* buildKinds();
    QGroupBox* buildCardOptions();
    QGroupBox* buildEnvelopeOptions(const PrintSettings& settings);
    QGroupBox* buildLabelOptions();
    void showOptionsOfKind();
    void limitFirstLabel();

    QButtonGroup* m_kinds = nullptr;
    QGroupBox* m_cardBox = nullptr;
    QGroupBox* m_envelopeBox = nullptr;
    QGroupBox* m_labelBox = nullptr;
    QComboBox* m_cardsPerPage = nullptr;
    QComboBox* m_envelope = nullptr;
    QLineEdit* m_senderAddress = nullptr;
    QLineEdit* m_senderPostcode = nullptr;
    QDoubleSpinBox* m_offsetX = nullptr;
    QDoubleSpinBox* m_offsetY = nullptr;
    QComboBox* m_labelSheet = nullptr;
    QSpinBox* m_firstLabel = nullptr;
};
