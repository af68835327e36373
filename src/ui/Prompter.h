#pragma once

#include <QString>

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
