#pragma once

#include <QString>
#include <QStringList>
#include <utility>

// Every message box and Yes/No question goes through a prompter: the caption
// is always "Korvane", questions default to No.
class Prompter
{
public:
    enum class Icon { None, Information, Question, Warning, Critical };

    virtual ~Prompter() = default;
    virtual void tell(const QString &text, Icon icon = Icon::None) = 0;
    virtual bool ask(const QString &text, Icon icon = Icon::Question) = 0;

    static QString caption() { return QStringLiteral("Korvane"); }
};

// Tells texts one box at a time. A box runs the event loop while it is
// shown, so more reports may come meanwhile: they wait, and the next box
// tells them all together, instead of boxes piling up one on another.
class NoticeQueue
{
public:
    NoticeQueue(Prompter &prompter, Prompter::Icon icon)
        : m_prompter(prompter)
        , m_icon(icon)
    {}
    void tell(const QString &text)
    {
        m_waiting << text;
        if (m_showing)
            return;
        m_showing = true;
        while (!m_waiting.isEmpty())
            m_prompter.tell(std::exchange(m_waiting, {}).join(QStringLiteral("\n\n")), m_icon);
        m_showing = false;
    }

private:
    Prompter &m_prompter;
    Prompter::Icon m_icon;
    QStringList m_waiting;
    bool m_showing = false;
};
