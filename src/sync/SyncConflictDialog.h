// SPDX-License-Identifier: GPL-3.0-or-later
// The choice, per field, between this address book's value and the server's, for a contact
// changed on both sides; like the merge window's choice of values.
#pragma once

#include "SyncEngine.h"

#include <QDialog>
#include <QHash>

class QComboBox;

class SyncConflictDialog : public QDialog {
    Q_OBJECT

public:
    explicit SyncConflictDialog(const SyncConflict& conflict, QWidget* parent = nullptr);

    // The fields set to the server's value.
    QSet<QString> serverFields() const;
    // The choice box of a field (object name "Choice_" + field), for tests.
    QComboBox* choice(const QString& field) const { return m_choices.value(field); }

private:
    QHash<QString, QComboBox*> m_choices;
};
