#include "engine/Transfer.h"

#include "link/CommandChannel.h"
#include "engine/Engine.h"
#include "link/Protocol.h"
#include "store/CafeStore.h"
#include "base/Clock.h"
#include "base/Format.h"
#include "base/Prompter.h"

Transfer::Transfer(Engine &engine, CafeStore &cafe, Prompter &prompter, const Clock &clock, ChannelFactory factory,
                   QObject *parent)
    : QObject(parent)
    , m_engine(engine)
    , m_cafe(cafe)
    , m_prompter(prompter)
    , m_clock(clock)
    , m_factory(std::move(factory))
{}

bool Transfer::load(qint64 aa)
{
    if (isBusy())
        return false;
    const Slot *s = m_engine.slot(aa);
    if (!s || (s->state != SlotState::Normal && s->state != SlotState::Prepaid))
        return false;
    m_source = aa;
    m_sourceName = s->name;
    m_sourceAddress = s->address;
    m_transaction = s->transaction;
    m_prepaid = s->state == SlotState::Prepaid;

    Fields f;
    f.computer = s->name;
    f.status = statusWord(s->state);
    f.startTime = Format::longTime(s->start.time());
    f.address = s->address;
    f.transaction = QString::number(s->transaction);
    if (m_prepaid) {
        f.endTime = Format::longTime(s->plannedEnd.time());
        f.prepaidSeconds = QString::number(s->amount);
    }
    m_fields = f;
    m_fields.seconds = QString::number(seconds());
    return true;
}

QStringList Transfer::freeComputers()
{
    QStringList names;
    const auto rows = m_cafe.freeComputers();
    if (!rows) {
        m_engine.reportStoreError(rows.error());
        return names;
    }
    for (const ComputerRow &row : *rows)
        names << row.pcname;
    return names;
}

qint64 Transfer::seconds() const
{
    const Slot *s = m_engine.slot(m_source);
    if (!s || !s->start.isValid())
        return 0;
    // The whole date and time: a charge begun yesterday has used more than
    // the times of day alone would say.
    const qint64 elapsed = s->start.secsTo(m_clock.now());
    if (!m_prepaid)
        return qMax<qint64>(0, elapsed);
    return s->amount - elapsed + 1;
}

bool Transfer::sourceUnchanged() const
{
    const Slot *s = m_engine.slot(m_source);
    if (!s || s->transaction != m_transaction)
        return false;
    if (s->state != (m_prepaid ? SlotState::Prepaid : SlotState::Normal))
        return false;
    // A prepaid charge at its end is the expiry's to bill, not ours to move.
    return !m_prepaid || m_clock.now() < s->plannedEnd;
}

Transfer::Answer Transfer::ok(const QString &chosen)
{
    if (isBusy())
        return Answer::Declined;
    if (chosen.isEmpty() || chosen == Placeholder) {
        m_prompter.tell(QStringLiteral("No Computer Has Been Selected "), Prompter::Icon::Information);
        return Answer::NoChoice;
    }
    if (!sourceUnchanged()) {
        m_prompter.tell(QStringLiteral("The time charge of ") + m_sourceName + QStringLiteral(" has already ended"),
                        Prompter::Icon::Information);
        return Answer::SourceGone;
    }

    const auto rows = m_cafe.computersNamed(chosen);
    if (!rows) {
        m_engine.reportStoreError(rows.error());
        return Answer::TargetTaken;
    }
    const ComputerRow *target = rows->isEmpty() ? nullptr : &rows->first();
    if (!target || target->timer || target->pretime || target->user || !m_engine.canMove(m_source, target->aa)) {
        m_prompter.tell(chosen + QStringLiteral(" is no longer free"), Prompter::Icon::Information);
        return Answer::TargetTaken;
    }

    if (!m_prompter.ask(QStringLiteral("Change Computer ?"), Prompter::Icon::Question))
        return Answer::Declined;
    startNew(target->aa, target->pcname, target->ip);
    return Answer::Started;
}

bool Transfer::isBusy() const
{
    return m_step != Step::Idle || (m_newChannel && m_newChannel->isBusy()) || (m_oldChannel && m_oldChannel->isBusy());
}

