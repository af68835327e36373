#pragma once

#include "engine/Transfer.h"

#include <QDialog>

class CafeStore;
class Clock;
class Engine;
class Prompter;
class QComboBox;
class QFormLayout;
class QLabel;
class QLineEdit;
class QPushButton;
struct Ports;

// "Transfer": moves the running charge of one computer to a free one. The
// window stays open until the move is done or the operator closes it; it
// cannot be closed while a move is in flight.
class TransferWindow : public QDialog
{
    Q_OBJECT
public:
    TransferWindow(Engine &engine, CafeStore &cafe, Prompter &prompter, const Clock &clock, const Ports &ports,
                   QWidget *parent = nullptr);

    // Where the two command channels come from; TCP channels to the command
    // port unless a test says otherwise. Takes effect before the first move.
    void setChannelFactory(Transfer::ChannelFactory factory);
    // Shows the window for the charge of aa; false, and nothing shown, when
    // aa runs no normal or prepaid charge or a move is still in flight.
    bool openFor(qint64 aa);
    Transfer &transfer() { return *m_transfer; }

    void reject() override;

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void buildUi();
    void fillList();
    void ok();
    void setBusy(bool busy);

    Transfer *m_transfer;
    QFormLayout *m_form = nullptr;
    QLabel *m_computer = nullptr;
    // The charge's fields, in the order shown: status, end time, start time,
    // address, transaction, seconds, prepaid seconds.
    QLineEdit *m_field[7] = {};
    QLabel *m_caption[7] = {};
    QComboBox *m_targets = nullptr;
    QPushButton *m_ok = nullptr;
    QPushButton *m_cancel = nullptr;
};
