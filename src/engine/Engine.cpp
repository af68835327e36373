#include "engine/Engine.h"

#include "engine/CommandChannel.h"
#include "store/CafeStore.h"
#include "store/CustomerStore.h"
#include "ui/Clock.h"
#include "ui/Format.h"
#include "ui/Prompter.h"

#include <QScopeGuard>
#include <QTimer>

namespace {
const QString kStartTerm = QStringLiteral("startterm");
const QString kStopTerm = QStringLiteral("stopterm");
const QString kStopTermForce = QStringLiteral("stoptermforce");
const QString kStopUser = QStringLiteral("stopuser");
const QString kStartPre = QStringLiteral("startpre");
const QString kStartUser = QStringLiteral("startuser");

// The code that ends a refusal of a command while another is in flight.
QString busyCode(const QString &word)
{
    static const QMap<QString, QString> codes = {
        {kStartTerm, QStringLiteral("dqtzerr444")},         {kStopTermForce, QStringLiteral("dqtzerr333")},
        {kStopTerm, QStringLiteral("dqtzerr445")},          {kStopUser, QStringLiteral("dqtzerr446")},
        {kStartPre, QStringLiteral("dqtzerr447")},          {kStartUser, QStringLiteral("dqtzerr448")},
        {QStringLiteral("rebootterm"), QStringLiteral("dqtzerr449")}, {QStringLiteral("logoff"), QStringLiteral("dqtzerr450")},
        {QStringLiteral("shutdown"), QStringLiteral("dqtzerr451")}, {QStringLiteral("powerdown"), QStringLiteral("dqtzerr452")},
    };
    return codes.value(word, QStringLiteral("dqtzerr459"));
}

struct PowerCommand
{
    QString words;
    QByteArray message;
};

std::optional<PowerCommand> powerCommand(const QString &word)
{
    if (word == QLatin1String("rebootterm"))
        return PowerCommand{QStringLiteral("Reboot"), "reboot"};
    if (word == QLatin1String("logoff"))
        return PowerCommand{QStringLiteral("Log off"), "logoff"};
    if (word == QLatin1String("shutdown"))
        return PowerCommand{QStringLiteral("Shut Down"), "shutdown"};
    if (word == QLatin1String("powerdown"))
        return PowerCommand{QStringLiteral("Suspend"), "powerdown"};
    return std::nullopt;
}
} // namespace

Engine::Engine(CafeStore &cafe, CustomerStore &customers, CommandChannel &channel, Prompter &prompter,
               const Clock &clock, QObject *parent)
    : QObject(parent)
    , m_cafe(cafe)
    , m_customers(customers)
    , m_channel(channel)
    , m_prompter(prompter)
    , m_clock(clock)
{
    connect(&m_channel, &CommandChannel::connected, this, &Engine::onConnected);
    connect(&m_channel, &CommandChannel::failed, this, &Engine::onFailed);
    connect(&m_channel, &CommandChannel::finished, this, &Engine::onFinished);
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
        reportStoreError(m_cafe.lastError());
}

void Engine::restore(ComputerFlag flag, const QString &status, Picture picture,
                     std::optional<QList<KinRow>> (CafeStore::*openRows)(const QString &),
                     const std::function<void(Slot &, const KinRow &)> &reload)
{
    const auto rows = m_cafe.computersFlagged(flag);
    if (!rows)
        return reportStoreError(m_cafe.lastError());
    for (const ComputerRow &row : *rows) {
        Slot *s = slotFor(row.aa);
        if (!s)
            continue;
        s->status = status;
        setPicture(*s, picture);
        const auto open = (m_cafe.*openRows)(row.pcname);
        if (!open) {
            reportStoreError(m_cafe.lastError());
            continue;
        }
        for (const KinRow &k : *open) {
            s->start = k.starttime;
            s->transaction = k.aa;
            reload(*s, k);
        }
        if (status == Slot::Prepaid)
            setPrepaidTimer(*s, true);
        emit slotChanged(s->aa);
    }
}

void Engine::restorenormal()
{
    restore(ComputerFlag::Timer, Slot::Normal, Picture::Normal, &CafeStore::openNormal, [](Slot &, const KinRow &) {});
}

void Engine::restoreprepaid()
{
    restore(ComputerFlag::Pretime, Slot::Prepaid, Picture::Prepaid, &CafeStore::openPrepaid,
            [this](Slot &s, const KinRow &k) {
                // The stored end date, so that a charge crossing midnight is
                // neither restored a day late nor expired at once.
                s.plannedEnd = QDateTime(k.enddate.value_or(m_clock.now().date()), k.endtime.value_or(QTime(0, 0)));
                s.amount = k.ptime.value_or(0);
            });
}

