#include "link/PresencePoller.h"

#include "link/Protocol.h"
#include "base/Prompter.h"

#include <QSocketNotifier>
#include <QTcpSocket>
#include <QTimer>

#include <arpa/inet.h>
#include <cerrno>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

PresencePoller::PresencePoller(Prompter &prompter, quint16 probePort, StatusLookup status, PollingSwitch polling,
                               QObject *parent)
    : QObject(parent)
    , m_prompter(prompter)
    , m_port(probePort)
    , m_status(std::move(status))
    , m_polling(std::move(polling))
    , m_wheel(new QTimer(this))
    , m_checkTimer(new QTimer(this))
{
    m_wheel->setSingleShot(true);
    m_wheel->setTimerType(Qt::PreciseTimer); // a coarse timer would pull the steps back together
    connect(m_wheel, &QTimer::timeout, this, &PresencePoller::turnWheel);
    m_checkTimer->setSingleShot(true);
    connect(m_checkTimer, &QTimer::timeout, this, &PresencePoller::checkFailed);
}

PresencePoller::~PresencePoller()
{
    stop();
    endCheck();
}

void PresencePoller::addComputer(qint64 aa, const QString &address)
{
    if (m_byKey.contains(aa))
        return;
    auto probe = std::make_unique<Probe>();
    probe->aa = aa;
    // Roster changes take effect after a restart, so the address is read once.
    if (const auto host = Protocol::ipv4(address))
        probe->host = host->toIPv4Address();
    probe->running = true;
    m_byKey.insert(aa, probe.get());
    m_probes.push_back(std::move(probe));
    ++m_running;
    if (!m_wheel->isActive())
        startWheel();
    else if (!m_turned)
        scheduleWheel(); // nobody ticked yet: the steps may still grow
}

void PresencePoller::setIntervalMs(int ms)
{
    m_intervalMs = qMax(ms, MinimumIntervalMs);
    if (!m_wheel->isActive())
        return;
    // The next step one whole new interval from now and the others after
    // it: no computer is ticked sooner than that, as when timers of their
    // own restart.
    m_turnStartMs = m_clock.elapsed() + m_intervalMs - qint64(m_nextStep + 1) * m_intervalMs / m_steps;
    scheduleWheel();
}

void PresencePoller::stop()
{
    for (const auto &p : m_probes) {
        p->running = false;
        closeProbe(*p);
    }
    m_running = 0;
    m_wheel->stop();
}

void PresencePoller::startWheel()
{
    if (!m_clock.isValid())
        m_clock.start();
    m_turnStartMs = m_clock.elapsed();
    m_nextStep = 0;
    m_turned = false;
    scheduleWheel();
}

void PresencePoller::scheduleWheel()
{
    if (m_running == 0) {
        m_wheel->stop();
        return;
    }
    // Fixed at the first step, once the roster is in: computers added later
    // join the existing steps, so that no computer's phase ever moves.
    if (!m_turned)
        m_steps = qBound(1, int((m_probes.size() + BurstSize - 1) / BurstSize), MaxSteps);
    const qint64 stepMs = m_intervalMs / m_steps;
    qint64 wait = m_turnStartMs + qint64(m_nextStep + 1) * m_intervalMs / m_steps - m_clock.elapsed();
    if (wait < -stepMs) {
        // Held up by a long handler: go on from now instead of catching up
        // in a burst, as a timer of its own skips the ticks it missed.
        m_turnStartMs -= wait;
        wait = 0;
    }
    m_wheel->start(int(qMax<qint64>(wait, 0)));
}

void PresencePoller::turnWheel()
{
    const size_t step = size_t(m_nextStep);
    const size_t steps = size_t(m_steps);
    m_turned = true;
    if (++m_nextStep == m_steps) {
        m_nextStep = 0;
        m_turnStartMs += m_intervalMs;
    }
    // Read at every tick: the options window switches polling live.
    if (step < m_probes.size() && m_polling()) {
        std::vector<Probe *> pending;
        // By index: a slot of pictureDue may add computers.
        for (size_t i = step; i < m_probes.size(); i += steps)
            tick(*m_probes[i], pending);
        // One look at the whole step's sockets: on a local network most
        // connections are settled by the time connect() returns.
        std::vector<pollfd> fds;
        fds.reserve(pending.size());
        for (const Probe *p : pending)
            fds.push_back({p->fd, POLLOUT, 0});
        if (!fds.empty() && ::poll(fds.data(), fds.size(), 0) < 0)
            for (pollfd &f : fds)
                f.revents = 0;
        for (size_t i = 0; i < pending.size(); ++i) {
            Probe &p = *pending[i];
            if (!p.connecting || p.fd != fds[i].fd) // ended by a slot meanwhile
                continue;
            if (fds[i].revents)
                settle(p);
            else
                waitFor(p);
        }
    }
    scheduleWheel();
}

