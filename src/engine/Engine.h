#pragma once

#include "engine/Bill.h"
#include "engine/Slot.h"
#include "store/Records.h"
#include "store/StatusPictures.h"

#include <QList>
#include <QMap>
#include <QObject>
#include <QPointer>
#include <functional>
#include <optional>

class CafeStore;
class CustomerStore;
class CommandChannel;
class Prompter;
class Clock;

// The time-charge engine: one slot per computer of the roster, the three
// kinds of time charge from start to bill, and the commands that reach the
// client computers through the command channel. A computer's state changes
// only once its client has accepted the command's connection.
class Engine : public QObject
{
    Q_OBJECT
public:
    Engine(CafeStore &cafe, CustomerStore &customers, CommandChannel &channel, Prompter &prompter,
           const Clock &clock, QObject *parent = nullptr);
    ~Engine() override;

    // --- roster and start-up
    void loadRoster(const QList<ComputerRow> &rows);
    // nullptr for a key not in the roster.
    const Slot *slot(qint64 aa) const;
    QList<qint64> slotKeys() const { return m_slots.keys(); }
    // The minimum charge, minimum time and tolerance, read once.
    void loadRateSettings();
    const RateSettings &rateSettings() const { return m_settings; }
    void restorenormal();
    void restoreprepaid();
    void restoreaccount();

    // --- starting
    void startnormal(qint64 aa);
    void startprepaid(qint64 aa, qint64 seconds);
    // No question: the logon service has checked the PIN.
    void startaccount(qint64 aa, qint64 minutes, const QString &pin);

    // --- ending
    void chargeandlock(qint64 aa);
    void stopcharge(qint64 aa);
    void stopchargeforce(qint64 aa);
    void endaccount(qint64 aa);
    void endaccountask(qint64 aa);
    void stopPrepaid(qint64 aa);
    // One tick of a computer's prepaid timer.
    void checkPrepaidExpiry(qint64 aa);

    // "rebootterm", "logoff", "shutdown" or "powerdown".
    void power(qint64 aa, const QString &word);

    // --- moving a charge to another computer
    // Whether `from` runs a normal or prepaid charge and `to` is another
    // free computer, neither with a command of the engine in flight.
    bool canmove(qint64 from, qint64 to) const;
    // Once the new computer has accepted the charge: the transaction, both
    // flags and both slots follow it, the books in one transaction. False,
    // with nothing changed, when the move is no longer possible or the books
    // cannot be written (told to the operator).
    bool movecharge(qint64 from, qint64 to);

    // --- live status
    // Null when the tool tip is to stay as it is.
    QString usageTip(qint64 aa) const;
    void currentStatus(qint64 aa);

    // --- shared values
    QString pccommand() const { return m_pccommand; }
    qint64 currentComputer() const { return m_current; }
    void setCurrentComputer(qint64 aa) { m_current = aa; }
    // The rate tab last chosen on a bill, 1 to 6; 0 before any.
    int koumpi() const { return m_koumpi; }
    void setKoumpi(int n) { m_koumpi = n; }

    // --- bills: one on screen, the others wait their turn
    bool billOnScreen() const { return m_shown != nullptr; }
    Bill *shownBill() const { return m_shown; }
    int waitingBills() const { return int(m_waiting.size()); }

    // For the bill.
    CafeStore &cafe() { return m_cafe; }
    Prompter &prompter() { return m_prompter; }
    const Clock &clock() const { return m_clock; }
    // Reads the six hourly rates; zeros for the rows that are missing.
    QList<Money> readRates();
    // Closes the bill's own transaction (stoppcbd, stoppcbdpre).
    bool stoppcbd(const Bill &bill);
    // A database failure, told once with its cause.
    void reportStoreError(const QString &cause);

signals:
    void slotChanged(qint64 aa);
    void pictureChanged(qint64 aa, Picture picture);
    void tipCleared(qint64 aa);
    void prepaidTimerChanged(qint64 aa, bool on);
    // A bill is to be shown now; it stays valid until its closed() signal.
    void billOpened(Bill *bill);
    // The customer-account start did not reach the client (refused or failed):
    // the account's in-use mark is the caller's to clear.
    void accountStartFailed(qint64 aa, const QString &pin);
    void accountEnded(qint64 aa, const QString &pin);

private:
    struct Pending
    {
        QString word;
        qint64 aa = 0;
        qint64 amount = 0;
        QString pin;
    };

    Slot *slotFor(qint64 aa);
    // Rebuilds the slots of the computers flagged as running one kind.
    void restore(ComputerFlag flag, const QString &status, Picture picture,
                 std::optional<QList<KinRow>> (CafeStore::*openRows)(const QString &),
                 const std::function<void(Slot &, const KinRow &)> &reload);
    bool confirmAction(const QString &words, const Slot &s);
    bool dispatch(const QString &word, qint64 aa, qint64 amount = 0, const QString &pin = QString());
    // True, with the operator told, while another command is in flight.
    bool refusedWhileBusy(const QString &word, const Slot &s);
    void onConnected();
    void onFailed(const QString &description);
    void onFinished();
    void nextAccountStart();

    KinRow startRow(const Slot &s) const;
    void record(Slot &s, ComputerFlag flag, const KinRow &row);
    void recordnormal(Slot &s);
    void recordprepaid(Slot &s);
    void recordaccount(Slot &s);
    // The prepaid paths that bill at once: stop command and expiry.
    void endprepaid(Slot &s);
    void setPicture(Slot &s, Picture p);
    void setPrepaidTimer(Slot &s, bool on);

    void present(Bill *bill);
    void billClosed(Bill *bill);
    // Whether a computer of that name still runs a charge of that kind.
    bool stillRunning(const QString &name, const QString &status, qint64 except) const;

    CafeStore &m_cafe;
    CustomerStore &m_customers;
    CommandChannel &m_channel;
    Prompter &m_prompter;
    const Clock &m_clock;

    QMap<qint64, Slot> m_slots;
    RateSettings m_settings;
    std::optional<Pending> m_pending;
    // Customers whose PIN was accepted while another command was in flight:
    // they wait their turn instead of being turned away.
    QList<Pending> m_accountStarts;
    QString m_pccommand;
    qint64 m_current = 0;
    int m_koumpi = 0;
    QPointer<Bill> m_shown;
    QList<QPointer<Bill>> m_waiting;
};
