#include "gui/MessageBoxPrompter.h"

#include <QMessageBox>

namespace {
QMessageBox::Icon toIcon(Prompter::Icon icon)
{
    switch (icon) {
    case Prompter::Icon::None:
        return QMessageBox::NoIcon;
    case Prompter::Icon::Information:
        return QMessageBox::Information;
    case Prompter::Icon::Question:
        return QMessageBox::Question;
    case Prompter::Icon::Warning:
        return QMessageBox::Warning;
    case Prompter::Icon::Critical:
        return QMessageBox::Critical;
    }
    return QMessageBox::NoIcon;
}
} // namespace

void MessageBoxPrompter::tell(const QString &text, Icon icon)
{
    QMessageBox box(toIcon(icon), caption(), text, QMessageBox::Ok, m_parent);
    box.exec();
}

bool MessageBoxPrompter::ask(const QString &text, Icon icon)
{
    QMessageBox box(toIcon(icon), caption(), text, QMessageBox::Yes | QMessageBox::No, m_parent);
    box.setDefaultButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}
