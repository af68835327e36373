#include "engine/ChargeRecorder.h"

#include "engine/Bill.h"
#include "store/CafeStore.h"
#include "store/CustomerStore.h"

#include <optional>

ChargeRecorder::ChargeRecorder(CafeStore &cafe, CustomerStore &customers)
    : m_cafe(cafe)
    , m_customers(customers)
{}

KinRow ChargeRecorder::startRow(const QString &computer, const QDateTime &start)
{
    KinRow row;
    row.computer = computer;
    row.startdate = start.date();
    row.starttime = start;
    row.type = QStringLiteral("normal");
    return row;
}

Result<qint64> ChargeRecorder::record(const QString &computer, ComputerFlag flag, const KinRow &row)
{
    // The flag and the open row go together, so that a restart finds both or neither.
    std::optional<qint64> key;
    const auto ok = m_cafe.atomically([&] {
        if (!m_cafe.setFlag(computer, flag, true))
            return false;
        const Result<qint64> added = m_cafe.appendTransaction(row);
        if (added)
            key = *added;
        return added.ok();
    });
    if (!ok)
        return failure(ok.error());
    return *key;
}

Result<void> ChargeRecorder::recordEnd(ComputerFlag flag, const QString &computer, qint64 transaction,
                                       const QDateTime &end, const QString &used, bool keepFlag)
{
    return m_cafe.atomically([&] {
        return m_cafe.endCharge(flag, transaction, end, used) && (keepFlag || m_cafe.setFlag(computer, flag, false));
    });
}

Result<void> ChargeRecorder::recordAccountEnd(const QString &computer, qint64 transaction, const QDateTime &end,
                                              const QString &used, bool keepFlag)
{
    return m_cafe.atomically([&] {
        if (transaction != 0 && !m_cafe.endCharge(ComputerFlag::User, transaction, end, used))
            return false;
        return keepFlag || m_cafe.setFlag(computer, ComputerFlag::User, false);
    });
}

Result<void> ChargeRecorder::storeBill(const Bill &bill, bool keepFlag)
{
    const bool prepaid = bill.isPrepaid();
    const QString name = bill.computer();
    QString missing;
    const auto ok = m_cafe.atomically([&] {
        // By the bill's state, not its text: the text follows the locale.
        const bool cleared = bill.isCleared();
        // The extras summed again in this transaction: a bill closes neither
        // without them nor with other ones than it shows.
        const Result<std::optional<Money>> extras = m_cafe.sumExtras(bill.transaction());
        const std::optional<Money> total = bill.total();
        if (!extras || bill.extras() != extras->value_or(Money()) || !total) {
            missing = !extras ? extras.error()
                              : QStringLiteral("The bill of %1 shows other extras than the books hold;"
                                               " it shows theirs now. Confirm it again.")
                                    .arg(name);
            return false;
        }
        KinRow row;
        row.aa = bill.transaction();
        row.enddate = bill.end().date();
        row.endtime = bill.end().time();
        row.timecharged = cleared ? Money() : bill.timeCharge()->roundedToCents();
        row.totaltime = bill.timeUsed();
        row.extra = bill.extras()->roundedToCents();
        row.total = total;
        row.reason = bill.reasonShown() ? bill.reason() : QString();
        // Confirmed once: a second confirmation of the same row would count it twice.
        if (!m_cafe.confirmCharge(row, prepaid) || !m_cafe.joinOpenShift(row.aa))
            return false;
        const ChargeKind &kind = *chargeKind(prepaid ? SlotState::Prepaid : SlotState::Normal);
        return keepFlag || m_cafe.setFlag(name, kind.flag, false);
    });
    if (!ok)
        return failure(missing.isEmpty() ? ok.error() : missing);
    return {};
}

Result<void> ChargeRecorder::move(ComputerFlag flag, qint64 transaction, const QString &from, const QString &to,
                                  bool keepSourceFlag)
{
    return m_cafe.atomically([&] {
        if (transaction != 0 && !m_cafe.moveTransaction(transaction, to))
            return false;
        if (!m_cafe.setFlag(to, flag, true))
            return false;
        return keepSourceFlag || m_cafe.setFlag(from, flag, false);
    });
}

Result<void> ChargeRecorder::settleAccount(const QString &pin, qint64 used)
{
    const Result<int> paid = m_customers.spend(pin, used);
    if (!paid)
        return failure(paid.error());
    return {};
}

Result<void> ChargeRecorder::clearAccountMark(qint64 account)
{
    return m_customers.release(account);
}
