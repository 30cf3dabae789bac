// SPDX-License-Identifier: GPL-3.0-or-later
// The strip at the top of the main window: commands, search box and skin choice.
#pragma once

#include <QToolBar>

class QAction;
class QComboBox;
class QLineEdit;
class QPushButton;
class QToolButton;

class MainToolBar : public QToolBar {
    Q_OBJECT

public:
    explicit MainToolBar(QWidget* parent = nullptr);

    QToolButton* newButton() const { return m_new; }
    QToolButton* editButton() const { return m_edit; }
    QToolButton* deleteButton() const { return m_delete; }
    QToolButton* printButton() const { return m_print; }
    // "通讯录": a new, empty address book, or another one to open instead of this one.
    QToolButton* bookButton() const { return m_book; }
    QAction* newBookAction() const { return m_newBook; }
    QAction* openBookAction() const { return m_openBook; }
    QToolButton* settingsButton() const { return m_settings; }
    QToolButton* aboutButton() const { return m_about; }
    QLineEdit* condition() const { return m_condition; }
    QPushButton* searchButton() const { return m_search; }
    QComboBox* skinCombo() const { return m_skin; }

    // Adds what the first frame does not need: the search box's clear button, whose icon the
    // style looks for through the desktop's icon themes on disk (a few milliseconds).
    void completeAfterFirstPaint();

private:
    QToolButton* addCommand(const QString& objectName, const QString& caption,
                            const QString& iconFile);
    void addBookMenu();
    void addSearchBox();
    void addSkinChoice();

    QToolButton* m_new = nullptr;
    QToolButton* m_edit = nullptr;
    QToolButton* m_delete = nullptr;
    QToolButton* m_print = nullptr;
    QToolButton* m_book = nullptr;
    QAction* m_newBook = nullptr;
    QAction* m_openBook = nullptr;
    QToolButton* m_settings = nullptr;
    QToolButton* m_about = nullptr;
    QLineEdit* m_condition = nullptr;
    QPushButton* m_search = nullptr;
    QComboBox* m_skin = nullptr;
};