void Engine::restoreaccount()
{
    restore(ComputerFlag::User, Slot::Account, Picture::Account, &CafeStore::openAccount,
            [](Slot &s, const KinRow &k) {
                s.amount = k.ptime.value_or(0);
                s.pin = k.userpin;
            });
}

// --- prompts and dispatch

bool Engine::confirmAction(const QString &words, const Slot &s)
{
    return m_prompter.ask(words + QLatin1Char('\r') + s.name + QLatin1Char('?'), Prompter::Icon::Question);
}

bool Engine::dispatch(const QString &word, qint64 aa, qint64 amount, const QString &pin)
{
    const Slot *s = slot(aa);
    if (!s)
        return false;
    if (refusedWhileBusy(word, *s)) {
        if (word == kStartUser)
            emit accountStartFailed(aa, pin);
        return false;
    }
    m_pending = Pending{word, aa, amount, pin};
    m_pccommand = word;
    m_channel.open(s->address);
    return true;
}

bool Engine::refusedWhileBusy(const QString &word, const Slot &s)
{
    if (!m_pending && !m_channel.isBusy())
        return false;
    // The command in flight keeps its word and its computer.
    const Slot *busy = m_pending ? slot(m_pending->aa) : nullptr;
    const QString busyName = busy ? busy->name : s.name;
    m_prompter.tell(QStringLiteral("The previous command to ") + busyName + QStringLiteral(" is still in progress ")
                        + busyCode(word),
                    Prompter::Icon::Critical);
    return true;
}

void Engine::onConnected()
{
    if (!m_pending)
        return;
    const Pending p = *m_pending;
    Slot *s = slotFor(p.aa);
    if (!s)
        return;
    const QDateTime now = m_clock.now();

    if (p.word == kStartTerm) {
        m_channel.send("startpc");
        setPicture(*s, Picture::Normal);
        s->start = now;
        s->status = Slot::Normal;
        recordnormal(*s);
    } else if (p.word == kStopTerm) {
        auto *bill = new Bill(*this, Bill::Kind::Normal, *s, this);
        m_channel.send("stoppc");
        setPicture(*s, Picture::Free);
        s->start = QDateTime();
        s->status.clear();
        emit tipCleared(s->aa);
        present(bill);
    } else if (p.word == kStopTermForce) {
        m_channel.send("stoppc");
    } else if (p.word == kStopUser) {
        m_channel.send("stopuser");
    } else if (p.word == kStartPre) {
        m_channel.send("t" + QByteArray::number(p.amount));
        s->plannedEnd = now.addSecs(p.amount);
        setPicture(*s, Picture::Prepaid);
        setPrepaidTimer(*s, true);
        s->amount = p.amount;
        s->start = now;
        s->status = Slot::Prepaid;
        recordprepaid(*s);
    } else if (p.word == kStartUser) {
        m_channel.send("u" + QByteArray::number(p.amount));
        setPicture(*s, Picture::Account);
        s->amount = p.amount;
        s->pin = p.pin;
        s->start = now;
        s->status = Slot::Account;
        recordaccount(*s);
    } else if (const auto power = powerCommand(p.word)) {
        m_channel.send(power->message);
    }
    emit slotChanged(s->aa);
}

void Engine::onFailed(const QString &description)
{
    // Whatever the report, the customers waiting for the channel go next.
    const auto next = qScopeGuard([this] { nextAccountStart(); });
    if (!m_pending)
        return;
    const Pending p = *m_pending;
    m_pending.reset();
    // The report names the computer the command was for, which for
    // "startuser" is the logon's computer, not the one last pressed.
    Slot *s = slotFor(p.aa);
    if (p.word == kStartUser)
        emit accountStartFailed(p.aa, p.pin);
    if (!s)
        return;
    const QString error = QStringLiteral("Communication Error With ") + s->name;
    if (s->status.isEmpty()) {
        m_prompter.tell(error + QLatin1Char('\n') + description, Prompter::Icon::Critical);
    } else if (s->status == Slot::Normal) {
        const bool terminate = m_prompter.ask(error + QLatin1Char('\n') + description + QLatin1Char('\n')
                                                  + QStringLiteral("Make sure you have made the transaction")
                                                  + QLatin1Char('\n') + QStringLiteral("do you want to terminate ?"),
                                              Prompter::Icon::Critical);
        if (terminate) {
            setPicture(*s, Picture::Error);
            s->status.clear();
            s->start = QDateTime();
            if (!m_cafe.setFlag(s->name, ComputerFlag::Timer, false))
                reportStoreError(m_cafe.lastError());
            emit tipCleared(s->aa);
            emit slotChanged(s->aa);
        }
    }
}

