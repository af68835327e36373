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
    m_label1 = new QLabel(this);
    m_label1->setObjectName(QStringLiteral("Label1"));
    QFont big = m_label1->font();
    big.setBold(true);
    m_label1->setFont(big);
    layout->addWidget(m_label1);

    m_form = new QFormLayout;
    for (int i = 0; i < 7; ++i) {
        m_text[i] = new QLineEdit(this);
        m_text[i]->setObjectName(QStringLiteral("Text%1").arg(i + 1));
        m_text[i]->setReadOnly(true);
        m_caption[i] = new QLabel(this);
        m_caption[i]->setBuddy(m_text[i]);
        m_form->addRow(m_caption[i], m_text[i]);
    }
    layout->addLayout(m_form);

    m_combo = new QComboBox(this);
    m_combo->setObjectName(QStringLiteral("Combo1"));
    auto *newComputer = new QLabel(QStringLiteral("New Computer"), this);
    newComputer->setBuddy(m_combo);
    layout->addWidget(newComputer);
    layout->addWidget(m_combo);

    auto *buttons = new QHBoxLayout;
    m_ok = new QPushButton(QStringLiteral("OK"), this);
    m_ok->setObjectName(QStringLiteral("Command1"));
    m_ok->setDefault(true);
    m_cancel = new QPushButton(QStringLiteral("Cancel"), this);
    m_cancel->setObjectName(QStringLiteral("Command2"));
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
    setWindowTitle(prepaid ? QStringLiteral("Transfer") : QStringLiteral("Transferring ") + f.label1);
    m_label1->setText(f.label1);
    const QString values[7] = {f.text1, f.text2, f.text3, f.text4, f.text5, f.text6, f.text7};
    static const char *const normalCaptions[7] = {"Status", "Start Time",   "Address", "Transaction",
                                                  "",       "Seconds Used", ""};
    static const char *const prepaidCaptions[7] = {"Status",      "End Time",     "Start Time",     "Address",
                                                   "Transaction", "Seconds Left", "Prepaid Seconds"};
    for (int i = 0; i < 7; ++i) {
        m_text[i]->setText(values[i]);
        m_caption[i]->setText(QString::fromLatin1(prepaid ? prepaidCaptions[i] : normalCaptions[i]));
        m_form->setRowVisible(i, prepaid || (i != 4 && i != 6));
    }
    fillList();
    setBusy(false);
    show();
    raise();
    activateWindow();
    return true;
}

void TransferWindow::fillList()
{
    const QString chosen = m_combo->currentText();
    m_combo->clear();
    m_combo->addItem(Transfer::Placeholder);
    m_combo->addItems(m_transfer->freeComputers());
    // A choice still free stays chosen after a refresh.
    const int again = m_combo->findText(chosen);
    m_combo->setCurrentIndex(again > 0 ? again : 0);
}

void TransferWindow::ok()
{
    switch (m_transfer->ok(m_combo->currentText())) {
    case Transfer::Answer::NoChoice:
        m_combo->setFocus();
        break;
    case Transfer::Answer::TargetTaken:
        fillList();
        m_combo->setFocus();
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
    m_combo->setEnabled(!busy);
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
