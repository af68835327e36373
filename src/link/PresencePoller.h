#pragma once

#include "store/StatusPictures.h"

#include <QHash>
#include <QObject>
#include <functional>
#include <optional>

class Prompter;
class QTcpSocket;
class QTimer;

// Watches whether the client program of each computer is running by
// connecting to its probe port. Periodic probes (one timer and one socket
// per computer, while `checkpc` is exactly "yes") redraw a computer's picture
// from its status word when answered and show the error picture when
// refused or left unanswered for one interval; the manual check tells the
// operator the outcome. Neither ever changes a status word or the books.
class PresencePoller : public QObject
{
    Q_OBJECT
public:
    using StatusLookup = std::function<QString(qint64 aa)>;
    using CheckpcGetter = std::function<QString()>;

    static constexpr int MinimumIntervalMs = 1000;
    // The manual check waits this long before calling a client silent.
    static constexpr int CheckTimeoutMs = 3000;

    PresencePoller(Prompter &prompter, quint16 probePort, StatusLookup status, CheckpcGetter checkpc,
                   QObject *parent = nullptr);
    ~PresencePoller() override;

    // One timer and one probe socket for the computer `aa` at `address`,
    // running from now on with the current interval.
    void addComputer(qint64 aa, const QString &address);
    int computerCount() const { return int(m_probes.size()); }
    // Below the minimum (0, negative, not a number in settings) gives the minimum.
    void setIntervalMs(int ms);
    int intervalMs() const { return m_intervalMs; }
    void stop();

    // The operator's "check" of one computer.
    void check(qint64 aa, const QString &name, const QString &address, const QString &status);

    // The picture an answered probe shows for a status word; none for a
    // word that is not one of the four.
    static std::optional<Picture> pictureFor(const QString &status);
    static QString workingText(const QString &name);
    static QString failedText(const QString &name);

signals:
    void pictureDue(qint64 aa, Picture picture);

private:
    struct Probe
    {
        QString address;
        QTimer *timer = nullptr;
        QTcpSocket *socket = nullptr;
    };

    void tick(qint64 aa);
    void answered(qint64 aa);
    void unanswered(qint64 aa);
    void checkAnswered();
    void checkFailed();
    void endCheck();

    Prompter &m_prompter;
    quint16 m_port;
    StatusLookup m_status;
    CheckpcGetter m_checkpc;
    int m_intervalMs = MinimumIntervalMs;
    QHash<qint64, Probe> m_probes;

    struct Check
    {
        qint64 aa = 0;
        QString name;
        QString status;
    };
    Check m_check;
    QTcpSocket *m_checkSocket = nullptr;
    QTimer *m_checkTimer;
};