void Engine::onFinished()
{
    m_pending.reset();
    nextAccountStart();
}

void Engine::nextAccountStart()
{
    if (m_accountStarts.isEmpty())
        return;
    // From the event loop, once the channel has let go of its last connection.
    QTimer::singleShot(0, this, [this] {
        while (!m_accountStarts.isEmpty() && !m_pending && !m_channel.isBusy()) {
            const Pending p = m_accountStarts.takeFirst();
            const Slot *s = slot(p.aa);
            if (!s || !s->isFree()) {
                emit accountStartFailed(p.aa, p.pin);
                continue;
            }
            dispatch(kStartUser, p.aa, p.amount, p.pin);
        }
    });
}

// --- recording the starts

KinRow Engine::startRow(const Slot &s) const
{
    KinRow row;
    row.computer = s.name;
    row.startdate = s.start.date();
    row.starttime = s.start;
    row.type = QStringLiteral("normal");
    return row;
}

void Engine::record(Slot &s, ComputerFlag flag, const KinRow &row)
{
    // The flag and the open row go together, so that a restart finds both or neither.
    std::optional<qint64> key;
    const bool ok = m_cafe.atomically([&] {
        if (!m_cafe.setFlag(s.name, flag, true))
            return false;
        key = m_cafe.appendTransaction(row);
        return key.has_value();
    });
    if (!ok)
        return reportStoreError(m_cafe.lastError());
    s.transaction = *key;
}

void Engine::recordnormal(Slot &s)
{
    KinRow row = startRow(s);
    row.enab = true;
    record(s, ComputerFlag::Timer, row);
}

void Engine::recordprepaid(Slot &s)
{
    KinRow row = startRow(s);
    row.enddate = s.plannedEnd.date();
    row.endtime = s.plannedEnd.time();
    row.ptime = s.amount;
    row.pretimeenab = true;
    record(s, ComputerFlag::Pretime, row);
}

void Engine::recordaccount(Slot &s)
{
    KinRow row = startRow(s);
    row.ptime = s.amount;
    row.userenab = true;
    row.userpin = s.pin;
    row.type = QStringLiteral("user");
    record(s, ComputerFlag::User, row);
}

// --- starting

void Engine::startnormal(qint64 aa)
{
    const Slot *s = slot(aa);
    if (!s)
        return;
    if (s->status == Slot::Normal)
        return chargeandlock(aa);
    if (s->status == Slot::Account)
        return endaccountask(aa);
    if (s->status == Slot::Prepaid)
        return;
    if (confirmAction(QStringLiteral("Start Charging"), *s))
        dispatch(kStartTerm, aa);
}

void Engine::startprepaid(qint64 aa, qint64 seconds)
{
    const Slot *s = slot(aa);
    if (!s || !s->isFree() || seconds <= 0)
        return;
    if (confirmAction(QStringLiteral("Start Timer On"), *s))
        dispatch(kStartPre, aa, seconds);
}

void Engine::startaccount(qint64 aa, qint64 minutes, const QString &pin)
{
    if (!slot(aa)) {
        emit accountStartFailed(aa, pin);
        return;
    }
    // Nobody stands at the counter for a logon: no busy report, just a short wait.
    if (m_pending || m_channel.isBusy()) {
        m_accountStarts.append(Pending{kStartUser, aa, minutes, pin});
        return;
    }
    dispatch(kStartUser, aa, minutes, pin);
}

// --- ending

void Engine::chargeandlock(qint64 aa)
{
    const Slot *s = slot(aa);
    if (!s || s->status != Slot::Normal)
        return;
    if (confirmAction(QStringLiteral("Charge And Lock"), *s))
        stopcharge(aa);
}

void Engine::stopcharge(qint64 aa) { dispatch(kStopTerm, aa); }

void Engine::stopchargeforce(qint64 aa) { dispatch(kStopTermForce, aa); }

