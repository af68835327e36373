#pragma once

#include "store/ChargeKinds.h"
#include "store/SettingsFile.h"
#include "store/StatusPictures.h"

#include <QElapsedTimer>
#include <QHash>
#include <QObject>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class Prompter;
class QSocketNotifier;
class QTcpSocket;
class QTimer;

// Watches whether the client program of each computer is running by
// connecting to its probe port. Periodic probes (one tick and one socket
// per computer and interval, while polling is switched on) redraw a
// computer's picture from what runs there when answered and show the error
// picture when refused or left unanswered for one interval; the manual check
// tells the operator the outcome. Neither ever changes what runs there or the
// books.
//
// The periodic ticks are driven by one wheel that turns once per interval
// in a few steps: each computer belongs to one step, so it is still ticked
// once per interval at a fixed phase of its own, as with a timer of its own,
// but a large café's probes come in bursts of at most `BurstSize` instead of
// all at once, and a burst costs one timer event.
class PresencePoller : public QObject
{
    Q_OBJECT
public:
    using StatusLookup = std::function<SlotState(qint64 aa)>;
    using PollingSwitch = std::function<bool()>;

    static constexpr int MinimumIntervalMs = SettingsFile::MinimumIntervalMs;
    // The manual check waits this long before calling a client silent.
    static constexpr int CheckTimeoutMs = 3000;

    PresencePoller(Prompter &prompter, quint16 probePort, StatusLookup status, PollingSwitch polling,
                   QObject *parent = nullptr);
    ~PresencePoller() override;

    // Most probes started in one go. A probe on a local network costs the
    // event loop some 25 to 35 µs, so a burst holds it about 2 ms; smaller
    // bursts cost more CPU per probe (the network stack goes cold between them).
    static constexpr int BurstSize = 64;
    // Steps are at least a twentieth of the interval apart.
    static constexpr int MaxSteps = 20;

    // Ticks and a probe socket for the computer `aa` at `address`, running
    // from now on with the current interval; the first tick comes within
    // one interval.
    void addComputer(qint64 aa, const QString &address);
    int computerCount() const { return int(m_probes.size()); }
    // Below the minimum (0, negative, not a number in settings) gives the minimum.
    void setIntervalMs(int ms);
    int intervalMs() const { return m_intervalMs; }
    void stop();

    // The operator's "check" of one computer.
    void check(qint64 aa, const QString &name, const QString &address, SlotState state);

    // The picture an answered probe shows for what runs on the computer.
    static Picture pictureFor(SlotState state);
    static QString workingText(const QString &name);
    static QString failedText(const QString &name);

signals:
    void pictureDue(qint64 aa, Picture picture);

private:
    // A periodic probe is a bare non-blocking socket, kept from one probe to
    // the next: a QTcpSocket made and unmade per probe cost several times
    // the connection itself.
    struct Probe
    {
        qint64 aa = 0;
        std::optional<quint32> host; // parsed once; none for an unusable address
        bool running = false;
        int fd = -1; // kept from one probe to the next
        bool connecting = false;
        QSocketNotifier *notifier = nullptr; // made on the first probe that has to wait
    };

    void startWheel();
    void scheduleWheel();
    void turnWheel();
    void tick(Probe &p, std::vector<Probe *> &pending);
    bool open(Probe &p);
    int makeSocket();
    void waitFor(Probe &p);
    void settle(Probe &p);
    void endProbe(Probe &p);
    void closeProbe(Probe &p);
    void checkAnswered();
    void checkFailed();
    void endCheck();

    Prompter &m_prompter;
    quint16 m_port;
    StatusLookup m_status;
    PollingSwitch m_polling;
    int m_intervalMs = MinimumIntervalMs;
    std::vector<std::unique_ptr<Probe>> m_probes;
    QHash<qint64, Probe *> m_byKey;
    QTimer *m_wheel;
    QElapsedTimer m_clock;
    qint64 m_turnStartMs = 0; // on m_clock, when this turn of the wheel began
    int m_steps = 1;          // a computer's step is its place in m_probes modulo this
    int m_nextStep = 0;
    bool m_turned = false; // since the wheel started
    int m_running = 0;     // computers whose ticks run

    struct Check
    {
        qint64 aa = 0;
        QString name;
        SlotState state = SlotState::Free;
    };
    Check m_check;
    QTcpSocket *m_checkSocket = nullptr;
    QTimer *m_checkTimer;
};
