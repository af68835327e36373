#include "admin/LoginWindow.h"

#include "store/CafeStore.h"
#include "base/Prompter.h"
#include "base/UserSettings.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

LoginWindow::LoginWindow(CafeStore &store, Prompter &prompter, QWidget *parent)
    : QDialog(parent)
    , m_login(store)
    , m_prompter(prompter)
{
    setObjectName(QStringLiteral("frmLogin"));
    buildUi();
}

void LoginWindow::buildUi()
{
    setWindowTitle(QStringLiteral("Login"));

    auto *heading = new QLabel(QStringLiteral("Korvane"), this);
    QFont hf = heading->font();
    hf.setPointSizeF(hf.pointSizeF() * 1.6);
    hf.setBold(true);
    heading->setFont(hf);
    auto *sub = new QLabel(QStringLiteral("Operator login"), this);
    sub->setEnabled(false);

    m_account = new QComboBox(this);
    m_account->setObjectName(QStringLiteral("account"));
    m_account->addItems(Login::accounts());
    m_password = new QLineEdit(this);
    m_password->setObjectName(QStringLiteral("txtPassword"));
    m_password->setEchoMode(QLineEdit::Password);

    auto *form = new QFormLayout;
    form->addRow(QStringLiteral("&User Name:"), m_account);
    form->addRow(QStringLiteral("&Password:"), m_password);

    auto *buttons = new QDialogButtonBox(this);
    m_ok = buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
    m_ok->setObjectName(QStringLiteral("cmdOK"));
    m_ok->setDefault(true);
    m_cancel = buttons->addButton(QStringLiteral("Cancel"), QDialogButtonBox::RejectRole);
    m_cancel->setObjectName(QStringLiteral("cmdCancel"));
    m_cancel->setAutoDefault(false);
    connect(m_ok, &QPushButton::clicked, this, &LoginWindow::auth);
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(24, 20, 24, 16);
    layout->setSpacing(10);
    layout->addWidget(heading);
    layout->addWidget(sub);
    layout->addSpacing(6);
    layout->addLayout(form);
    layout->addSpacing(6);
    layout->addWidget(buttons);
    setMinimumWidth(340);

    // Typing the password and Return is the whole login.
    m_password->setFocus();
    setFocusProxy(m_password);
}

void LoginWindow::noticeFirstRun(const UserSettings &settings)
{
    if (settings.firstRun())
        m_prompter.tell(Login::firstRunNotice(), Prompter::Icon::Information);
}

void LoginWindow::auth()
{
    const auto role = m_login.auth(m_account->currentText(), m_password->text());
    if (!role || !*role) {
        m_prompter.tell(role ? QStringLiteral("Wrong Password") : role.error(), Prompter::Icon::Critical);
        m_password->selectAll();
        m_password->setFocus();
        return;
    }
    emit loggedIn(**role, m_mode);
    accept();
}
