#include "engine/Engine.h"

#include "link/CommandChannel.h"
#include "link/Protocol.h"
#include "store/CafeStore.h"
#include "base/Clock.h"
#include "base/Format.h"
#include "base/Prompter.h"

#include <algorithm>

Engine::Engine(CafeStore &cafe, CustomerStore &customers, CommandChannel &channel,
               std::function<CommandChannel *()> newAccountChannel, Prompter &prompter, const Clock &clock,
               QObject *parent)
    : QObject(parent)
    , m_cafe(cafe)
    , m_customers(customers)
    , m_prompter(prompter)
    , m_clock(clock)
    , m_books(cafe, customers)
    , m_dispatcher(channel, newAccountChannel, prompter, [this](qint64 aa) { return slot(aa); })
    , m_startFailures(prompter, Prompter::Icon::Critical)
    , m_newChannel(std::move(newAccountChannel))
{
    connect(&m_dispatcher, &Dispatcher::connected, this, &Engine::onConnected);
    connect(&m_dispatcher, &Dispatcher::failed, this, &Engine::onFailed);
    connect(&m_dispatcher, &Dispatcher::accountConnected, this, &Engine::onAccountConnected);
    connect(&m_dispatcher, &Dispatcher::accountFailed, this, &Engine::accountStartLost);
    connect(&m_bills, &BillQueue::billOpened, this, &Engine::billOpened);
    m_prepaidTick.setInterval(1000);
    connect(&m_prepaidTick, &QTimer::timeout, this, [this] {
        // By key: an expiry opens a bill, which may change other slots.
        for (const qint64 aa : m_slots.keys())
            if (const Slot *s = slot(aa); s && s->prepaidTimer)
                checkPrepaidExpiry(aa);
    });
}

Engine::~Engine() = default;

// --- roster and start-up

void Engine::loadRoster(const QList<ComputerRow> &rows)
{
    m_slots.clear();
    for (const ComputerRow &row : rows) {
        Slot s;
        s.aa = row.aa;
        s.name = row.pcname;
        s.address = row.ip;
        m_slots.insert(row.aa, s);
    }
}

const Slot *Engine::slot(qint64 aa) const
{
    const auto it = m_slots.constFind(aa);
    return it == m_slots.constEnd() ? nullptr : &it.value();
}

Slot *Engine::slotFor(qint64 aa)
{
    const auto it = m_slots.find(aa);
    return it == m_slots.end() ? nullptr : &it.value();
}

void Engine::loadRateSettings()
{
    if (const auto s = m_cafe.rateSettings())
        m_settings = *s;
    else
        reportStoreError(s.error());
}

BillContext Engine::billContext()
{
    return BillContext{m_cafe,     m_prompter, m_clock,
                       m_settings, &m_rateTab, [this](const Bill &bill) { return storeBill(bill); }};
}

// --- prompts, and what a command does once its client accepts it

bool Engine::confirmAction(Command command, const Slot &s)
{
    return m_prompter.ask(commandQuestion(command) + QLatin1Char('\r') + s.name + QLatin1Char('?'),
                          Prompter::Icon::Question);
}

void Engine::onConnected(const PendingCommand &p, CommandChannel *channel)
{
    Slot *s = slotFor(p.aa);
    if (!s) {
        channel->send(QByteArray());
        return;
    }
    const QDateTime now = m_clock.now();

    switch (p.command) {
    case Command::StartTerm:
    case Command::StartPre:
    case Command::StartUser:
        begin(*s, p, now, *channel);
        break;
    case Command::StopTerm: {
        // The end is in the books before the client locks: when it cannot be
        // written the client is told nothing and the charge runs on.
        const Result<void> ended = recordEnd(*s, now, Format::duration(s->start.secsTo(now)));
        if (!ended) {
            m_dispatcher.drop(*channel);
            reportStoreError(ended.error());
            break;
        }
        channel->send(wireText(p.command));
        auto *bill = new Bill(billContext(), Bill::Kind::Normal, *s, now, this);
        freeSlot(*s, Picture::Free);
        present(bill);
        break;
    }
    case Command::StopTermForce:
    case Command::StopUser:
    case Command::RebootTerm:
    case Command::LogOff:
    case Command::ShutDown:
    case Command::PowerDown:
        channel->send(wireText(p.command));
        break;
    }
    emit slotChanged(s->aa);
}

