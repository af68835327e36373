#include "ScreenSession.h"

#include "LockWindow.h"
#include "TimePanel.h"
#include "link/Protocol.h"
#include "base/Format.h"

#include <QGuiApplication>
#include <QJsonDocument>
#include <QScreen>
#include <QWindow>

namespace {
constexpr int MaxLineBytes = 64 * 1024 + 1024;

bool isRefusal(const QString &text)
{
    for (const QByteArray &r : {Protocol::invalidPassword(), Protocol::timeExpired(), Protocol::pinInUse(),
                                Protocol::computerBusy()})
        if (text == QString::fromLatin1(r))
            return true;
    return false;
}
} // namespace

ScreenSession::ScreenSession(Options options, QObject *parent)
    : QObject(parent)
    , m_options(std::move(options))
    , m_panel(std::make_unique<TimePanel>(!m_options.windowed))
{
    m_retry.setSingleShot(true);
    m_retry.setInterval(RetryMs);
    connect(&m_retry, &QTimer::timeout, this, &ScreenSession::connectToAgent);
    m_ticker.setInterval(1000);
    connect(&m_ticker, &QTimer::timeout, this, &ScreenSession::tick);
    connect(&m_socket, &QLocalSocket::connected, this, [this] {
        m_connected = true;
        answer(QString());
    });
    connect(&m_socket, &QLocalSocket::readyRead, this, &ScreenSession::readAgent);
    connect(&m_socket, &QLocalSocket::disconnected, this, [this] {
        // Without the agent nothing can be checked: locked until it is back.
        m_connected = false;
        m_charge.clear();
        showState();
        m_retry.start();
    });
    connect(&m_socket, &QLocalSocket::errorOccurred, this, [this](QLocalSocket::LocalSocketError e) {
        if (e == QLocalSocket::SocketAccessError)
            return emit refused(QStringLiteral("%1: %2").arg(m_options.socket, m_socket.errorString()));
        if (m_socket.state() == QLocalSocket::UnconnectedState)
            m_retry.start();
    });
    connect(m_panel.get(), &TimePanel::logOffClicked, this,
            [this] { m_socket.write(Protocol::closeme() + '\n'); });
    connect(qApp, &QGuiApplication::screenAdded, this, &ScreenSession::coverScreens);
    connect(qApp, &QGuiApplication::screenRemoved, this, &ScreenSession::coverScreens);
}

ScreenSession::~ScreenSession()
{
    // A socket closing on the way out must not reach windows already gone.
    m_socket.disconnect(this);
    qDeleteAll(m_covers);
}

void ScreenSession::start()
{
    coverScreens();
    showState();
    m_ticker.start();
    connectToAgent();
}

void ScreenSession::connectToAgent()
{
    if (m_socket.state() == QLocalSocket::UnconnectedState)
        m_socket.connectToServer(m_options.socket);
}

void ScreenSession::readAgent()
{
    m_buffer += m_socket.readAll();
    qsizetype eol;
    while ((eol = m_buffer.indexOf('\n')) >= 0) {
        received(QJsonDocument::fromJson(m_buffer.left(eol)).object());
        m_buffer.remove(0, eol + 1);
    }
    if (m_buffer.size() > MaxLineBytes)
        m_buffer.clear();
}

void ScreenSession::received(const QJsonObject &e)
{
    const QString event = e.value(QLatin1String("event")).toString();
    if (event == QLatin1String("status")) {
        m_cafe = e.value(QLatin1String("cafe")).toString();
        for (LockWindow *w : std::as_const(m_covers))
            w->setCafe(m_cafe);
    }
    // Every line tells the state as it is after the event.
    const QString charge = e.value(QLatin1String("charge")).toString();
    if (charge.isEmpty() != m_charge.isEmpty()) {
        lockWindow()->setMessage(QString());
        m_panel->notify(QString());
        answer(QString());
        // A logon the console let through ends a pause; a new one comes with the next PIN.
        m_pausedUntil = QDeadlineTimer();
    }
    m_charge = charge;
    m_seconds = e.value(charge == QLatin1String("normal") ? QLatin1String("used") : QLatin1String("left")).toInteger();
    m_saidAt.start();

    const QString text = e.value(QLatin1String("text")).toString();
    if (event == QLatin1String("message")) {
        if (!m_charge.isEmpty())
            m_panel->notify(text);
        else if (isRefusal(text))
            answer(text);
        else
            lockWindow()->setMessage(text);
    } else if (event == QLatin1String("warning")) {
        const qint64 minutes = e.value(QLatin1String("minutes")).toInteger();
        m_panel->notify(minutes == 1 ? QStringLiteral("1 minute left. Save your work.")
                                     : QStringLiteral("%1 minutes left. Save your work.").arg(minutes));
    } else if (event == QLatin1String("expired")) {
        answer(QStringLiteral("Your time is up."));
    } else if (event == QLatin1String("paused")) {
        m_pausedUntil.setRemainingTime(e.value(QLatin1String("wait")).toInteger() * 1000);
    } else if (event == QLatin1String("error") && e.value(QLatin1String("request")) == QLatin1String("pin")) {
        answer(QStringLiteral("Your PIN could not reach the counter. Please ask at the counter."));
    }
    showState();
}

