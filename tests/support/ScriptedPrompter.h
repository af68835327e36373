#pragma once

#include "PlatformNoise.h"
#include "base/Prompter.h"

#include <QList>
#include <QQueue>
#include <QString>
#include <QTest>
#include <optional>

// Records every text exactly and answers questions from a queue (No when
// the queue is empty). A slow operator's box stays up a while, the events
// running behind it as behind a real modal box.
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

    void tell(const QString &text, Icon icon = Icon::None) override
    {
        m_said.append({text, icon, false});
        wait();
    }
    bool ask(const QString &text, Icon icon = Icon::Question) override
    {
        m_said.append({text, icon, true});
        wait();
        return m_answers.isEmpty() ? false : m_answers.dequeue();
    }

    void answer(bool yes) { m_answers.enqueue(yes); }
    // Every box answered only after ms of the event loop.
    void answerAfter(int ms) { m_slowMs = ms; }
    const QList<Said> &said() const { return m_said; }
    // Every text said, or those said with that icon.
    QStringList texts(std::optional<Icon> icon = std::nullopt) const
    {
        QStringList t;
        for (const Said &s : m_said)
            if (!icon || s.icon == *icon)
                t << s.text;
        return t;
    }
    QString last() const { return m_said.isEmpty() ? QString() : m_said.last().text; }
    void clear() { m_said.clear(); }

private:
    void wait() const
    {
        if (m_slowMs > 0)
            QTest::qWait(m_slowMs);
    }
    QList<Said> m_said;
    QQueue<bool> m_answers;
    int m_slowMs = 0;
};
