#pragma once

#include "engine/Bill.h"
#include "engine/BillQueue.h"
#include "engine/ChargeRecorder.h"
#include "engine/Command.h"
#include "engine/Dispatcher.h"
#include "engine/Slot.h"
#include "store/Records.h"
#include "store/StatusPictures.h"
#include "base/Prompter.h"
#include "base/Result.h"

#include <QList>
#include <QMap>
#include <QObject>
#include <QSet>
#include <QTimer>
#include <functional>

class CafeStore;
class CustomerStore;
class CommandChannel;
class Clock;

// The time-charge engine: one slot per computer of the roster, the three
// kinds of time charge from start to bill, and what each command does once
// its client has accepted the connection. A computer's state changes only
// then, and a start reaches the client only once the books hold it. Behind
// it, each owning its state: Dispatcher (the commands in flight to the
// clients), ChargeRecorder (the writes into the books) and BillQueue (the
// bill on screen and those waiting).
//
// Engine.cpp holds the normal and prepaid charges; EngineAccounts.cpp the
// customer-account charges; EngineRestore.cpp the restart and the bills that
// wait for confirmation.
class Engine : public QObject
{
    Q_OBJECT
public:
    // `newAccountChannel` makes a channel to the command port for each
    // customer-account start, and for the lock of a client left open by
    // Terminate.
    Engine(CafeStore &cafe, CustomerStore &customers, CommandChannel &channel,
           std::function<CommandChannel *()> newAccountChannel, Prompter &prompter, const Clock &clock,
           QObject *parent = nullptr);
    ~Engine() override;

    // --- roster and start-up
    void loadRoster(const QList<ComputerRow> &rows);
    // nullptr for a key not in the roster.
    const Slot *slot(qint64 aa) const;
    QList<qint64> slotKeys() const { return m_slots.keys(); }
    // The minimum charge, minimum time and tolerance, read once.
    void loadRateSettings();
    const RateSettings &rateSettings() const { return m_settings; }
    // Takes up the charges the books show as running, then tells every
    // client again what the books say of it, each through a channel of its
    // own: a command lost with the last run (a start recorded but never
    // sent, an end recorded but never delivered) cannot leave a client open
    // for free or a charge running on a locked computer. After a run that
    // died, every free computer is locked (one being moved from may still be
    // open); otherwise those whose bill waits for confirmation.
    void restore(const std::function<CommandChannel *()> &newChannel, bool lockEveryFree);
    // The map follows what another counter on the same books started or
    // ended: charges the books show as running are taken up, those that
    // ended there are freed here; no client is told anything (the other
    // counter told it), and no bill is offered (the other counter's).
    void followBooks();
    // The client of `aa` answered a probe: one left open by a Terminate
    // while it was away is locked now that it can hear it.
    void clientAnswered(qint64 aa);

    // --- starting; each refuses a computer that is not free
    void startNormal(qint64 aa);
    void startPrepaid(qint64 aa, qint64 seconds);
    // No question: the logon service has checked the PIN. One start at a
    // time per computer; the operator hears once of a client that fails,
    // until a start there succeeds.
    void startAccount(qint64 aa, qint64 minutes, const QString &pin);
    // The computers a customer-account start is on its way to.
    QList<qint64> startingAccounts() const { return m_dispatcher.startingAccounts(); }

    // --- ending
    void chargeAndLock(qint64 aa);
    void stopCharge(qint64 aa);
    void stopChargeForce(qint64 aa);
    // False, with the operator told and the charge running on, when the
    // account cannot be settled. `at`, when valid and past, is when the
    // customer left (never before the charge began).
    bool endAccount(qint64 aa, const QDateTime &at = QDateTime());
    void endAccountAsk(qint64 aa);
    void stopPrepaid(qint64 aa);
    // One tick of a computer's prepaid timer.
    void checkPrepaidExpiry(qint64 aa);

    void power(qint64 aa, Command command);

    // --- moving a charge to another computer
    // Whether `from` runs a normal or prepaid charge and `to` is another
    // free computer, neither with a command of the engine in flight.
    bool canMove(qint64 from, qint64 to) const;
    // Once the new computer has accepted the charge: the transaction, both
    // flags and both slots follow it, the books in one transaction. False,
    // with nothing changed, when the move is no longer possible or the books
    // cannot be written (told to the operator).
    bool moveCharge(qint64 from, qint64 to);

    // --- live status
    // Null when the tool tip is to stay as it is.
    QString usageTip(qint64 aa) const;
    void currentStatus(qint64 aa);

