// The console's restart: charges the books show as running come back with
// their original start, and bills that were never confirmed are offered again.
#include "link/CommandChannel.h"
#include "engine/Engine.h"
#include "link/Protocol.h"
#include "store/CafeStore.h"
#include "store/CustomerStore.h"
#include "base/Clock.h"
#include "base/Format.h"
#include "base/Prompter.h"

void Engine::restore(const ChargeKind &kind, const std::function<void(Slot &, const KinRow &)> &reload)
{
    const auto rows = m_cafe.computersFlagged(kind.flag);
    if (!rows)
        return reportStoreError(rows.error());
    for (const ComputerRow &row : *rows) {
        Slot *s = slotFor(row.aa);
        if (!s)
            continue;
        s->state = kind.state;
        setPicture(*s, kind.picture);
        const auto open = m_cafe.openCharges(kind.flag, row.pcname);
        if (!open) {
            reportStoreError(open.error());
            continue;
        }
        for (const KinRow &k : *open) {
            s->start = k.starttime;
            s->transaction = k.aa;
            reload(*s, k);
        }
        if (kind.state == SlotState::Prepaid)
            setPrepaidTimer(*s, true);
        emit slotChanged(s->aa);
    }
}

void Engine::restore(const std::function<CommandChannel *()> &newChannel, bool lockEveryFree)
{
    restoreNormal();
    restorePrepaid();
    restoreAccount();
    retellClients(newChannel, lockEveryFree);
}

void Engine::restoreNormal()
{
    restore(*chargeKind(SlotState::Normal), [](Slot &, const KinRow &) {});
}

void Engine::restorePrepaid()
{
    restore(*chargeKind(SlotState::Prepaid), [this](Slot &s, const KinRow &k) {
        // The stored end date, so that a charge crossing midnight is
        // neither restored a day late nor expired at once.
        s.plannedEnd = QDateTime(k.enddate.value_or(m_clock.now().date()), k.endtime.value_or(QTime(0, 0)));
        s.amount = k.ptime.value_or(0);
    });
}

void Engine::restoreAccount()
{
    restore(*chargeKind(SlotState::Account), [](Slot &s, const KinRow &k) {
        s.amount = k.ptime.value_or(0);
        s.pin = k.userpin;
    });
    settleAccounts();
}

void Engine::followBooks()
{
    const auto rows = m_cafe.computers();
    if (!rows)
        return reportStoreError(rows.error());
    for (const ComputerRow &r : *rows) {
        Slot *s = slotFor(r.aa);
        const ChargeKind *kind = s ? chargeKind(s->state) : nullptr;
        if (kind && !(r.*(kind->flagged))) {
            if (kind->state == SlotState::Prepaid)
                setPrepaidTimer(*s, false);
            freeSlot(*s, Picture::Free);
            emit slotChanged(s->aa);
        }
    }
    restoreNormal();
    restorePrepaid();
    restore(*chargeKind(SlotState::Account), [](Slot &s, const KinRow &k) {
        s.amount = k.ptime.value_or(0);
        s.pin = k.userpin;
    });
}

void Engine::settleAccounts()
{
    const auto accounts = m_customers.accounts();
    if (!accounts)
        return reportStoreError(accounts.error());
    QSet<QString> running;
    for (Slot &s : m_slots) {
        if (s.state != SlotState::Account)
            continue;
        bool inUse = false;
        for (const CustomerRow &c : *accounts)
            inUse = inUse || (c.timer && c.password == s.pin);
        if (inUse) {
            running << s.pin;
            continue;
        }
        // The credit was charged when the end began; only the books' end is missing.
        const QDateTime now = m_clock.now();
        const auto ok = m_books.recordEnd(ComputerFlag::User, s.name, s.transaction, now,
                                          Format::duration(s.start.secsTo(now)),
                                          stillRunning(s.name, SlotState::Account, s.aa));
        if (!ok)
            reportStoreError(ok.error());
        freeSlot(s, Picture::Free);
        emit slotChanged(s.aa);
    }
    for (const CustomerRow &c : *accounts)
        if (c.timer && !running.contains(c.password))
            if (const auto freed = m_books.clearAccountMark(c.aa); !freed)
                reportStoreError(freed.error());
}

