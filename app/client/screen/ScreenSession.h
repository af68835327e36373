#pragma once

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QJsonObject>
#include <QList>
#include <QLocalSocket>
#include <QObject>
#include <QTimer>
#include <memory>

class LockWindow;
class TimePanel;

// The client computer's screen in the customer's desktop session: follows
// the agent (korvane-client) through its local socket, covers every screen
// while the computer is locked and keeps a panel with the time in a corner
// while it is in use. It passes the customer's PIN and logoff to the agent
// and opens no network port of its own.
class ScreenSession : public QObject
{
    Q_OBJECT
public:
    struct Options
    {
        QString socket;
        // A demo's screen: ordinary windows that neither cover nor grab.
        bool windowed = false;
    };
    // How often a missing agent is looked for again.
    static constexpr int RetryMs = 2000;

    explicit ScreenSession(Options options, QObject *parent = nullptr);
    ~ScreenSession() override;

    void start();
    // The cover that takes the logon (from start() on), and the panel.
    LockWindow *lockWindow() const { return m_covers.first(); }
    TimePanel *panel() const { return m_panel.get(); }

signals:
    // This session's user may not use the agent's socket: nothing to show.
    void refused(const QString &why);

private:
    void connectToAgent();
    void readAgent();
    void received(const QJsonObject &event);
    void coverScreens();
    void showState();
    void tick();
    void answer(const QString &text);

    Options m_options;
    QLocalSocket m_socket;
    QByteArray m_buffer;
    QTimer m_retry;
    QTimer m_ticker;
    QList<LockWindow *> m_covers; // one per screen; the first takes the logon
    std::unique_ptr<TimePanel> m_panel;
    QString m_cafe;
    bool m_connected = false;
    QString m_charge;       // "normal", "prepaid", "account"; empty while locked
    qint64 m_seconds = 0;   // used (normal) or left, when the agent last said
    QElapsedTimer m_saidAt; // since then
    QDeadlineTimer m_pausedUntil;
    bool m_pauseShown = false;
};