void Engine::endaccount(qint64 aa)
{
    Slot *s = slotFor(aa);
    if (!s || s->status != Slot::Account)
        return;
    const QDateTime now = m_clock.now();
    qint64 used = Format::minuteBoundaries(s->start, now);
    if (used < 1)
        used = 1;
    const QString usedText = Format::duration(s->start.secsTo(now));

    // The slot's own transaction, not "the computer's open rows".
    const bool ok = m_cafe.atomically([&] {
        if (s->transaction != 0) {
            auto row = m_cafe.transaction(s->transaction);
            if (!row)
                return false;
            row->enddate = now.date();
            row->endtime = now.time();
            row->userenab = false;
            row->totaltime = usedText;
            if (!m_cafe.updateTransaction(*row))
                return false;
        }
        return stillRunning(s->name, Slot::Account, s->aa) || m_cafe.setFlag(s->name, ComputerFlag::User, false);
    });
    if (!ok)
        reportStoreError(m_cafe.lastError());

    const qint64 left = s->amount - used;
    const QString pin = s->pin;
    const auto accounts = m_customers.accountsWithPin(pin);
    bool customersOk = accounts.has_value();
    if (accounts) {
        customersOk = m_customers.atomically([&] {
            for (CustomerRow c : *accounts) {
                c.timeleft = left;
                c.usedtime += used;
                c.time = left;
                c.timer = false;
                if (!m_customers.updateAccount(c))
                    return false;
            }
            return true;
        });
    }
    if (!customersOk)
        reportStoreError(m_customers.lastError());

    setPicture(*s, Picture::Free);
    s->start = QDateTime();
    s->status.clear();
    s->amount = 0;
    s->pin.clear();
    s->transaction = 0;
    emit slotChanged(s->aa);
    emit accountEnded(aa, pin);
}

void Engine::endaccountask(qint64 aa)
{
    const Slot *s = slot(aa);
    if (!s || s->status != Slot::Account)
        return;
    if (!m_prompter.ask(QStringLiteral("Diconnect User From ") + s->name + QStringLiteral(" ?"),
                        Prompter::Icon::Question))
        return;
    // Ended here but never told to lock, the client would stay open for free.
    if (refusedWhileBusy(kStopUser, *s))
        return;
    endaccount(aa);
    dispatch(kStopUser, aa);
}

void Engine::endprepaid(Slot &s)
{
    present(new Bill(*this, Bill::Kind::Prepaid, s, this));
    setPrepaidTimer(s, false);
    s.status.clear();
    s.plannedEnd = QDateTime();
    s.start = QDateTime();
    s.amount = 0;
    setPicture(s, Picture::Free);
    emit tipCleared(s.aa);
    emit slotChanged(s.aa);
}

void Engine::stopPrepaid(qint64 aa)
{
    Slot *s = slotFor(aa);
    if (!s || s->status != Slot::Prepaid)
        return;
    if (!m_prompter.ask(QStringLiteral("Stop Prepaid TimeCharge ?"), Prompter::Icon::Question))
        return;
    // Billed here but never told to lock, the client would run on to its planned end.
    if (refusedWhileBusy(kStopTermForce, *s))
        return;
    endprepaid(*s);
    stopchargeforce(aa);
}

void Engine::checkPrepaidExpiry(qint64 aa)
{
    Slot *s = slotFor(aa);
    if (!s || s->status != Slot::Prepaid || !s->plannedEnd.isValid())
        return;
    if (m_clock.now() < s->plannedEnd)
        return;
    // The expiry waits until the bill on screen is closed.
    if (billOnScreen())
        return;
    endprepaid(*s);
}

void Engine::power(qint64 aa, const QString &word)
{
    const Slot *s = slot(aa);
    const auto command = powerCommand(word);
    if (!s || !command)
        return;
    if (confirmAction(command->words, *s))
        dispatch(word, aa);
}

// --- moving a charge

bool Engine::canmove(qint64 from, qint64 to) const
{
    const Slot *source = slot(from);
    const Slot *target = slot(to);
    if (!source || !target || from == to || !target->isFree())
        return false;
    if (source->status != Slot::Normal && source->status != Slot::Prepaid)
        return false;
    // A command in flight would land on a computer whose charge has moved.
    return !(m_pending && (m_pending->aa == from || m_pending->aa == to));
}