void Engine::begin(Slot &s, const PendingCommand &p, const QDateTime &now, CommandChannel &channel)
{
    if (!s.isFree()) {
        // Taken since the command left: the client is told nothing.
        channel.send(QByteArray());
        if (p.command == Command::StartUser)
            emit accountStartFailed(p.aa, p.pin);
        return;
    }
    KinRow row;
    SlotState started = SlotState::Normal;
    // To the second, as the books keep it: the time used is then the stored
    // end minus the stored start, before and after a restart alike.
    s.start = now.addMSecs(-now.time().msec());
    row = ChargeRecorder::startRow(s.name, s.start);
    switch (p.command) {
    case Command::StartPre:
        s.plannedEnd = s.start.addSecs(p.amount);
        s.amount = p.amount;
        row.enddate = s.plannedEnd.date();
        row.endtime = s.plannedEnd.time();
        row.ptime = p.amount;
        row.pretimeenab = true;
        started = SlotState::Prepaid;
        break;
    case Command::StartUser:
        s.amount = p.amount;
        s.pin = p.pin;
        row.ptime = p.amount;
        row.userenab = true;
        row.userpin = p.pin;
        row.type = QStringLiteral("user");
        started = SlotState::Account;
        break;
    default:
        row.enab = true;
        break;
    }

    const ChargeKind &kind = *chargeKind(started);
    const Result<qint64> key = m_books.record(s.name, kind.flag, row);
    if (!key) {
        // Nothing unlocks a client whose charge the books do not hold.
        m_dispatcher.drop(channel);
        s.clearCharge();
        reportStoreError(key.error());
        if (p.command == Command::StartUser)
            emit accountStartFailed(p.aa, p.pin);
        return;
    }
    s.transaction = *key;
    channel.send(wireText(p.command, p.amount));
    s.state = kind.state;
    setPicture(s, kind.picture);
    if (kind.state == SlotState::Prepaid)
        setPrepaidTimer(s, true);
}

void Engine::onFailed(const PendingCommand &p, const QString &description)
{
    // The report names the computer the command was for.
    Slot *s = slotFor(p.aa);
    if (!s)
        return;
    const QString error = QStringLiteral("Communication Error With ") + s->name;
    if (s->isFree()) {
        m_prompter.tell(error + QLatin1Char('\n') + description, Prompter::Icon::Critical);
    } else if (s->state == SlotState::Normal) {
        const bool terminate = m_prompter.ask(error + QLatin1Char('\n') + description + QLatin1Char('\n')
                                                  + QStringLiteral("Make sure you have made the transaction")
                                                  + QLatin1Char('\n') + QStringLiteral("do you want to terminate ?"),
                                              Prompter::Icon::Critical);
        if (terminate) {
            // Dropped without a bill, but ended in the books: the computer is
            // never shown free while its row is open, and the bill waits for
            // confirmation like any other.
            const QDateTime now = m_clock.now();
            if (const Result<void> ended = recordEnd(*s, now, Format::duration(s->start.secsTo(now))); !ended)
                return reportStoreError(ended.error());
            freeSlot(*s, Picture::Error);
            m_leftOpen.insert(s->aa);
            emit slotChanged(s->aa);
        }
    }
}

void Engine::clientAnswered(qint64 aa)
{
    const Slot *s = slot(aa);
    if (!s || !m_leftOpen.remove(aa) || !s->isFree())
        return; // a charge begun there since has told the client already
    tellClient(m_newChannel(), s->address, Protocol::stoppc(), [this, aa] { m_leftOpen.insert(aa); });
}

// --- recording