void Engine::retellClients(const std::function<CommandChannel *()> &newChannel, bool lockEveryFree)
{
    const QDateTime now = m_clock.now();
    QSet<QString> ended;
    if (const auto rows = m_cafe.unconfirmed())
        for (const KinRow &row : *rows)
            ended << row.computer;
    for (const Slot &s : std::as_const(m_slots)) {
        QByteArray text;
        switch (s.state) {
        case SlotState::Normal:
            text = Protocol::movedNormal(std::max<qint64>(0, s.start.secsTo(now)));
            break;
        case SlotState::Prepaid:
            // One that ran out meanwhile is ended by its timer, and the client locks by itself.
            if (now.secsTo(s.plannedEnd) > 0)
                text = Protocol::movedPrepaid(now.secsTo(s.plannedEnd));
            break;
        case SlotState::Account:
            text = Protocol::account(std::max<qint64>(1, s.amount - s.start.secsTo(now) / 60));
            break;
        case SlotState::Free:
            if (lockEveryFree || ended.contains(s.name))
                text = Protocol::stoppc();
            break;
        }
        // An unreachable client shows as such on the map; it is told at its next command.
        if (!text.isEmpty())
            tellClient(newChannel(), s.address, text);
    }
}

void Engine::tellClient(CommandChannel *channel, const QString &address, const QByteArray &text,
                        const std::function<void()> &failed)
{
    channel->setParent(this);
    connect(channel, &CommandChannel::connected, channel, [channel, text] { channel->send(text); });
    connect(channel, &CommandChannel::finished, channel, &QObject::deleteLater);
    connect(channel, &CommandChannel::failed, channel, [channel, failed] {
        if (failed)
            failed();
        channel->deleteLater();
    });
    channel->open(address);
}

Result<QList<KinRow>> Engine::unconfirmedBills()
{
    auto rows = m_cafe.unconfirmed();
    if (!rows)
        return rows;
    // A bill on screen or waiting its turn is not offered twice.
    QList<KinRow> open;
    for (const KinRow &row : *rows)
        if (!m_bills.holds(row.aa))
            open << row;
    return open;
}

Bill *Engine::billFromBooks(const KinRow &row)
{
    Slot charge;
    for (const Slot &s : m_slots)
        if (s.name == row.computer) {
            charge.aa = s.aa;
            break;
        }
    charge.name = row.computer;
    charge.transaction = row.aa;
    charge.start = row.starttime;
    const bool prepaid = row.pretimeenab;
    QDateTime end;
    if (row.enddate)
        end = QDateTime(*row.enddate, row.endtime.value_or(QTime(0, 0)));
    if (prepaid)
        charge.plannedEnd = end;
    return new Bill(billContext(), prepaid ? Bill::Kind::Prepaid : Bill::Kind::Normal, charge, end, this);
}

void Engine::offerUnconfirmedBills()
{
    const auto rows = unconfirmedBills();
    if (!rows)
        return reportStoreError(rows.error());
    if (rows->isEmpty())
        return;
    const QString question = rows->size() == 1
                                 ? QStringLiteral("1 bill waits for confirmation.\nShow it now?")
                                 : QStringLiteral("%1 bills wait for confirmation.\nShow them now?").arg(rows->size());
    if (!m_prompter.ask(question, Prompter::Icon::Question))
        return;
    for (const KinRow &row : *rows)
        present(billFromBooks(row));
}

bool Engine::offerUnconfirmedBill(const Slot &s)
{
    const auto rows = unconfirmedBills();
    if (!rows)
        return false;
    for (const KinRow &row : *rows) {
        if (row.computer != s.name)
            continue;
        if (!m_prompter.ask(QStringLiteral("A bill of ") + s.name
                                + QStringLiteral(" waits for confirmation.\nShow it now?"),
                            Prompter::Icon::Question))
            return false;
        present(billFromBooks(row));
        return true;
    }
    return false;
}
