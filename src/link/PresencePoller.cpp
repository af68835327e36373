#include "link/PresencePoller.h"

#include "link/Protocol.h"
#include "ui/Prompter.h"

#include <QTcpSocket>
#include <QTimer>

PresencePoller::PresencePoller(Prompter &prompter, quint16 probePort, StatusLookup status, CheckpcGetter checkpc,
                               QObject *parent)
    : QObject(parent)
    , m_prompter(prompter)
    , m_port(probePort)
    , m_status(std::move(status))
    , m_checkpc(std::move(checkpc))
    , m_checkTimer(new QTimer(this))
{
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
    if (m_probes.contains(aa))
        return;
    Probe p;
    p.address = address;
    p.timer = new QTimer(this);
    p.socket = new QTcpSocket(this);
    connect(p.timer, &QTimer::timeout, this, [this, aa] { tick(aa); });
    connect(p.socket, &QTcpSocket::connected, this, [this, aa] { answered(aa); });
    connect(p.socket, &QTcpSocket::errorOccurred, this, [this, aa] { unanswered(aa); });
    p.timer->start(m_intervalMs);
    m_probes.insert(aa, p);
}

void PresencePoller::setIntervalMs(int ms)
{
    m_intervalMs = qMax(ms, MinimumIntervalMs);
    for (const Probe &p : std::as_const(m_probes))
        if (p.timer->isActive())
            p.timer->start(m_intervalMs);
        else
            p.timer->setInterval(m_intervalMs);
}

void PresencePoller::stop()
{
    for (const Probe &p : std::as_const(m_probes)) {
        p.timer->stop();
        p.socket->abort();
    }
}

void PresencePoller::tick(qint64 aa)
{
    // Read at every tick: the options window switches polling live.
    if (m_checkpc() != QLatin1String("yes"))
        return;
    const auto it = m_probes.constFind(aa);
    if (it == m_probes.constEnd())
        return;
    QTcpSocket *s = it->socket;
    switch (s->state()) {
    case QAbstractSocket::HostLookupState:
    case QAbstractSocket::ConnectingState:
        // The probe of one interval ago never completed.
        s->abort();
        emit pictureDue(aa, Picture::Error);
        return;
    case QAbstractSocket::UnconnectedState:
        break;
    default:
        s->abort();
        break;
    }
    const auto host = Protocol::ipv4(it->address);
    if (!host) {
        emit pictureDue(aa, Picture::Error);
        return;
    }
    s->connectToHost(*host, m_port);
}

void PresencePoller::answered(qint64 aa)
{
    const auto it = m_probes.constFind(aa);
    if (it == m_probes.constEnd())
        return;
    // Closed first, so a slot that reacts to the picture finds the socket idle.
    it->socket->abort();
    if (const auto picture = pictureFor(m_status(aa)))
        emit pictureDue(aa, *picture);
}

void PresencePoller::unanswered(qint64 aa)
{
    const auto it = m_probes.constFind(aa);
    if (it == m_probes.constEnd())
        return;
    it->socket->abort();
    emit pictureDue(aa, Picture::Error);
}

void PresencePoller::check(qint64 aa, const QString &name, const QString &address, const QString &status)
{
    endCheck();
    m_check = {aa, name, status};
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
    // The picture follows the status word as it is now, not when asked.
    const QString status = m_status ? m_status(c.aa) : c.status;
    m_prompter.tell(workingText(c.name), Prompter::Icon::Information);
    if (const auto picture = pictureFor(status))
        emit pictureDue(c.aa, *picture);
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

std::optional<Picture> PresencePoller::pictureFor(const QString &status)
{
    if (status.isEmpty())
        return Picture::Free;
    if (status == QLatin1String("ison"))
        return Picture::Normal;
    if (status == QLatin1String("isonpre"))
        return Picture::Prepaid;
    if (status == QLatin1String("isonuser"))
        return Picture::Account;
    return std::nullopt;
}

QString PresencePoller::workingText(const QString &name)
{
    return QStringLiteral(" Computer") + QStringLiteral(" ") + name + QStringLiteral(" ") + QStringLiteral(" Is Working");
}

QString PresencePoller::failedText(const QString &name)
{
    return QStringLiteral("Computer") + QStringLiteral(" ") + name + QStringLiteral(" ")
           + QStringLiteral("Has a communication error");
}
