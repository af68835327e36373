#include "admin/PasswordWindow.h"

#include "base/Prompter.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

PasswordWindow::PasswordWindow(CafeStore &store, Prompter &prompter, Passwords::Mode mode, QWidget *parent)
    : QDialog(parent)
    , m_passwords(store, mode)
    , m_prompter(prompter)
{
    setObjectName(QStringLiteral("passwordWindow"));
    buildUi();
}

void PasswordWindow::buildUi()
{
    const bool admin = m_passwords.mode() == Passwords::Mode::Admins;
    setWindowTitle(QStringLiteral("Passwords") + m_passwords.titleSuffix());

    auto makeField = [this](const char *name) {
        auto *f = new QLineEdit(this);
        f->setObjectName(QString::fromLatin1(name));
        f->setEchoMode(QLineEdit::Password);
        f->setMinimumWidth(200);
        return f;
    };
    m_current = makeField("currentPassword");
    m_new = makeField("newPassword");
    m_again = makeField("verifyPassword");

    m_frame = new QGroupBox(m_passwords.frameCaption(), this);
    m_frame->setObjectName(QStringLiteral("passwordFrame"));
    auto *form = new QFormLayout(m_frame);
    m_currentLabel = new QLabel(QStringLiteral("&Current Password:"), m_frame);
    m_currentLabel->setObjectName(QStringLiteral("currentPasswordLabel"));
    m_currentLabel->setBuddy(m_current);
    form->addRow(m_currentLabel, m_current);
    auto *newLabel = new QLabel(QStringLiteral("&New Password:"), m_frame);
    newLabel->setBuddy(m_new);
    form->addRow(newLabel, m_new);
    auto *againLabel = new QLabel(QStringLiteral("&Verify Password:"), m_frame);
    againLabel->setBuddy(m_again);
    form->addRow(againLabel, m_again);

    auto *buttons = new QDialogButtonBox(this);
    m_changeAdmin = buttons->addButton(QStringLiteral("C&hange"), QDialogButtonBox::ActionRole);
    m_changeAdmin->setObjectName(QStringLiteral("changeAdminPassword"));
    m_changeUser = buttons->addButton(QStringLiteral("C&hange"), QDialogButtonBox::ActionRole);
    m_changeUser->setObjectName(QStringLiteral("changeUserPassword"));
    QPushButton *close = buttons->addButton(QDialogButtonBox::Close);
    connect(close, &QPushButton::clicked, this, &QDialog::close);
    connect(m_changeAdmin, &QPushButton::clicked, this, &PasswordWindow::submit);
    connect(m_changeUser, &QPushButton::clicked, this, &PasswordWindow::submit);
    if (admin) {
        m_changeUser->hide();
    } else {
        m_current->hide();
        m_currentLabel->hide();
        m_changeAdmin->hide();
    }
    changeButton()->setDefault(true);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_frame);
    layout->addWidget(buttons);
    setFocusProxy(admin ? m_current : m_new);
}

QPushButton *PasswordWindow::changeButton() const
{
    return m_passwords.mode() == Passwords::Mode::Admins ? m_changeAdmin : m_changeUser;
}

bool PasswordWindow::load()
{
    const Result<void> r = m_passwords.load();
    if (!r)
        m_prompter.tell(r.error(), Prompter::Icon::Critical);
    return r.ok();
}

void PasswordWindow::submit()
{
    const Passwords::Outcome o = m_passwords.submit(m_current->text(), m_new->text(), m_again->text());
    for (const QString &m : o.messages)
        m_prompter.tell(m);
    if (!o.error.isEmpty())
        m_prompter.tell(o.error, Prompter::Icon::Critical);
    if (o.focusCurrent)
        m_current->setFocus();
    if (o.changed)
        close();
}