void Transfer::ensureChannels()
{
    const auto make = [this](QPointer<CommandChannel> &channel) {
        if (channel || !m_factory)
            return;
        channel = m_factory();
        if (channel && !channel->parent())
            channel->setParent(this);
    };
    const bool hadNew = m_newChannel;
    const bool hadOld = m_oldChannel;
    make(m_newChannel);
    make(m_oldChannel);
    if (m_newChannel && !hadNew) {
        connect(m_newChannel, &CommandChannel::connected, this, &Transfer::onNewConnected);
        connect(m_newChannel, &CommandChannel::failed, this, &Transfer::onNewFailed);
        connect(m_newChannel, &CommandChannel::finished, this, [this] { emit busyChanged(isBusy()); });
    }
    if (m_oldChannel && !hadOld) {
        connect(m_oldChannel, &CommandChannel::connected, this, &Transfer::onOldConnected);
        connect(m_oldChannel, &CommandChannel::failed, this, &Transfer::onOldFailed);
        connect(m_oldChannel, &CommandChannel::finished, this, &Transfer::onOldFinished);
    }
}

void Transfer::startNew(qint64 target, const QString &name, const QString &address)
{
    ensureChannels();
    if (!m_newChannel || !m_oldChannel) {
        m_prompter.tell(QStringLiteral("Communication Error\nNo connection can be made"), Prompter::Icon::Critical);
        return;
    }
    m_target = target;
    m_targetName = name;
    setStep(Step::UnlockingNew);
    m_newChannel->open(address);
}

void Transfer::onNewConnected()
{
    if (m_step != Step::UnlockingNew)
        return;
    // Seconds as of this moment, not as of the window's opening.
    const qint64 secs = seconds();
    QString refusal;
    if (!sourceUnchanged())
        refusal = QStringLiteral("The time charge of ") + m_sourceName + QStringLiteral(" has already ended");
    else if (!m_engine.canMove(m_source, m_target))
        refusal = m_targetName + QStringLiteral(" is no longer free");
    // The books first: should they refuse, the new computer is sent nothing
    // and stays locked.
    // A failing write is told from inside the engine, and the channel may
    // give up meanwhile; its failure is not a communication error to tell.
    m_deciding = true;
    const bool moved = refusal.isEmpty() && m_engine.moveCharge(m_source, m_target);
    m_deciding = false;
    if (!moved) {
        if (m_newChannel->isBusy())
            m_newChannel->send(QByteArray());
        setStep(Step::Idle);
        if (!refusal.isEmpty())
            m_prompter.tell(refusal, Prompter::Icon::Information);
        emit failed();
        return;
    }
    m_newChannel->send(m_prepaid ? Protocol::movedPrepaid(secs) : Protocol::movedNormal(secs));
    endNew();
}

void Transfer::onNewFailed(const QString &description)
{
    if (m_deciding || m_step != Step::UnlockingNew)
        return;
    setStep(Step::Idle);
    m_prompter.tell(QStringLiteral("Communication Error") + QLatin1Char('\n') + description, Prompter::Icon::Critical);
    emit failed();
}

void Transfer::endNew()
{
    setStep(Step::LockingOld);
    m_oldChannel->open(m_sourceAddress);
}

void Transfer::onOldConnected()
{
    if (m_step == Step::LockingOld)
        m_oldChannel->send(Protocol::stoppc());
}

void Transfer::onOldFinished()
{
    if (m_step != Step::LockingOld)
        return;
    setStep(Step::Idle);
    m_prompter.tell(QStringLiteral("Done"), Prompter::Icon::Information);
    emit ended();
}

void Transfer::onOldFailed(const QString &description)
{
    if (m_step != Step::LockingOld)
        return;
    setStep(Step::Idle);
    m_prompter.tell(QStringLiteral("The time charge now runs on ") + m_targetName + QStringLiteral(", but ")
                        + m_sourceName + QStringLiteral(" could not be reached and was not locked.") + QLatin1Char('\n')
                        + description,
                    Prompter::Icon::Critical);
    emit ended();
}

void Transfer::setStep(Step step)
{
    m_step = step;
    emit busyChanged(isBusy());
}