void ScreenSession::coverScreens()
{
    const QList<QScreen *> screens =
        m_options.windowed ? QList<QScreen *>{nullptr} : QGuiApplication::screens();
    while (m_covers.size() < qMax<qsizetype>(1, screens.size())) {
        auto *w = new LockWindow(m_covers.isEmpty());
        w->setCafe(m_cafe);
        w->setClosable(m_options.windowed);
        if (m_covers.isEmpty())
            connect(w, &LockWindow::pinEntered, this, [this](const QString &pin) {
                m_socket.write("pin " + pin.toLatin1() + '\n');
            });
        if (!m_options.windowed)
            w->setWindowFlags(Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
        else
            w->resize(900, 560);
        m_covers.append(w);
    }
    while (m_covers.size() > qMax<qsizetype>(1, screens.size()))
        delete m_covers.takeLast();
    // The cover that takes the logon goes on the primary screen.
    if (!m_options.windowed) {
        QList<QScreen *> order = screens;
        if (order.removeOne(QGuiApplication::primaryScreen()))
            order.prepend(QGuiApplication::primaryScreen());
        for (qsizetype i = 0; i < order.size(); ++i) {
            m_covers[i]->setScreen(order[i]);
            m_covers[i]->setGeometry(order[i]->geometry());
        }
    }
    showState();
}

void ScreenSession::showState()
{
    const bool locked = m_charge.isEmpty();
    for (LockWindow *w : std::as_const(m_covers)) {
        if (locked && !w->isVisible()) {
            m_options.windowed ? w->show() : w->showFullScreen();
            w->raise();
            w->activateWindow();
        } else if (!locked && w->isVisible()) {
            if (QWindow *h = w->windowHandle())
                h->setKeyboardGrabEnabled(false);
            w->hide();
        }
    }
    if (!locked && !m_panel->isVisible())
        m_panel->show();
    else if (locked)
        m_panel->hide();
    m_panel->setLogOffShown(m_charge == QLatin1String("account"));
    tick();
}

void ScreenSession::tick()
{
    const bool paused = !m_pausedUntil.hasExpired();
    if (paused) {
        // A pause lasts up to ten minutes, or a day: counted in minutes past two.
        const qint64 secs = (m_pausedUntil.remainingTime() + 999) / 1000;
        answer(secs > 120 ? QStringLiteral("Too many wrong PINs. Try again in %1 minutes.").arg((secs + 59) / 60)
                          : QStringLiteral("Too many wrong PINs. Try again in %1 seconds.").arg(secs));
    } else if (std::exchange(m_pauseShown, false)) {
        answer(QString());
    }
    m_pauseShown = paused;
    if (!m_connected)
        answer(QStringLiteral("This computer is not ready. Please ask at the counter."));
    lockWindow()->setLogonEnabled(m_connected && !paused);

    if (m_charge.isEmpty()) {
        // Where the display server allows it, typing goes nowhere but here.
        if (!m_options.windowed && QGuiApplication::platformName() == QLatin1String("xcb"))
            if (QWindow *w = lockWindow()->windowHandle())
                w->setKeyboardGrabEnabled(true);
        return;
    }
    const qint64 seconds = m_seconds + (m_charge == QLatin1String("normal") ? 1 : -1) * (m_saidAt.elapsed() / 1000);
    if (m_charge == QLatin1String("normal"))
        m_panel->showTime(QStringLiteral("Time used"), Format::duration(seconds));
    else
        m_panel->showTime(QStringLiteral("Time left"), Format::timeLeft(qMax<qint64>(0, seconds)));
}

void ScreenSession::answer(const QString &text) { lockWindow()->setAnswer(text); }