void PresencePoller::tick(Probe &p, std::vector<Probe *> &pending)
{
    if (!p.running)
        return;
    if (p.connecting) {
        // The probe of one interval ago never completed.
        endProbe(p);
        emit pictureDue(p.aa, Picture::Error);
        return;
    }
    if (!open(p)) {
        emit pictureDue(p.aa, Picture::Error);
        return;
    }
    pending.push_back(&p);
}

bool PresencePoller::open(Probe &p)
{
    if (!p.host)
        return false;
    if (p.fd < 0) {
        p.fd = makeSocket();
        if (p.fd < 0)
            return false;
    }
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(m_port);
    to.sin_addr.s_addr = htonl(*p.host);
    if (::connect(p.fd, reinterpret_cast<const sockaddr *>(&to), sizeof to) != 0 && errno != EINPROGRESS) {
        closeProbe(p); // a fresh socket next time, whatever state this one is in
        return false;
    }
    p.connecting = true;
    return true;
}

int PresencePoller::makeSocket()
{
    constexpr int type = SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC;
    // Out of descriptors gives -1: that computer shows the error picture
    // this time and is tried again at its next tick.
    return ::socket(AF_INET, type, 0);
}

void PresencePoller::waitFor(Probe &p)
{
    if (!p.notifier) {
        p.notifier = new QSocketNotifier(QSocketNotifier::Write, this);
        Probe *probe = &p;
        connect(p.notifier, &QSocketNotifier::activated, this, [this, probe](QSocketDescriptor socket) {
            if (probe->connecting && socket == QSocketDescriptor(probe->fd))
                settle(*probe);
        });
    }
    if (p.notifier->socket() != p.fd)
        p.notifier->setSocket(p.fd);
    p.notifier->setEnabled(true);
}

void PresencePoller::settle(Probe &p)
{
    int error = 0;
    socklen_t size = sizeof error;
    if (::getsockopt(p.fd, SOL_SOCKET, SO_ERROR, &error, &size) != 0)
        error = errno;
    // Ended first, so a slot that reacts to the picture finds the probe idle.
    endProbe(p);
    if (error != 0) {
        emit pictureDue(p.aa, Picture::Error);
        return;
    }
    emit pictureDue(p.aa, pictureFor(m_status(p.aa)));
}

void PresencePoller::endProbe(Probe &p)
{
    if (!p.connecting)
        return;
    p.connecting = false;
    if (p.notifier)
        p.notifier->setEnabled(false);
    // An ordinary close, as every client program has always seen it; a reset
    // would be cheaper but can make a client's accept fail.
    closeProbe(p);
}

void PresencePoller::closeProbe(Probe &p)
{
    p.connecting = false;
    if (p.fd < 0)
        return;
    if (p.notifier) {
        p.notifier->setEnabled(false); // before the descriptor goes
        p.notifier->setSocket(-1);
    }
    ::close(p.fd);
    p.fd = -1;
}

void PresencePoller::check(qint64 aa, const QString &name, const QString &address, SlotState state)
{
    endCheck();
    m_check = {aa, name, state};
    m_checkSocket = new QTcpSocket(this);
    connect(m_checkSocket, &QTcpSocket::connected, this, &PresencePoller::checkAnswered);
    connect(m_checkSocket, &QTcpSocket::errorOccurred, this, &PresencePoller::checkFailed);
    const auto host = Protocol::ipv4(address);
    if (!host) {
        // Reported from the event loop like any socket error.
        m_checkTimer->start(0);
        return;
    }
    m_checkTimer->start(CheckTimeoutMs);
    m_checkSocket->connectToHost(*host, m_port);
}

void PresencePoller::checkAnswered()
{
    const Check c = m_check;
    endCheck();
    // The picture follows what runs there now, not what ran when asked.
    const SlotState state = m_status ? m_status(c.aa) : c.state;
    m_prompter.tell(workingText(c.name), Prompter::Icon::Information);
    emit pictureDue(c.aa, pictureFor(state));
}

void PresencePoller::checkFailed()
{
    if (!m_checkSocket)
        return;
    const Check c = m_check;
    endCheck();
    m_prompter.tell(failedText(c.name), Prompter::Icon::Critical);
    emit pictureDue(c.aa, Picture::Error);
}

void PresencePoller::endCheck()
{
    m_checkTimer->stop();
    if (!m_checkSocket)
        return;
    QTcpSocket *s = m_checkSocket;
    m_checkSocket = nullptr;
    s->disconnect(this);
    s->abort();
    s->deleteLater();
}

Picture PresencePoller::pictureFor(SlotState state)
{
    const ChargeKind *kind = chargeKind(state);
    return kind ? kind->picture : Picture::Free;
}

QString PresencePoller::workingText(const QString &name)
{
    return QStringLiteral(" Computer") + QStringLiteral(" ") + name + QStringLiteral(" ")
           + QStringLiteral(" Is Working");
}

QString PresencePoller::failedText(const QString &name)
{
    return QStringLiteral("Computer") + QStringLiteral(" ") + name + QStringLiteral(" ")
           + QStringLiteral("Has a communication error");
}
