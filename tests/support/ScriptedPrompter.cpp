// SPDX-License-Identifier: GPL-3.0-or-later
#include "ScriptedPrompter.h"

#include <QDialog>
#include <QTest>

namespace {

QString kindName(ScriptedPrompter::Kind kind)
{
    switch (kind) {
    case ScriptedPrompter::Kind::Message:
        return QStringLiteral("message");
    case ScriptedPrompter::Kind::Question:
        return QStringLiteral("question");
    case ScriptedPrompter::Kind::Choice:
        return QStringLiteral("choice");
    case ScriptedPrompter::Kind::Input:
        return QStringLiteral("input box");
    case ScriptedPrompter::Kind::OpenFile:
        return QStringLiteral("open dialog");
    case ScriptedPrompter::Kind::SaveFile:
        break;
    }
    return QStringLiteral("save dialog");
}

} // namespace

void ScriptedPrompter::expectMessage(const QString& text)
{
    m_script.enqueue({Kind::Message, text});
}

void ScriptedPrompter::expectQuestion(bool answerYes, const QString& text)
{
    m_script.enqueue({Kind::Question, text, answerYes});
}

void ScriptedPrompter::expectChoice(int answer, const QString& text)
{
    m_script.enqueue({Kind::Choice, text, false, {}, answer});
}

void ScriptedPrompter::expectInput(const QString& reply, const QString& prompt)
{
    m_script.enqueue({Kind::Input, prompt, false, reply});
}

void ScriptedPrompter::expectOpenFile(const QString& path)
{
    m_script.enqueue({Kind::OpenFile, {}, false, path});
}

void ScriptedPrompter::expectSaveFile(const QString& path)
{
    m_script.enqueue({Kind::SaveFile, {}, false, path});
}

ScriptedPrompter::Step ScriptedPrompter::take(const Shown& shown)
{
    m_shown.append(shown);
    QString fault;
    Step step{shown.kind, {}};
    if (m_script.isEmpty()) {
        fault = QStringLiteral("unexpected %1 \"%2\" (title \"%3\")")
                    .arg(kindName(shown.kind), shown.text, shown.title);
    } else {
        step = m_script.dequeue();
        if (step.kind != shown.kind) {
            fault = QStringLiteral("expected a %1, got %2 \"%3\"")
                        .arg(kindName(step.kind), kindName(shown.kind), shown.text);
        } else if (!step.text.isEmpty() && step.text != shown.text) {
            fault = QStringLiteral("expected %1 \"%2\", got \"%3\"")
                        .arg(kindName(step.kind), step.text, shown.text);
        }
    }
    if (!fault.isEmpty()) {
        m_faults << fault;
        QTest::qFail(qPrintable(fault), __FILE__, __LINE__);
    }
    return step;
}

void ScriptedPrompter::message(QWidget*, const QString& text, const QString& title, Icon icon)
{
    take({Kind::Message, text, title, icon});
}

bool ScriptedPrompter::ask(QWidget*, const QString& text, const QString& title)
{
    return take({Kind::Question, text, title, Icon::Question}).yes;
}

int ScriptedPrompter::choose(QWidget*, const QString& text, const QString& title, Icon icon,
                             const QStringList& buttons)
{
    const int wayBack = int(buttons.size()) - 1;
    const Step step = take({Kind::Choice, text, title, icon, {}, {}, {}, buttons});
    // A step that did not fit has failed the test already; the way back changes nothing.
    if (step.kind != Kind::Choice || step.choice < 0)
        return wayBack;
    if (step.choice > wayBack) {
        const QString fault = QStringLiteral("button %1 asked of a choice of %2: \"%3\"")
                                  .arg(step.choice)
                                  .arg(buttons.size())
                                  .arg(text);
        m_faults << fault;
        QTest::qFail(qPrintable(fault), __FILE__, __LINE__);
        return wayBack;
    }
    return step.choice;
}

QString ScriptedPrompter::input(QWidget*, const QString& prompt, const QString& title,
                                const QString& defaultText)
{
    return take({Kind::Input, prompt, title, Icon::Information, defaultText}).reply;
}

QString ScriptedPrompter::password(QWidget*, const QString& prompt, const QString& title)
{
    return take({Kind::Input, prompt, title, Icon::Information}).reply;
}

QString ScriptedPrompter::openFileName(QWidget*, const QString& caption, const QString& filter)
{
    return take({Kind::OpenFile, caption, caption, Icon::Information, {}, filter}).reply;
}

QString ScriptedPrompter::saveFileName(QWidget*, const QString& caption,
                                       const QString& suggestedName, const QString& filter)
{
    return take({Kind::SaveFile, caption, caption, Icon::Information, {}, filter, suggestedName})
        .reply;
}

int ScriptedPrompter::runDialog(QDialog& dialog)
{
    dialogs << dialog.objectName();
    return answerDialog ? answerDialog(dialog) : int(QDialog::Rejected);
}
