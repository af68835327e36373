#include "engine/Bill.h"

#include "engine/Tariff.h"
#include "store/CafeStore.h"
#include "base/Clock.h"
#include "base/Format.h"
#include "base/Prompter.h"

QString storeErrorText(const QString &cause)
{
    return QStringLiteral("The books could not be read or written.\n") + cause;
}

Bill::Bill(const BillContext &context, Kind kind, const Slot &slot, const QDateTime &ended, QObject *parent)
    : QObject(parent)
    , m_context(context)
    , m_kind(kind)
    , m_slotKey(slot.aa)
    , m_name(slot.name)
    , m_transaction(slot.transaction)
    , m_start(slot.start)
    , m_plannedEnd(slot.plannedEnd)
    , m_ended(ended)
{
    // Rates are read for every bill, so a change applies to the next one.
    m_rates = readRates();
    const int tab = m_context.rateTab ? *m_context.rateTab : 0;
    m_rateTab = tab >= 1 && tab <= 6 ? tab : 1;
    m_halfHour = Tariff::halfHourPrice(m_rates.value(m_rateTab - 1));
    fill();
}

QList<Money> Bill::readRates()
{
    auto rates = m_context.cafe.rates();
    if (!rates) {
        tellStoreError(rates.error());
        rates = QList<Money>();
    }
    while (rates->size() < 6)
        rates->append(Money());
    return rates->mid(0, 6);
}

void Bill::tellStoreError(const QString &cause)
{
    m_context.prompter.tell(storeErrorText(cause), Prompter::Icon::Critical);
}

QString Bill::chargeType() const { return isPrepaid() ? QStringLiteral("pretime") : QStringLiteral("normal"); }

void Bill::fill()
{
    // A prepaid charge is billed to its planned end, date included, so that
    // one crossing midnight does not come out negative.
    if (isPrepaid() && m_plannedEnd.isValid())
        m_end = m_plannedEnd;
    else
        m_end = m_ended.isValid() ? m_ended : m_context.clock.now();
    m_minutes = m_start.isValid() ? Format::minuteBoundaries(m_start, m_end) : 0;
    m_timeCharge = Tariff::timeCharge(m_minutes, m_halfHour, m_context.settings);
    getExtras();
    grandTotal();
}

void Bill::refresh()
{
    if (isStatusView()) {
        fill();
        emit changed();
    }
}

QString Bill::startTimeText() const { return m_start.isValid() ? Format::longTime(m_start.time()) : QString(); }
QString Bill::startDateText() const { return m_start.isValid() ? Format::shortDate(m_start.date()) : QString(); }
QString Bill::endTimeText() const { return Format::longTime(m_end.time()); }
QString Bill::endDateText() const { return Format::shortDate(m_end.date()); }

QString Bill::timeUsed() const { return Format::duration(m_start.isValid() ? m_start.secsTo(m_end) : 0); }

QString Bill::timeLeftText() const
{
    if (!isPrepaid() || !m_plannedEnd.isValid())
        return QString();
    return Format::timeLeft(m_context.clock.now().secsTo(m_plannedEnd));
}

QStringList Bill::rateCaptions() const
{
    QStringList captions;
    for (const Money &rate : m_rates)
        captions << Format::currency(rate);
    return captions;
}

QString Bill::timeChargeText() const { return m_timeCharge ? Format::amount(*m_timeCharge) : QString(); }

void Bill::selectRate(int n)
{
    if (n < 1 || n > m_rates.size())
        return;
    m_rateTab = n;
    if (m_context.rateTab)
        *m_context.rateTab = n;
    // The same exact half of the rate however the tab was reached.
    m_halfHour = Tariff::halfHourPrice(m_rates.at(n - 1));
    sumTotal();
}

void Bill::sumTotal()
{
    m_timeCharge = Tariff::timeCharge(m_minutes, m_halfHour, m_context.settings);
    grandTotal();
    emit changed();
}

