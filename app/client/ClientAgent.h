#pragma once

#include "link/PinThrottle.h"
#include "link/Ports.h"
#include "base/Clock.h"

#include <QElapsedTimer>
#include <QHash>
#include <QHostAddress>
#include <QJsonObject>
#include <QObject>
#include <QTimer>
#include <array>
#include <functional>
#include <optional>

class QLocalServer;
class QLocalSocket;
class QSocketNotifier;
class QTcpServer;
class QTcpSocket;
class QUdpSocket;

// The client program of a café computer: listens on its command, text and
// probe ports, follows the broadcast group, keeps the computer locked or
// unlocked as the console commands, and reports every event as one JSON line
// on stdout and to the screens (korvane-screen) connected to its local
// socket, which send it the customer's PIN and logoff. Only the console's
// address may command it; whatever comes from elsewhere is reported as
// refused. Hooks (shell commands) let it drive a real machine; the text that
// caused the event is in KORVANE_TEXT.
class ClientAgent : public QObject
{
    Q_OBJECT
public:
    struct Options
    {
        QHostAddress listen{QHostAddress::AnyIPv4};
        // The only addresses whose commands, texts and broadcasts are obeyed:
        // the counters of the café. A customer's request goes to the first
        // that takes it, in this order.
        QStringList consoles;
        Ports ports;
        bool broadcast = true;
        // Keys: lock, unlock, message, logoff, reboot, shutdown, suspend.
        QHash<QString, QString> hooks;
        // Where the screens connect; none when empty. Only this program's
        // user may use it, and the members of `screenGroup` when given.
        QString screenSocket;
        QString screenGroup;
        QString cafeName; // shown on the screens
    };

    // A message bigger than this is not from the console: dropped.
    static constexpr int MaxMessageBytes = 64 * 1024;
    // A connection that has not ended its message by then is dropped.
    static constexpr int MessageTimeoutMs = 10000;
    // The longest unlock a command may ask for.
    static constexpr qint64 MaxUnlockSecs = 366LL * 24 * 3600;
    // Seconds before a prepaid or account time runs out that the customer is warned.
    static constexpr std::array<qint64, 2> WarnAtSecs = {300, 60};
    // A line from a screen is a PIN or a word; more is not a screen.
    static constexpr int MaxLineBytes = 256;

    explicit ClientAgent(Options options, QObject *parent = nullptr);

    // Listens on the three ports; an error text when one cannot be opened.
    std::optional<QString> start();
    // Reads `pin NNNN`, `closeme` and `status` lines from standard input.
    void readStdin();

    QString stateText() const;

private:
    enum class Mode { Locked, Open, Prepaid, Account };

    std::optional<QString> listenForScreens();
    void screenConnected();
    void accept(QTcpServer *server, quint16 port);
    void received(quint16 port, const QByteArray &message, const QString &peer);
    void command(const QByteArray &message, const QString &peer);
    void datagrams();
    bool fromConsole(const QHostAddress &peer) const;
    void line(const QByteArray &text);
    // `shown` stands for the message in the event lines; `done` hears whether
    // it was delivered.
    void sendToConsole(const QByteArray &message, const QString &shown = QString(),
                       std::function<void(bool)> done = {}, int counter = 0);
    void countdown();
    void expire();
    void logOff();
    // The customer has gone: the console is told, now or when it is back.
    void leave();
    void tellLeft();
    void pinRefused();

    void lock();
    void unlockOpen(qint64 secondsUsed);
    void unlockFor(Mode mode, qint64 seconds);

    void emitEvent(const QString &event, quint16 port, const QString &text, QJsonObject extra = {});
    void runHook(const QString &name, const QString &text);
    void startHook(const QString &name);

    Options m_options;
    QTcpServer *m_command;
    QTcpServer *m_text;
    QTcpServer *m_probe;
    QList<QHostAddress> m_consoleHosts;
    QUdpSocket *m_udp = nullptr;
    QSocketNotifier *m_stdin = nullptr;
    QByteArray m_stdinBuffer;
    QLocalServer *m_screens = nullptr;
    QList<QLocalSocket *> m_screenSockets;

    Mode m_mode = Mode::Locked;
    QElapsedTimer m_since;   // start of the current unlock
    qint64 m_usedBefore = 0; // seconds an open charge had used before it came here
    qint64 m_lengthMs = 0;   // prepaid or account: how long the unlock lasts
    QTimer m_expiry;
    QElapsedTimer m_leftAt; // valid while the console has not heard the customer leave
    bool m_leaveTold = false;
    bool m_leaveTelling = false;
    qsizetype m_nextWarning = 0; // into WarnAtSecs

    // The console's own guard against guessing, followed here so that the
    // customer hears of a pause rather than of one wrong PIN after another.
    SystemClock m_clock;
    PinThrottle m_guesses{m_clock};
    QElapsedTimer m_pinSent; // valid while a PIN awaits its answer

    struct Hook
    {
        QString text;  // the latest asked for
        QString state; // the state when it was asked for
        bool running = false;
        bool again = false;
    };
    QHash<QString, Hook> m_hooks;
};
