// SPDX-License-Identifier: GPL-3.0-or-later
// The prompts of a benchmark run: a message is a fault of the run; questions get one fixed
// answer (or are a fault too); input boxes and file dialogs are cancelled.
#pragma once

#include "BenchSupport.h"

#include "ui/Prompter.h"

#include <optional>

class BenchPrompter final : public Prompter {
public:
    // Without an answer, any question stops the run.
    explicit BenchPrompter(std::optional<bool> answer = std::nullopt)
        : m_answer(answer)
    {
    }

    void message(QWidget*, const QString& text, const QString& title, Icon) override
    {
        Bench::fail(QStringLiteral("unexpected message: ") + title + u' ' + text);
    }
    bool ask(QWidget*, const QString& text, const QString&) override
    {
        if (!m_answer)
            Bench::fail(QStringLiteral("unexpected question: ") + text);
        return *m_answer;
    }
    int choose(QWidget*, const QString& text, const QString&, Icon, const QStringList&) override
    {
        Bench::fail(QStringLiteral("unexpected question: ") + text);
        return -1;
    }
    QString input(QWidget*, const QString&, const QString&, const QString&) override { return {}; }
    QString password(QWidget*, const QString&, const QString&) override { return {}; }
    QString openFileName(QWidget*, const QString&, const QString&) override { return {}; }
    QString saveFileName(QWidget*, const QString&, const QString&, const QString&) override
    {
        return {};
    }

private:
    std::optional<bool> m_answer;
};
