#include "customers/NewUserDialog.h"

#include "base/Prompter.h"
#include "customers/CustomerAccounts.h"
#include "customers/NewUserCheck.h"
#include "customers/PaymentDialog.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

NewUserDialog::NewUserDialog(CustomerAccounts &accounts, Prompter &prompter, std::function<QString()> seller,
                             QWidget *parent)
    : QWidget(parent, Qt::Window)
    , m_accounts(accounts)
    , m_prompter(prompter)
    , m_seller(std::move(seller))
{
    setObjectName(QStringLiteral("frmnewuser"));
    setWindowTitle(QStringLiteral("New User"));
    buildUi();
}

void NewUserDialog::buildUi()
{
    auto *grid = new QGridLayout(this);
    auto row = [this, grid](const char *name, const char *caption, int r) {
        auto *e = new QLineEdit(this);
        e->setObjectName(QString::fromLatin1(name));
        e->setMaxLength(60);
        auto *l = new QLabel(QString::fromLatin1(caption), this);
        l->setBuddy(e);
        grid->addWidget(l, r, 0);
        grid->addWidget(e, r, 1);
        return e;
    };
    m_name = row("name", "NAME", 0);
    m_lastname = row("lastName", "LAST NAME", 1);
    m_telephone = row("telephone", "TELEPHONE", 2);

    auto *time = new QGroupBox(QStringLiteral("TIME"), this);
    auto *timeLayout = new QGridLayout(time);
    auto number = [this, time, timeLayout](const char *name, const char *caption, int c) {
        auto *e = new QLineEdit(QStringLiteral("00"), time);
        e->setObjectName(QString::fromLatin1(name));
        e->setMaxLength(9); // nobody buys a billion hours; the minutes stay exact
        e->setMaximumWidth(80);
        auto *l = new QLabel(QString::fromLatin1(caption), time);
        l->setBuddy(e);
        timeLayout->addWidget(l, 0, c);
        timeLayout->addWidget(e, 1, c);
        return e;
    };
    m_hours = number("hours", "HOURS", 0);
    m_minutes = number("minutes", "MINUTES", 1);
    grid->addWidget(time, 3, 0, 1, 2);

    auto *add = new QPushButton(QStringLiteral("&Add"), this);
    add->setObjectName(QStringLiteral("add"));
    add->setDefault(true);
    connect(add, &QPushButton::clicked, this, &NewUserDialog::add);
    connect(m_minutes, &QLineEdit::returnPressed, this, &NewUserDialog::add);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(add);
    grid->addLayout(buttons, 4, 0, 1, 2);
    setMinimumWidth(360);
}

void NewUserDialog::add()
{
    using NewUserCheck::Field;
    using Kind = NewUserCheck::Outcome::Kind;
    const NewUserCheck::Outcome o = NewUserCheck::check(m_name->text(), m_lastname->text(), m_telephone->text(),
                                                        m_hours->text(), m_minutes->text());
    QLineEdit *field = nullptr;
    switch (o.field) {
    case Field::Name:
        field = m_name;
        break;
    case Field::LastName:
        field = m_lastname;
        break;
    case Field::Telephone:
        field = m_telephone;
        break;
    case Field::Hours:
        field = m_hours;
        break;
    case Field::Minutes:
        field = m_minutes;
        break;
    case Field::None:
        break;
    }
    switch (o.kind) {
    case Kind::Fill:
        field->setText(QStringLiteral("00"));
        return;
    case Kind::Refuse:
        m_prompter.tell(o.message);
        if (field)
            field->setFocus();
        return;
    case Kind::Proceed:
        addUser(o.minutes);
        return;
    }
}

void NewUserDialog::addUser(qint64 minutes)
{
    const QString name = m_name->text().trimmed();
    const QString lastname = m_lastname->text().trimmed();
    const Result<bool> taken = m_accounts.nameTaken(name, lastname);
    if (taken && !*taken && minutes > 0) {
        // The account is stored once the amount paid is given; cancelled,
        // nothing is stored and the entry stays for another try.
        if (m_payment)
            m_payment->close();
        m_payment = new PaymentDialog(m_prompter, m_seller(), this);
        m_payment->setAttribute(Qt::WA_DeleteOnClose);
        connect(m_payment, &PaymentDialog::paid, this, [this, minutes](const Payment &p) {
            store(minutes, p);
            emit finished();
            close();
        });
        m_payment->offer(name + QLatin1Char(' ') + lastname, minutes, m_accounts.offer(minutes));
        m_payment->open();
        return;
    }
    if (!taken)
        m_prompter.tell(taken.error(), Prompter::Icon::Critical);
    else if (*taken)
        m_prompter.tell(name + QLatin1Char(' ') + lastname + QLatin1Char(' ') + QStringLiteral("Already Exists"));
    else
        store(minutes, Payment{});
    emit finished();
    close();
}

void NewUserDialog::store(qint64 minutes, const Payment &payment)
{
    const Result<qint64> aa = m_accounts.addUser(m_name->text().trimmed(), m_lastname->text().trimmed(),
                                                 m_telephone->text().trimmed(), minutes, payment);
    if (aa)
        emit added(*aa);
    else
        m_prompter.tell(aa.error(), Prompter::Icon::Critical);
}
