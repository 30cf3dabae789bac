// SPDX-License-Identifier: GPL-3.0-or-later
// Answers prompts from a queue and records every prompt shown.
#pragma once

#include "ui/Prompter.h"

#include <QList>
#include <QQueue>
#include <QVariant>

class ScriptedPrompter final : public Prompter {
public:
    struct Shown {
        enum class Kind { Message, Question, Input, OpenFile, SaveFile };
        Kind kind;
        QString text;
        QString title;
        Icon icon = Icon::Information;
    };

    // Queued answers, used in order: bool for questions, QString for input and
    // file prompts.
    void answer(const QVariant& reply) { m_answers.enqueue(reply); }

    const QList<Shown>& shown() const { return m_shown; }
    void clear() { m_shown.clear(); }
    // Prompts that wanted an answer when none was queued.
    int unanswered() const { return m_unanswered; }

    void message(QWidget* parent, const QString& text, const QString& title, Icon icon) override;
    bool ask(QWidget* parent, const QString& text, const QString& title) override;
    QString input(QWidget* parent, const QString& prompt, const QString& title,
                  const QString& defaultText) override;
    QString openFileName(QWidget* parent, const QString& caption, const QString& filter) override;
    QString saveFileName(QWidget* parent, const QString& caption, const QString& suggestedName,
                         const QString& filter) override;

private:
    QVariant next();

    QQueue<QVariant> m_answers;
    QList<Shown> m_shown;
    int m_unanswered = 0;
};
