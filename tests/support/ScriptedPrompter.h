#pragma once

#include "PlatformNoise.h"
#include "ui/Prompter.h"

#include <QList>
#include <QQueue>
#include <QString>

// Records every text exactly and answers questions from a queue (No when
// the queue is empty).
class ScriptedPrompter : public Prompter
{
public:
    struct Said
    {
        QString text;
        Icon icon;
        bool question;
    };

    ScriptedPrompter() { quietPlatformNoise(); } // every window test has one

    void tell(const QString &text, Icon icon = Icon::None) override { m_said.append({text, icon, false}); }
    bool ask(const QString &text, Icon icon = Icon::Question) override
    {
        m_said.append({text, icon, true});
        return m_answers.isEmpty() ? false : m_answers.dequeue();
    }

    void answer(bool yes) { m_answers.enqueue(yes); }
    const QList<Said> &said() const { return m_said; }
    QStringList texts() const
    {
        QStringList t;
        for (const Said &s : m_said)
            t << s.text;
        return t;
    }
    QString last() const { return m_said.isEmpty() ? QString() : m_said.last().text; }
    void clear() { m_said.clear(); }

private:
    QList<Said> m_said;
    QQueue<bool> m_answers;
};