void Bill::clearTotal()
{
    m_cleared = true;
    m_totalText = Format::amount(Money());
    emit changed();
}

void Bill::getExtras(bool quiet)
{
    const Result<std::optional<Money>> sum = m_context.cafe.sumExtras(m_transaction);
    if (!sum) {
        // Unknown, not none: the bill cannot be confirmed without them.
        m_extras.reset();
        m_extrasText.clear();
        if (!quiet)
            tellStoreError(sum.error());
        return;
    }
    m_extras = sum->value_or(Money());
    m_extrasText = *sum ? Format::amount(**sum) : QStringLiteral("0");
}

std::optional<Money> Bill::total() const
{
    if (m_cleared)
        return Money();
    if (!m_timeCharge || !m_extras)
        return std::nullopt;
    return m_timeCharge->roundedToCents().plus(m_extras->roundedToCents());
}

void Bill::grandTotal()
{
    // A total the operator cleared stays cleared.
    if (m_cleared) {
        m_totalText = Format::amount(Money());
        return;
    }
    const std::optional<Money> sum = total();
    m_totalText = sum ? Format::amount(*sum) : QString();
}

QList<ExtraRow> Bill::extraCharge()
{
    getExtras();
    grandTotal();
    emit changed();
    const auto rows = m_context.cafe.extras(m_transaction);
    if (!rows) {
        tellStoreError(rows.error());
        return {};
    }
    return *rows;
}

bool Bill::deleteExtra(std::optional<qint64> extraKey)
{
    if (!extraKey) {
        m_context.prompter.tell(QStringLiteral("No Selection"));
        return false;
    }
    return extrasEdited(m_context.cafe.deleteExtra(*extraKey));
}

bool Bill::extrasEdited(const Result<void> &stored)
{
    if (!stored) {
        tellStoreError(stored.error());
        return false;
    }
    m_context.prompter.tell(QStringLiteral("Update Complete"));
    getExtras();
    grandTotal();
    emit changed();
    return true;
}

bool Bill::setExtraQuantity(qint64 extraKey, const QString &quantity)
{
    bool ok = false;
    const qint64 n = quantity.trimmed().toLongLong(&ok);
    const Result<bool> stored =
        ok && n >= 0 && n <= Money::MaxQuantity ? m_context.cafe.setExtraQuantity(extraKey, n) : Result<bool>(false);
    if (stored && !*stored) {
        m_context.prompter.tell(QStringLiteral(" Only Numbers In This Field"));
        return false;
    }
    return extrasEdited(stored ? Result<void>() : Result<void>(failure(stored.error())));
}

bool Bill::confirm()
{
    if (!canConfirm())
        return false;
    if (m_cleared && m_reason.trimmed().isEmpty()) {
        m_context.prompter.tell(QStringLiteral("No Reason Entered"));
        return false;
    }
    if (!m_cleared && m_extras && !total()) {
        m_context.prompter.tell(QStringLiteral("The total of %1 is more than %2, the most a bill can hold.\n"
                                               "Clear the total and enter the reason to close the charge.")
                                    .arg(m_name, Format::amount(Money::fromUnits(Money::Limit))),
                                Prompter::Icon::Critical);
        return false;
    }
    if (const Result<void> stored = m_context.store(*this); !stored) {
        tellStoreError(stored.error());
        // Shown again as the books hold them, so that what is confirmed next is seen.
        getExtras(true);
        grandTotal();
        emit changed();
        return false;
    }
    m_confirmed = true;
    emit confirmed();
    close();
    return true;
}

bool Bill::mayClose()
{
    if (!canConfirm() || m_closed)
        return true;
    return m_context.prompter.ask(
        QStringLiteral("The bill of ") + m_name
            + QStringLiteral(" is not confirmed.\nClose it? Pressing the computer shows it again."),
        Prompter::Icon::Question);
}

void Bill::close()
{
    if (m_closed)
        return;
    m_closed = true;
    emit closed();
}
