#include "customers/PaymentDialog.h"

#include "base/Format.h"
#include "base/Prompter.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

PaymentDialog::PaymentDialog(Prompter &prompter, QString seller, QWidget *parent)
    : QDialog(parent)
    , m_prompter(prompter)
    , m_seller(std::move(seller))
{
    setObjectName(QStringLiteral("payment"));
    setWindowTitle(QStringLiteral("Amount Paid"));
    setWindowModality(Qt::WindowModal);
    auto *form = new QFormLayout(this);
    auto field = [this, form](const char *name, const QString &caption) {
        auto *e = new QLineEdit(this);
        e->setObjectName(QString::fromLatin1(name));
        auto *l = new QLabel(caption, this);
        l->setBuddy(e);
        form->addRow(l, e);
        return std::pair{l, e};
    };
    m_customer = field("customer", QStringLiteral("C&ustomer")).second;
    m_customer->setReadOnly(true);
    m_time = field("timeSold", QStringLiteral("&Time")).second;
    m_time->setReadOnly(true);
    m_amount = field("amountPaid", QStringLiteral("&Amount Paid")).second;
    m_amount->setMaxLength(24);
    std::tie(m_reasonLabel, m_reason) = field("reason", QStringLiteral("Enter the &reason you are not charging"));
    m_reason->setMaxLength(200);
    auto *buttons = new QDialogButtonBox(this);
    auto *ok = buttons->addButton(QStringLiteral("&OK"), QDialogButtonBox::AcceptRole);
    ok->setObjectName(QStringLiteral("ok"));
    ok->setDefault(true);
    buttons->addButton(QStringLiteral("&Cancel"), QDialogButtonBox::RejectRole)
        ->setObjectName(QStringLiteral("cancel"));
    form->addRow(buttons);
    connect(ok, &QPushButton::clicked, this, &PaymentDialog::confirm);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_amount, &QLineEdit::textChanged, this, &PaymentDialog::followAmount);
    setMinimumWidth(380);
}

void PaymentDialog::offer(const QString &customer, qint64 minutes, const std::optional<Money> &amount)
{
    m_customer->setText(customer);
    m_time->setText(Format::minutes(minutes));
    m_amount->setText(amount ? Format::amount(*amount) : QString());
    m_reason->clear();
    followAmount();
    m_amount->selectAll();
    m_amount->setFocus();
}

void PaymentDialog::followAmount()
{
    const std::optional<Money> m = Money::parseCash(m_amount->text());
    const bool free = m && m->isZero();
    m_reasonLabel->setVisible(free);
    m_reason->setVisible(free);
}

void PaymentDialog::confirm()
{
    const Result<Payment> p = CustomerAccounts::paymentFrom(m_amount->text(), m_reason->text(), m_seller);
    if (!p) {
        m_prompter.tell(p.error());
        (m_amount->text().trimmed().isEmpty() || m_reason->isHidden() ? m_amount : m_reason)->setFocus();
        return;
    }
    emit paid(*p);
    accept();
}
