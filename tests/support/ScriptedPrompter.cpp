// SPDX-License-Identifier: GPL-3.0-or-later
#include "ScriptedPrompter.h"

QVariant ScriptedPrompter::next()
{
    if (m_answers.isEmpty()) {
        ++m_unanswered;
        return {};
    }
    return m_answers.dequeue();
}

void ScriptedPrompter::message(QWidget*, const QString& text, const QString& title, Icon icon)
{
    m_shown.append({Shown::Kind::Message, text, title, icon});
}

bool ScriptedPrompter::ask(QWidget*, const QString& text, const QString& title)
{
    m_shown.append({Shown::Kind::Question, text, title, Icon::Question});
    return next().toBool();
}

QString ScriptedPrompter::input(QWidget*, const QString& prompt, const QString& title,
                                const QString&)
{
    m_shown.append({Shown::Kind::Input, prompt, title, Icon::Information});
    return next().toString();
}

QString ScriptedPrompter::openFileName(QWidget*, const QString& caption, const QString&)
{
    m_shown.append({Shown::Kind::OpenFile, caption, caption, Icon::Information});
    return next().toString();
}

QString ScriptedPrompter::saveFileName(QWidget*, const QString& caption, const QString&,
                                       const QString&)
{
    m_shown.append({Shown::Kind::SaveFile, caption, caption, Icon::Information});
    return next().toString();
}
