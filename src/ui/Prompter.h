// SPDX-License-Identifier: GPL-3.0-or-later
// Every message box, input box and file dialog of the program goes through here,
// so that tests can answer them and read what was shown.
#pragma once

#include <QString>
#include <QStringList>

class QDialog;
class QWidget;
struct DbError;

class Prompter {
public:
    enum class Icon { Critical, Question, Exclamation, Information, None };

    virtual ~Prompter() = default;

    // A message with an OK button.
    virtual void message(QWidget* parent, const QString& text, const QString& title, Icon icon) = 0;
    // A question with Yes and No; true only for Yes.
    virtual bool ask(QWidget* parent, const QString& text, const QString& title) = 0;
    // A question answered by one of the buttons, named in order; gives the index of the one
    // pressed. The last button is the way back that changes nothing: Escape and the close box
    // give it too.
    virtual int choose(QWidget* parent, const QString& text, const QString& title, Icon icon,
                       const QStringList& buttons) = 0;
    // A line of text; Cancel gives the empty text.
    virtual QString input(QWidget* parent, const QString& prompt, const QString& title,
                          const QString& defaultText) = 0;
    // A password, typed unseen; Cancel gives the empty text.
    virtual QString password(QWidget* parent, const QString& prompt, const QString& title) = 0;
    // A file to read or write; Cancel gives the empty text.
    virtual QString openFileName(QWidget* parent, const QString& caption,
                                 const QString& filter) = 0;
    virtual QString saveFileName(QWidget* parent, const QString& caption,
                                 const QString& suggestedName, const QString& filter) = 0;

    // A dialog of the program's own shown modally (the print choice, the print preview); gives
    // its result code. A prompter that does not show dialogs answers Rejected, as if closed.
    virtual int runDialog(QDialog& dialog);

    // The error box: the description, titled "错误" followed by the number. Nothing for an
    // error whose cause the user has been told already.
    void showError(QWidget* parent, const DbError& error);
};