Result<void> Engine::recordEnd(const Slot &s, const QDateTime &end, const QString &used)
{
    const ComputerFlag flag = s.state == SlotState::Prepaid ? ComputerFlag::Pretime : ComputerFlag::Timer;
    return m_books.recordEnd(flag, s.name, s.transaction, end, used, stillRunning(s.name, s.state, s.aa));
}

// --- starting

void Engine::startNormal(qint64 aa)
{
    const Slot *s = slot(aa);
    if (!s)
        return;
    switch (s->state) {
    case SlotState::Normal:
        return chargeAndLock(aa);
    case SlotState::Account:
        return endAccountAsk(aa);
    case SlotState::Prepaid:
        return;
    case SlotState::Free:
        break;
    }
    if (offerUnconfirmedBill(*s))
        return;
    if (confirmAction(Command::StartTerm, *s))
        m_dispatcher.dispatch(Command::StartTerm, aa);
}

void Engine::startPrepaid(qint64 aa, qint64 seconds)
{
    const Slot *s = slot(aa);
    if (!s || !s->isFree() || seconds <= 0)
        return;
    if (confirmAction(Command::StartPre, *s))
        m_dispatcher.dispatch(Command::StartPre, aa, seconds);
}

// --- ending

void Engine::chargeAndLock(qint64 aa)
{
    const Slot *s = slot(aa);
    if (!s || s->state != SlotState::Normal)
        return;
    if (confirmAction(Command::StopTerm, *s))
        stopCharge(aa);
}

void Engine::stopCharge(qint64 aa) { m_dispatcher.dispatch(Command::StopTerm, aa); }

void Engine::stopChargeForce(qint64 aa) { m_dispatcher.dispatch(Command::StopTermForce, aa); }

bool Engine::endPrepaid(Slot &s, bool stopping)
{
    // Billed to its planned end; the time used is what marks it ended in the books.
    const QDateTime end = s.plannedEnd.isValid() ? s.plannedEnd : m_clock.now();
    if (const Result<void> ended = recordEnd(s, end, Format::duration(s.start.isValid() ? s.start.secsTo(end) : 0));
        !ended) {
        // The charge stays on the map as long as its row runs. A run-out one
        // is not retried every second: Terminate ends it, or the next start
        // of the console.
        if (!stopping)
            setPrepaidTimer(s, false);
        // Run out at the other counter first, which has its bill.
        if (!stopping && ended.error().contains(QLatin1String("has ended already"))) {
            freeSlot(s, Picture::Free);
            emit slotChanged(s.aa);
            return false;
        }
        reportStoreError(ended.error());
        return false;
    }
    present(new Bill(billContext(), Bill::Kind::Prepaid, s, end, this));
    setPrepaidTimer(s, false);
    freeSlot(s, Picture::Free);
    emit slotChanged(s.aa);
    return true;
}

void Engine::stopPrepaid(qint64 aa)
{
    Slot *s = slotFor(aa);
    if (!s || s->state != SlotState::Prepaid)
        return;
    if (!m_prompter.ask(QStringLiteral("Stop Prepaid TimeCharge ?"), Prompter::Icon::Question))
        return;
    // Billed here but never told to lock, the client would run on to its planned end.
    if (m_dispatcher.refusedWhileBusy(Command::StopTermForce, *s))
        return;
    if (endPrepaid(*s, true))
        stopChargeForce(aa);
}

void Engine::checkPrepaidExpiry(qint64 aa)
{
    Slot *s = slotFor(aa);
    if (!s || s->state != SlotState::Prepaid || !s->plannedEnd.isValid())
        return;
    if (m_clock.now() < s->plannedEnd)
        return;
    // The expiry waits until the bill on screen is closed.
    if (billOnScreen())
        return;
    endPrepaid(*s, false);
}

void Engine::power(qint64 aa, Command command)
{
    const Slot *s = slot(aa);
    if (!s || !isPowerCommand(command))
        return;
    if (confirmAction(command, *s))
        m_dispatcher.dispatch(command, aa);
}

// --- moving a charge

