#include "engine/Bill.h"

#include "engine/Engine.h"
#include "engine/Tariff.h"
#include "store/CafeStore.h"
#include "ui/Clock.h"
#include "ui/Format.h"
#include "ui/Prompter.h"

Bill::Bill(Engine &engine, Kind kind, const Slot &slot, QObject *parent)
    : QObject(parent)
    , m_engine(engine)
    , m_kind(kind)
    , m_slotKey(slot.aa)
    , m_name(slot.name)
    , m_transaction(slot.transaction)
    , m_start(slot.start)
    , m_plannedEnd(slot.plannedEnd)
{
    // Rates are read for every bill, so a change applies to the next one.
    m_rates = m_engine.readRates();
    m_koumpi = m_engine.koumpi() >= 1 && m_engine.koumpi() <= 6 ? m_engine.koumpi() : 1;
    m_halfHour = Tariff::halfHourPrice(m_rates.value(m_koumpi - 1));
    fill();
}

QString Bill::chargetype() const { return isPrepaid() ? QStringLiteral("pretime") : QStringLiteral("normal"); }

void Bill::fill()
{
    // A prepaid charge is billed to its planned end, date included, so that
    // one crossing midnight does not come out negative.
    m_end = isPrepaid() && m_plannedEnd.isValid() ? m_plannedEnd : m_engine.clock().now();
    m_minutes = m_start.isValid() ? Format::minuteBoundaries(m_start, m_end) : 0;
    m_timeCharge = Tariff::timeCharge(m_minutes, m_halfHour, m_engine.rateSettings());
    getextras();
    grandtotal();
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
    return Format::timeLeft(m_engine.clock().now().secsTo(m_plannedEnd));
}

QStringList Bill::rateCaptions() const
{
    QStringList captions;
    for (const Money &rate : m_rates)
        captions << Format::currency(rate);
    return captions;
}

QString Bill::timeChargeText() const { return Format::amount(m_timeCharge); }

void Bill::selectRate(int n)
{
    if (n < 1 || n > m_rates.size())
        return;
    m_koumpi = n;
    m_engine.setKoumpi(n);
    // The same exact half of the rate however the tab was reached.
    m_halfHour = Tariff::halfHourPrice(m_rates.at(n - 1));
    sumtotal();
}

void Bill::sumtotal()
{
    m_timeCharge = Tariff::timeCharge(m_minutes, m_halfHour, m_engine.rateSettings());
    grandtotal();
    emit changed();
}

void Bill::clearTotal()
{
    m_cleared = true;
    m_totalText = ClearedTotal;
    emit changed();
}

void Bill::getextras()
{
    bool ok = false;
    const auto sum = m_engine.cafe().sumExtras(m_transaction, &ok);
    if (!ok) {
        m_engine.reportStoreError(m_engine.cafe().lastError());
        return;
    }
    m_extras = sum.value_or(Money());
    m_extrasText = sum ? Format::amount(*sum) : QStringLiteral("0");
}

void Bill::grandtotal()
{
    // A total the operator cleared stays cleared.
    if (m_cleared) {
        m_totalText = ClearedTotal;
        return;
    }
    m_totalText = Format::amount(m_timeCharge.roundedToCents() + m_extras.roundedToCents());
}

QList<ExtraRow> Bill::extracharge()
{
    getextras();
    grandtotal();
    emit changed();
    const auto rows = m_engine.cafe().extras(m_transaction);
    if (!rows) {
        m_engine.reportStoreError(m_engine.cafe().lastError());
        return {};
    }
    return *rows;
}

bool Bill::deleteExtra(std::optional<qint64> extraKey)
{
    if (!extraKey) {
        m_engine.prompter().tell(QStringLiteral("No Selection"));
        return false;
    }
    return extrasEdited(m_engine.cafe().deleteExtra(*extraKey));
}

bool Bill::extrasEdited(bool stored)
{
    if (!stored) {
        m_engine.reportStoreError(m_engine.cafe().lastError());
        return false;
    }
    m_engine.prompter().tell(QStringLiteral("Update Complete"));
    getextras();
    grandtotal();
    emit changed();
    return true;
}

bool Bill::setExtraQuantity(qint64 extraKey, const QString &quantity)
{
    bool ok = false;
    const qint64 n = quantity.trimmed().toLongLong(&ok);
    if (!ok || n < 0) {
        m_engine.prompter().tell(QStringLiteral(" Only Numbers In This Field"));
        return false;
    }
    return extrasEdited(m_engine.cafe().setExtraQuantity(extraKey, n));
}

bool Bill::confirm()
{
    if (!canConfirm())
        return false;
    if (m_cleared && m_reason.trimmed().isEmpty()) {
        m_engine.prompter().tell(QStringLiteral("No Reason Entered"));
        return false;
    }
    if (!m_engine.stoppcbd(*this))
        return false;
    m_confirmed = true;
    emit confirmed();
    close();
    return true;
}

void Bill::close()
{
    if (m_closed)
        return;
    m_closed = true;
    emit closed();
}