bool Engine::movecharge(qint64 from, qint64 to)
{
    if (!canmove(from, to))
        return false;
    Slot &source = *slotFor(from);
    Slot &target = *slotFor(to);
    const bool prepaid = source.status == Slot::Prepaid;
    const ComputerFlag flag = prepaid ? ComputerFlag::Pretime : ComputerFlag::Timer;

    const bool ok = m_cafe.atomically([&] {
        if (source.transaction != 0 && !m_cafe.moveTransaction(source.transaction, target.name))
            return false;
        if (!m_cafe.setFlag(target.name, flag, true))
            return false;
        return stillRunning(source.name, source.status, source.aa) || m_cafe.setFlag(source.name, flag, false);
    });
    if (!ok) {
        reportStoreError(m_cafe.lastError());
        return false;
    }

    target.status = source.status;
    target.start = source.start;
    target.plannedEnd = source.plannedEnd;
    target.transaction = source.transaction;
    target.amount = source.amount;
    setPicture(target, prepaid ? Picture::Prepaid : Picture::Normal);
    if (prepaid)
        setPrepaidTimer(target, true);

    setPrepaidTimer(source, false);
    source.status.clear();
    source.start = QDateTime();
    source.plannedEnd = QDateTime();
    source.transaction = 0;
    source.amount = 0;
    setPicture(source, Picture::Free);
    emit tipCleared(source.aa);
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
    if (s->status == Slot::Normal && s->start.isValid())
        return QStringLiteral("START TIME: ") + Format::longTime(s->start.time())
               + QStringLiteral(" CURRENT TIME USED: ") + Format::duration(s->start.secsTo(now));
    if (s->status == Slot::Prepaid && s->plannedEnd.isValid())
        return QStringLiteral("TIME LEFT ") + Format::timeLeft(now.secsTo(s->plannedEnd));
    return QString();
}

void Engine::currentStatus(qint64 aa)
{
    const Slot *s = slot(aa);
    if (!s)
        return;
    if (s->status == Slot::Normal)
        present(new Bill(*this, Bill::Kind::Status, *s, this));
    else if (s->status == Slot::Prepaid)
        present(new Bill(*this, Bill::Kind::PrepaidStatus, *s, this));
}

// --- bills

void Engine::present(Bill *bill)
{
    connect(bill, &Bill::closed, this, [this, bill] { billClosed(bill); });
    if (m_shown) {
        m_waiting.append(bill);
        return;
    }
    m_shown = bill;
    emit billOpened(bill);
}

void Engine::billClosed(Bill *bill)
{
    m_waiting.removeAll(bill);
    bill->deleteLater();
    if (m_shown != bill)
        return;
    m_shown = nullptr;
    while (!m_waiting.isEmpty()) {
        Bill *next = m_waiting.takeFirst();
        if (!next)
            continue;
        m_shown = next;
        next->refresh();
        emit billOpened(next);
        break;
    }
}

QList<Money> Engine::readRates()
{
    auto rates = m_cafe.rates();
    if (!rates) {
        reportStoreError(m_cafe.lastError());
        rates = QList<Money>();
    }
    while (rates->size() < 6)
        rates->append(Money());
    return rates->mid(0, 6);
}

bool Engine::stillRunning(const QString &name, const QString &status, qint64 except) const
{
    for (const Slot &s : m_slots)
        if (s.aa != except && s.name == name && s.status == status)
            return true;
    return false;
}

bool Engine::stoppcbd(const Bill &bill)
{
    const bool prepaid = bill.isPrepaid();
    const QString name = bill.computer();
    QString failure;
    const bool ok = m_cafe.atomically([&] {
        auto row = m_cafe.transaction(bill.transaction());
        if (!row) {
            failure = m_cafe.lastError().isEmpty()
                          ? QStringLiteral("The transaction %1 of %2 was not found.").arg(bill.transaction()).arg(name)
                          : m_cafe.lastError();
            return false;
        }
        const bool cleared = bill.totalText() == Bill::ClearedTotal;
        if (!prepaid) {
            row->enddate = bill.end().date();
            row->endtime = bill.end().time();
            row->enab = false;
        } else {
            row->pretimeenab = false;
        }
        row->timecharged = cleared ? Money() : bill.timeCharge().roundedToCents();
        row->totaltime = bill.timeUsed();
        row->extra = bill.extras().roundedToCents();
        row->total = cleared ? Money() : (bill.timeCharge().roundedToCents() + bill.extras()).roundedToCents();
        row->reason = bill.reasonShown() ? bill.reason() : QString();
        if (!m_cafe.updateTransaction(*row))
            return false;
        // A new charge of the same kind may already run there: its flag stays.
        const QString running = prepaid ? Slot::Prepaid : Slot::Normal;
        if (stillRunning(name, running, 0))
            return true;
        return m_cafe.setFlag(name, prepaid ? ComputerFlag::Pretime : ComputerFlag::Timer, false);
    });
    if (!ok)
        reportStoreError(failure.isEmpty() ? m_cafe.lastError() : failure);
    return ok;
}

void Engine::reportStoreError(const QString &cause)
{
    m_prompter.tell(QStringLiteral("The books could not be read or written.\n") + cause, Prompter::Icon::Critical);
}

// --- slot helpers

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
    emit prepaidTimerChanged(s.aa, on);
}
