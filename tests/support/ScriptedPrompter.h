// SPDX-License-Identifier: GPL-3.0-or-later
// Answers prompts from a script and records everything each prompt was given.
// Every prompt must match the next step of the script, in kind and (when the
// step names one) in text; a prompt that does not, or one shown after the
// script ran out, fails the running test. So a missing or extra question
// cannot pass unnoticed.
#pragma once

#include "ui/Prompter.h"

#include <QList>
#include <QQueue>
#include <QStringList>

#include <functional>

class ScriptedPrompter final : public Prompter {
public:
    enum class Kind { Message, Question, Choice, Input, OpenFile, SaveFile };

    struct Shown {
        Kind kind;
        QString text = {}; // message, question or input prompt; caption of a file dialog
        QString title = {};
        Icon icon = Icon::Information;
        QString defaultText = {};   // input boxes
        QString filter = {};        // file dialogs
        QString suggestedName = {}; // save dialogs
        QStringList buttons = {};   // choices
    };

    // The script. An empty text matches any text.
    void expectMessage(const QString& text = {});
    void expectQuestion(bool answerYes, const QString& text = {});
    // A choice answered by pressing the button at index answer.
    void expectChoice(int answer, const QString& text = {});
    void expectInput(const QString& reply, const QString& prompt = {});
    void expectOpenFile(const QString& path);
    void expectSaveFile(const QString& path);

    const QList<Shown>& shown() const { return m_shown; }
    // The prompts that failed the test, in words.
    const QStringList& faults() const { return m_faults; }
    // True when every scripted step was used and nothing unexpected was shown.
    bool scriptDone() const { return m_script.isEmpty() && m_faults.isEmpty(); }
    int pending() const { return int(m_script.size()); }
    // Forgets what was shown (not the faults): for a test that checks in stages.
    void clearShown() { m_shown.clear(); }

    void message(QWidget* parent, const QString& text, const QString& title, Icon icon) override;
    bool ask(QWidget* parent, const QString& text, const QString& title) override;
    int choose(QWidget* parent, const QString& text, const QString& title, Icon icon,
               const QStringList& buttons) override;
    QString input(QWidget* parent, const QString& prompt, const QString& title,
                  const QString& defaultText) override;
    // Answered as an input box (expectInput).
    QString password(QWidget* parent, const QString& prompt, const QString& title) override;
    QString openFileName(QWidget* parent, const QString& caption, const QString& filter) override;
    QString saveFileName(QWidget* parent, const QString& caption, const QString& suggestedName,
                         const QString& filter) override;

    // The program's own dialogs: answered by answerDialog (rejected while it is not set), their
    // object names kept in the order shown.
    std::function<int(QDialog&)> answerDialog;
    QStringList dialogs;
    int runDialog(QDialog& dialog) override;

private:
    struct Step {
        Kind kind;
        QString text = {};
        bool yes = false;
        QString reply = {};
        int choice = -1;
    };

    // Records the prompt, takes the next step and fails the test when it does
    // not fit; the step is returned either way so the caller can answer.
    Step take(const Shown& shown);

    QQueue<Step> m_script;
    QList<Shown> m_shown;
    QStringList m_faults;
};
