#pragma once

#include "base/Prompter.h"

class QWidget;

// The prompter an operator sees: QMessageBox with the caption "Korvane".
class MessageBoxPrompter : public Prompter
{
public:
    explicit MessageBoxPrompter(QWidget *parent = nullptr)
        : m_parent(parent)
    {}
    void setParent(QWidget *parent) { m_parent = parent; }
    void tell(const QString &text, Icon icon = Icon::None) override;
    bool ask(const QString &text, Icon icon = Icon::Question) override;

private:
    QWidget *m_parent;
};
