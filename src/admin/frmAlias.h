// SPDX-License-Identifier: GPL-3.0-or-later
// The small dialog that edits one list column's width and order.
#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;

class frmAlias : public QDialog {
    Q_OBJECT

public:
    frmAlias(const QString& width, const QString& seq, QWidget* parent = nullptr);

    // The texts as typed; once the dialog has closed both are whole numbers.
    QString widthText() const;
    QString seqText() const;

    // Every way of closing ends here: it is refused, with the message in
    // Label3, while either box holds no whole number.
    void done(int result) override;

private:
    QLabel* m_widthLabel;
    QLineEdit* m_width;
    QLabel* m_seqLabel;
    QLineEdit* m_seq;
    QLabel* m_message;
};
