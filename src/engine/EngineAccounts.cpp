// Customer-account time charges: started by the logon service, ended by the
// client's "closeme" or by the operator, the minutes used taken off the account.
#include "link/CommandChannel.h"
#include "engine/Engine.h"
#include "base/Clock.h"
#include "base/Format.h"
#include "base/Prompter.h"

#include <algorithm>

void Engine::startAccount(qint64 aa, qint64 minutes, const QString &pin)
{
    const Slot *s = slot(aa);
    if (!s || !s->isFree() || m_dispatcher.accountStarting(aa) || m_dispatcher.operatorStarting(aa)) {
        emit accountStartFailed(aa, pin);
        return;
    }
    // Nobody stands at the counter for a logon: it goes out at once, on a
    // channel of its own, whatever else is in flight.
    m_dispatcher.startAccount(*s, minutes, pin);
}

void Engine::onAccountConnected(const PendingCommand &p, CommandChannel *channel)
{
    Slot *s = slotFor(p.aa);
    if (!s) {
        channel->send(QByteArray());
        emit accountStartFailed(p.aa, p.pin);
        return;
    }
    begin(*s, p, m_clock.now(), *channel);
    if (s->state == SlotState::Account)
        m_failingClients.remove(p.aa);
    emit slotChanged(p.aa);
}

void Engine::accountStartLost(const PendingCommand &p, const QString &description)
{
    Slot *s = slotFor(p.aa);
    // Recorded before the send failed: the account's mark stays with its charge.
    if (!(s && s->state == SlotState::Account && s->pin == p.pin))
        emit accountStartFailed(p.aa, p.pin);
    // A client that keeps failing is told once, not at every customer's try.
    if (!s || !s->isFree() || m_failingClients.contains(p.aa))
        return;
    m_failingClients.insert(p.aa);
    m_startFailures.tell(QStringLiteral("Communication Error With ") + s->name + QLatin1Char('\n') + description);
}

bool Engine::endAccount(qint64 aa, const QDateTime &at)
{
    Slot *s = slotFor(aa);
    if (!s || s->state != SlotState::Account)
        return false;
    QDateTime now = m_clock.now();
    if (at.isValid() && at < now)
        now = std::max(at, s->start);
    qint64 used = Format::minuteBoundaries(s->start, now);
    if (used < 1)
        used = 1;
    const QString usedText = Format::duration(s->start.secsTo(now));

    // The account is settled before the charge ends: a kill between the two
    // books leaves a running charge of a settled account, which the restart
    // ends without charging the credit again.
    const QString pin = s->pin;
    const Result<void> settled = m_books.settleAccount(pin, used);
    if (!settled) {
        // Nothing settled, nothing ended: the charge runs on, its client told nothing.
        reportStoreError(settled.error());
        return false;
    }

    // The slot's own transaction, not "the computer's open rows".
    const auto ok = m_books.recordAccountEnd(s->name, s->transaction, now, usedText,
                                             stillRunning(s->name, SlotState::Account, s->aa));
    // Settled, the charge has ended; a row left open is closed at the next start.
    if (!ok)
        reportStoreError(ok.error());

    freeSlot(*s, Picture::Free);
    emit slotChanged(s->aa);
    emit accountEnded(aa, pin);
    return true;
}

void Engine::endAccountAsk(qint64 aa)
{
    const Slot *s = slot(aa);
    if (!s || s->state != SlotState::Account)
        return;
    if (!m_prompter.ask(QStringLiteral("Diconnect User From ") + s->name + QStringLiteral(" ?"),
                        Prompter::Icon::Question))
        return;
    // Ended here but never told to lock, the client would stay open for free.
    if (m_dispatcher.refusedWhileBusy(Command::StopUser, *s))
        return;
    if (endAccount(aa))
        m_dispatcher.dispatch(Command::StopUser, aa);
}
