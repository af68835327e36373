#pragma once

#include "engine/Slot.h"
#include "store/Records.h"
#include "base/Money.h"
#include "base/Result.h"

#include <QDateTime>
#include <QList>
#include <QObject>
#include <QStringList>
#include <functional>
#include <optional>

class CafeStore;
class Clock;
class Prompter;
class Bill;

// What a bill needs from the console around it.
struct BillContext
{
    CafeStore &cafe;
    Prompter &prompter;
    const Clock &clock;
    RateSettings settings;
    // The rate tab chosen last, shared by every bill (1 to 6; 0 before any).
    int *rateTab = nullptr;
    // Writes a confirmed bill into the books, one write; the error text on failure.
    std::function<Result<void>(const Bill &)> store;
};

// The text shown when the books refuse a read or a write.
QString storeErrorText(const QString &cause);

// What the billing window shows for one time charge, and what its buttons do.
// A bill ending a charge closes its own transaction, found by its key, when
// confirmed; a status view only shows the charge so far and writes nothing.
class Bill : public QObject
{
    Q_OBJECT
public:
    enum class Kind {
        Normal,       // "Charge And Lock" of a normal time charge
        Prepaid,      // the end of a prepaid time charge
        Status,       // "Current Status" of a running normal time charge
        PrepaidStatus // "Current Status" of a running prepaid time charge
    };

    // `ended` is when the charge ended (a normal charge's "Charge And Lock");
    // a prepaid charge is billed to its planned end, a status view to now.
    Bill(const BillContext &context, Kind kind, const Slot &slot, const QDateTime &ended = QDateTime(),
         QObject *parent = nullptr);

    Kind kind() const { return m_kind; }
    bool isStatusView() const { return m_kind == Kind::Status || m_kind == Kind::PrepaidStatus; }
    bool isPrepaid() const { return m_kind == Kind::Prepaid || m_kind == Kind::PrepaidStatus; }
    bool canConfirm() const { return !isStatusView() && !m_confirmed; }
    bool isConfirmed() const { return m_confirmed; }
    // "normal" or "pretime".
    QString chargeType() const;

    qint64 slotKey() const { return m_slotKey; }
    QString computer() const { return m_name; }
    QString caption() const { return QStringLiteral("Current Status For ") + m_name; }
    qint64 transaction() const { return m_transaction; }

    QDateTime start() const { return m_start; }
    QDateTime end() const { return m_end; }
    QString startTimeText() const;
    QString startDateText() const;
    QString endTimeText() const;
    QString endDateText() const;
    // The end is not shown in the status view of a normal charge.
    bool showsEnd() const { return m_kind != Kind::Status; }
    qint64 minutes() const { return m_minutes; }
    QString timeUsed() const;
    bool showsTimeLeft() const { return isPrepaid(); }
    QString timeLeftText() const;

    QList<Money> rates() const { return m_rates; }
    QStringList rateCaptions() const;
    int rateTab() const { return m_rateTab; }
    Money halfHourPrice() const { return m_halfHour; }

    // nullopt past the amount limit.
    std::optional<Money> timeCharge() const { return m_timeCharge; }
    QString timeChargeText() const;
    // "0" when the transaction has no extras, empty when they could not be summed.
    QString extrasText() const { return m_extrasText; }
    std::optional<Money> extras() const { return m_extras; }
    QString totalText() const { return m_totalText; }
    // What confirming stores as the total: nothing when cleared, else the
    // time charge and the extras to the cent; nullopt when either is not
    // known or the sum would pass the amount limit.
    std::optional<Money> total() const;
    bool isCleared() const { return m_cleared; }
    bool reasonShown() const { return m_cleared; }
    QString reason() const { return m_reason; }
    void setReason(const QString &reason) { m_reason = reason; }

    // Tab n (1 to 6) of the hourly rates; remembered for the next bills.
    void selectRate(int n);
    // Anything typed into the total: the total becomes zero and a reason is due.
    void clearTotal();
    // Closes the transaction; false (and nothing written) when refused.
    bool confirm();
    // Whether the window may go: an ending bill not yet confirmed asks first
    // (it stays in the books, waiting, and can be confirmed later).
    bool mayClose();

    // Sums the extras; a failure is told unless `quiet`, and leaves them unknown.
    void getExtras(bool quiet = false);
    void grandTotal();
    // Re-sums the extras and returns the lines for the extras grid.
    QList<ExtraRow> extraCharge();
    // nullopt: no line selected.
    bool deleteExtra(std::optional<qint64> extraKey);
    bool setExtraQuantity(qint64 extraKey, const QString &quantity);

    // Brings a status view up to the present moment.
    void refresh();
    // The window went away, confirmed or not.
    void close();

signals:
    void changed();
    void confirmed();
    void closed();

private:
    // After an extra was changed in the books: tell, re-sum, redraw.
    bool extrasEdited(const Result<void> &stored);
    void fill();
    void sumTotal();

    void tellStoreError(const QString &cause);
    QList<Money> readRates();

    BillContext m_context;
    Kind m_kind;
    qint64 m_slotKey = 0;
    QString m_name;
    qint64 m_transaction = 0;
    QDateTime m_start;
    QDateTime m_end;
    QDateTime m_plannedEnd;
    QDateTime m_ended;
    qint64 m_minutes = 0;
    QList<Money> m_rates;
    int m_rateTab = 1;
    Money m_halfHour;
    std::optional<Money> m_timeCharge;
    std::optional<Money> m_extras;
    QString m_extrasText = QStringLiteral("0");
    QString m_totalText;
    bool m_cleared = false;
    QString m_reason;
    bool m_confirmed = false;
    bool m_closed = false;
};
