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
    setObjectName(QStringLiteral("Form8"));
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
    m_text1 = makeField("Text1");
    m_text2 = makeField("Text2");
    m_text3 = makeField("Text3");

    m_frame1 = new QGroupBox(m_passwords.frameCaption(), this);
    m_frame1->setObjectName(QStringLiteral("Frame1"));
    auto *form = new QFormLayout(m_frame1);
    m_label1 = new QLabel(QStringLiteral("&Current Password:"), m_frame1);
    m_label1->setObjectName(QStringLiteral("Label1"));
    m_label1->setBuddy(m_text1);
    form->addRow(m_label1, m_text1);
    auto *newLabel = new QLabel(QStringLiteral("&New Password:"), m_frame1);
    newLabel->setBuddy(m_text2);
    form->addRow(newLabel, m_text2);
    auto *againLabel = new QLabel(QStringLiteral("&Verify Password:"), m_frame1);
    againLabel->setBuddy(m_text3);
    form->addRow(againLabel, m_text3);

    auto *buttons = new QDialogButtonBox(this);
    m_command1 = buttons->addButton(QStringLiteral("C&hange"), QDialogButtonBox::ActionRole);
    m_command1->setObjectName(QStringLiteral("Command1"));
    m_command2 = buttons->addButton(QStringLiteral("C&hange"), QDialogButtonBox::ActionRole);
    m_command2->setObjectName(QStringLiteral("Command2"));
    QPushButton *close = buttons->addButton(QDialogButtonBox::Close);
    connect(close, &QPushButton::clicked, this, &QDialog::close);
    connect(m_command1, &QPushButton::clicked, this, &PasswordWindow::submit);
    connect(m_command2, &QPushButton::clicked, this, &PasswordWindow::submit);
    if (admin) {
        m_command2->hide();
    } else {
        m_text1->hide();
        m_label1->hide();
        m_command1->hide();
    }
    changeButton()->setDefault(true);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_frame1);
    layout->addWidget(buttons);
    setFocusProxy(admin ? m_text1 : m_text2);
}

QPushButton *PasswordWindow::changeButton() const
{
    return m_passwords.mode() == Passwords::Mode::Admins ? m_command1 : m_command2;
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
    const Passwords::Outcome o = m_passwords.submit(m_text1->text(), m_text2->text(), m_text3->text());
    for (const QString &m : o.messages)
        m_prompter.tell(m);
    if (!o.error.isEmpty())
        m_prompter.tell(o.error, Prompter::Icon::Critical);
    if (o.focusCurrent)
        m_text1->setFocus();
    if (o.changed)
        close();
}
