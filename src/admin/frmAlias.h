// SPDX-License-Identifier: GPL-3.0-or-later
// The small dialog that edits one list column's caption, width and order.
#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;

class frmAlias : public QDialog {
    Q_OBJECT

public:
    frmAlias(const QString& caption, const QString& width, const QString& seq,
             QWidget* parent = nullptr);

    // The texts as typed; once the dialog has closed the caption is one the list can show and
    // width and order are whole numbers.
    QString captionText() const;
    QString widthText() const;
    QString seqText() const;

    // Every way of closing ends here: it is refused, with the message in
    // Label3, while the caption is blank or either number box holds no whole number.
    void done(int result) override;

private:
    QLabel* m_captionLabel;
    QLineEdit* m_caption;
    QLabel* m_widthLabel;
    QLineEdit* m_width;
    QLabel* m_seqLabel;
    QLineEdit* m_seq;
    QLabel* m_message;
};