    // --- shared values
    QString pcCommand() const { return m_dispatcher.pcCommand(); }
    qint64 currentComputer() const { return m_current; }
    void setCurrentComputer(qint64 aa) { m_current = aa; }
    // The rate tab last chosen on a bill, 1 to 6; 0 before any.
    int rateTab() const { return m_rateTab; }

    // --- bills: one on screen, the others wait their turn
    bool billOnScreen() const { return m_bills.billOnScreen(); }
    // Ended charges whose bill the operator has not confirmed yet.
    Result<QList<KinRow>> unconfirmedBills();
    // Shows every unconfirmed bill in turn (at start-up, after asking).
    void offerUnconfirmedBills();

    // A database failure, told once with its cause.
    void reportStoreError(const QString &cause);

signals:
    void slotChanged(qint64 aa);
    void pictureChanged(qint64 aa, Picture picture);
    void tipCleared(qint64 aa);
    void prepaidTimerChanged(qint64 aa, bool on);
    // A bill is to be shown now; it stays valid until its closed() signal.
    void billOpened(Bill *bill);
    // The customer-account start never became a charge (refused, failed, or
    // not recorded): the account's in-use mark is the caller's to clear.
    void accountStartFailed(qint64 aa, const QString &pin);
    void accountEnded(qint64 aa, const QString &pin);

private:
    void restoreNormal();
    void restorePrepaid();
    void restoreAccount();
    void retellClients(const std::function<CommandChannel *()> &newChannel, bool lockEveryFree);
    // Sends text to the client at address on a channel of its own; failed
    // is called when it cannot be delivered.
    void tellClient(CommandChannel *channel, const QString &address, const QByteArray &text,
                    const std::function<void()> &failed = {});
    Slot *slotFor(qint64 aa);
    BillContext billContext();
    // Rebuilds the slots of the computers flagged as running one kind.
    void restore(const ChargeKind &kind, const std::function<void(Slot &, const KinRow &)> &reload);
    // After a kill between the two books: clears the mark of an account whose
    // charge was never recorded, and ends a charge whose account was settled.
    void settleAccounts();
    bool confirmAction(Command command, const Slot &s);
    // What the client's acceptance of an operator's command does.
    void onConnected(const PendingCommand &p, CommandChannel *channel);
    void onFailed(const PendingCommand &p, const QString &description);
    void onAccountConnected(const PendingCommand &p, CommandChannel *channel);
    void accountStartLost(const PendingCommand &p, const QString &description);
    // A start the client accepted: recorded first, then sent on `channel`; a
    // start the books refuse leaves the slot free and the client locked.
    void begin(Slot &s, const PendingCommand &p, const QDateTime &now, CommandChannel &channel);

    // The end of the slot's normal or prepaid charge, in the books.
    Result<void> recordEnd(const Slot &s, const QDateTime &end, const QString &used);
    Result<void> storeBill(const Bill &bill);
    // The prepaid paths that bill at once: stop command and expiry. An end the
    // books refuse bills and frees nothing (false, the operator told); an
    // expiry then stops its timer.
    bool endPrepaid(Slot &s, bool stopping);
    // Frees a slot whose charge has ended or never began.
    void freeSlot(Slot &s, Picture picture);
    void setPicture(Slot &s, Picture p);
    void setPrepaidTimer(Slot &s, bool on);
    // Offers an unconfirmed bill of a free computer before anything else starts there.
    bool offerUnconfirmedBill(const Slot &s);
    Bill *billFromBooks(const KinRow &row);

    void present(Bill *bill) { m_bills.present(bill); }
    // Whether a computer of that name still runs a charge of that kind.
    bool stillRunning(const QString &name, SlotState state, qint64 except) const;

    CafeStore &m_cafe;
    CustomerStore &m_customers;
    Prompter &m_prompter;
    const Clock &m_clock;
    ChargeRecorder m_books;

    QMap<qint64, Slot> m_slots;
    RateSettings m_settings;
    Dispatcher m_dispatcher;
    // Computers whose failed account start the operator has heard of.
    QSet<qint64> m_failingClients;
    NoticeQueue m_startFailures;
    qint64 m_current = 0;
    int m_rateTab = 0;
    BillQueue m_bills;
    // Looks at every running prepaid charge once a second while one runs.
    QTimer m_prepaidTick;
    std::function<CommandChannel *()> m_newChannel;
    // Charges ended by Terminate while their client could not be told: the
    // client is still open for use, until it hears the lock.
    QSet<qint64> m_leftOpen;
};