bool Engine::canMove(qint64 from, qint64 to) const
{
    const Slot *source = slot(from);
    const Slot *target = slot(to);
    if (!source || !target || from == to || !target->isFree())
        return false;
    if (source->state != SlotState::Normal && source->state != SlotState::Prepaid)
        return false;
    // A command in flight would land on a computer whose charge has moved.
    return !m_dispatcher.commandTo(from) && !m_dispatcher.commandTo(to) && !m_dispatcher.accountStarting(to);
}

bool Engine::moveCharge(qint64 from, qint64 to)
{
    if (!canMove(from, to))
        return false;
    Slot &source = *slotFor(from);
    Slot &target = *slotFor(to);
    const ChargeKind &kind = *chargeKind(source.state);
    const ComputerFlag flag = kind.flag;

    const auto ok = m_books.move(flag, source.transaction, source.name, target.name,
                                 stillRunning(source.name, source.state, source.aa));
    if (!ok) {
        reportStoreError(ok.error());
        return false;
    }

    target.state = source.state;
    target.start = source.start;
    target.plannedEnd = source.plannedEnd;
    target.transaction = source.transaction;
    target.amount = source.amount;
    setPicture(target, kind.picture);
    if (kind.state == SlotState::Prepaid)
        setPrepaidTimer(target, true);

    setPrepaidTimer(source, false);
    freeSlot(source, Picture::Free);
    emit slotChanged(source.aa);
    emit slotChanged(target.aa);
    return true;
}

// --- live status

QString Engine::usageTip(qint64 aa) const
{
    const Slot *s = slot(aa);
    if (!s)
        return QString();
    const QDateTime now = m_clock.now();
    if (s->state == SlotState::Normal && s->start.isValid())
        return QStringLiteral("START TIME: ") + Format::longTime(s->start.time())
               + QStringLiteral(" CURRENT TIME USED: ") + Format::duration(s->start.secsTo(now));
    if (s->state == SlotState::Prepaid && s->plannedEnd.isValid())
        return QStringLiteral("TIME LEFT ") + Format::timeLeft(now.secsTo(s->plannedEnd));
    return QString();
}

void Engine::currentStatus(qint64 aa)
{
    const Slot *s = slot(aa);
    if (!s)
        return;
    if (s->state == SlotState::Normal)
        present(new Bill(billContext(), Bill::Kind::Status, *s, QDateTime(), this));
    else if (s->state == SlotState::Prepaid)
        present(new Bill(billContext(), Bill::Kind::PrepaidStatus, *s, QDateTime(), this));
}

bool Engine::stillRunning(const QString &name, SlotState state, qint64 except) const
{
    for (const Slot &s : m_slots)
        if (s.aa != except && s.name == name && s.state == state)
            return true;
    return false;
}

Result<void> Engine::storeBill(const Bill &bill)
{
    // A new charge of the same kind may already run there: its flag stays.
    const SlotState state = bill.isPrepaid() ? SlotState::Prepaid : SlotState::Normal;
    return m_books.storeBill(bill, stillRunning(bill.computer(), state, 0));
}

void Engine::reportStoreError(const QString &cause)
{
    m_prompter.tell(storeErrorText(cause), Prompter::Icon::Critical);
}

// --- slot helpers

void Engine::freeSlot(Slot &s, Picture picture)
{
    s.clearCharge();
    setPicture(s, picture);
    // A free computer tells nothing of the charge it had.
    emit tipCleared(s.aa);
}

void Engine::setPicture(Slot &s, Picture p)
{
    s.picture = p;
    emit pictureChanged(s.aa, p);
}

void Engine::setPrepaidTimer(Slot &s, bool on)
{
    if (s.prepaidTimer == on)
        return;
    s.prepaidTimer = on;
    const bool anyRuns = std::any_of(m_slots.cbegin(), m_slots.cend(), [](const Slot &x) { return x.prepaidTimer; });
    if (anyRuns && !m_prepaidTick.isActive())
        m_prepaidTick.start();
    else if (!anyRuns)
        m_prepaidTick.stop();
    emit prepaidTimerChanged(s.aa, on);
}
