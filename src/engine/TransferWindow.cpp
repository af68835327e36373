#include "engine/TransferWindow.h"

#include "link/Ports.h"
#include "link/TcpChannel.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

TransferWindow::TransferWindow(Engine &engine, CafeStore &cafe, Prompter &prompter, const Clock &clock,
                               const Ports &ports, QWidget *parent)
    : QDialog(parent)
{
    const quint16 port = ports.command;
    m_transfer = new Transfer(
        engine, cafe, prompter, clock, [port] { return new TcpChannel(port); }, this);
    connect(m_transfer, &Transfer::busyChanged, this, &TransferWindow::setBusy);
    connect(m_transfer, &Transfer::failed, this, &TransferWindow::fillList);
    connect(m_transfer, &Transfer::ended, this, [this] {
        setBusy(false);
        accept();
    });
    setModal(true);
    buildUi();
}

void TransferWindow::buildUi()
{
    setWindowTitle(QStringLiteral("Transfer"));
    auto *layout = new QVBoxLayout(this);
    m_computer = new QLabel(this);
    m_computer->setObjectName(QStringLiteral("computerName"));
    QFont big = m_computer->font();
    big.setBold(true);
    m_computer->setFont(big);
    layout->addWidget(m_computer);

    m_form = new QFormLayout;
    static const char *const names[7] = {"status",      "endTime", "startTime",     "address",
                                         "transaction", "seconds", "prepaidSeconds"};
    for (int i = 0; i < 7; ++i) {
        m_field[i] = new QLineEdit(this);
        m_field[i]->setObjectName(QLatin1String(names[i]));
        m_field[i]->setReadOnly(true);
        m_caption[i] = new QLabel(this);
        m_caption[i]->setBuddy(m_field[i]);
        m_form->addRow(m_caption[i], m_field[i]);
    }
    layout->addLayout(m_form);

    m_targets = new QComboBox(this);
    m_targets->setObjectName(QStringLiteral("newComputer"));
    auto *newComputer = new QLabel(QStringLiteral("New Computer"), this);
    newComputer->setBuddy(m_targets);
    layout->addWidget(newComputer);
    layout->addWidget(m_targets);

    auto *buttons = new QHBoxLayout;
    m_ok = new QPushButton(QStringLiteral("OK"), this);
    m_ok->setObjectName(QStringLiteral("okButton"));
    m_ok->setDefault(true);
    m_cancel = new QPushButton(QStringLiteral("Cancel"), this);
    m_cancel->setObjectName(QStringLiteral("cancelButton"));
    buttons->addStretch();
    buttons->addWidget(m_ok);
    buttons->addWidget(m_cancel);
    layout->addLayout(buttons);
    connect(m_ok, &QPushButton::clicked, this, &TransferWindow::ok);
    connect(m_cancel, &QPushButton::clicked, this, &TransferWindow::reject);
}

void TransferWindow::setChannelFactory(Transfer::ChannelFactory factory)
{
    m_transfer->setChannelFactory(std::move(factory));
}

bool TransferWindow::openFor(qint64 aa)
{
    if (!m_transfer->load(aa))
        return false;
    const Transfer::Fields f = m_transfer->fields();
    const bool prepaid = m_transfer->prepaid();
    setWindowTitle(prepaid ? QStringLiteral("Transfer") : QStringLiteral("Transferring ") + f.computer);
    m_computer->setText(f.computer);
    const QString values[7] = {f.status,      f.endTime, f.startTime,       f.address,
                               f.transaction, f.seconds, f.prepaidSeconds};
    static const char *const captions[7] = {"Status",      "End Time", "Start Time",     "Address",
                                            "Transaction", "",         "Prepaid Seconds"};
    for (int i = 0; i < 7; ++i) {
        m_field[i]->setText(values[i]);
        m_caption[i]->setText(QString::fromLatin1(captions[i]));
        // A normal charge has no end and no prepaid seconds.
        m_form->setRowVisible(i, prepaid || (i != 1 && i != 6));
    }
    m_caption[5]->setText(prepaid ? QStringLiteral("Seconds Left") : QStringLiteral("Seconds Used"));
    fillList();
    setBusy(false);
    show();
    raise();
    activateWindow();
    return true;
}

void TransferWindow::fillList()
{
    const QString chosen = m_targets->currentText();
    m_targets->clear();
    m_targets->addItem(Transfer::Placeholder);
    m_targets->addItems(m_transfer->freeComputers());
    // A choice still free stays chosen after a refresh.
    const int again = m_targets->findText(chosen);
    m_targets->setCurrentIndex(again > 0 ? again : 0);
}

void TransferWindow::ok()
{
    switch (m_transfer->ok(m_targets->currentText())) {
    case Transfer::Answer::NoChoice:
        m_targets->setFocus();
        break;
    case Transfer::Answer::TargetTaken:
        fillList();
        m_targets->setFocus();
        break;
    case Transfer::Answer::SourceGone:
        reject();
        break;
    case Transfer::Answer::Declined:
    case Transfer::Answer::Started:
        break;
    }
}

void TransferWindow::setBusy(bool busy)
{
    m_ok->setEnabled(!busy);
    m_cancel->setEnabled(!busy);
    m_targets->setEnabled(!busy);
}

void TransferWindow::reject()
{
    // Half a move must run to its end: the new computer may already be unlocked.
    if (m_transfer->isBusy())
        return;
    QDialog::reject();
}

void TransferWindow::closeEvent(QCloseEvent *event)
{
    if (m_transfer->isBusy()) {
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}
