#include "FakeChannel.h"
#include "ScriptedPrompter.h"
#include "Widgets.h"
#include "link/Broadcaster.h"
#include "link/MessageWindow.h"
#include "link/Ports.h"

#include <QGroupBox>
#include <QNetworkDatagram>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QUdpSocket>
#include <QtTest>

namespace {
// A message window whose text-port channel is a fake.
struct Messages
{
    Broadcaster broadcaster;
    ScriptedPrompter prompter;
    Ports ports;
    QUdpSocket group;
    std::unique_ptr<MessageWindow> window;
    FakeChannel *channel = nullptr;

    Messages()
    {
        window = std::make_unique<MessageWindow>(broadcaster, prompter, ports);
        window->setChannelFactory([this] { return channel = new FakeChannel; });
    }
    // Datagrams to a loopback socket stand in for the group: no multicast
    // outside a namespace.
    bool openGroup()
    {
        if (!group.bind(QHostAddress::LocalHost, 0))
            return false;
        ports.group = QHostAddress::LocalHost;
        ports.broadcastLocal = 0;
        ports.broadcastRemote = group.localPort();
        return !broadcaster.bind(ports);
    }
    QString frame() const { return child<QGroupBox>(window.get(), "recipientBox")->title(); }
    QPlainTextEdit *message() const { return child<QPlainTextEdit>(window.get(), "messageEdit"); }
    QPushButton *sendOne() const { return child<QPushButton>(window.get(), "sendOneButton"); }
    QPushButton *sendAll() const { return child<QPushButton>(window.get(), "sendAllButton"); }
    // Typed, character by character, as a keyboard with a Greek layout would.
    void type(const QString &text)
    {
        for (const QChar ch : text)
            QTest::sendKeyEvent(QTest::Click, message(), Qt::Key_unknown, QString(ch), Qt::NoModifier);
    }
};
} // namespace

class TestMessageWindow : public QObject
{
    Q_OBJECT
private slots:
    // Typed as a keyboard with a Greek layout would and sent in the code
    // page: to one computer on the text port, to all in one datagram. The
    // window was open for all before, with a draft: closing alone puts it
    // back to one computer, and opening it again shows its mode, empty. A
    // refusal keeps the window and its text.
    void send_data()
    {
        QTest::addColumn<bool>("all");
        QTest::addColumn<bool>("open"); // the broadcast port
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QByteArray>("bytes"); // empty: refused
        QTest::addColumn<QString>("told");
        const QString notOpen = "The message could not be sent to all computers: the broadcast port %1 is not open.";
        // clang-format off
        QTest::newRow("one computer") << false << true << QString::fromUtf8("Καλημέρα 5€") << QByteArray("\xCA\xE1\xEB\xE7\xEC\xDD\xF1\xE1 5\x80") << QString();
        QTest::newRow("all computers") << true << true << QString::fromUtf8("Κλείνουμε σε 10'") << QByteArray("\xCA\xEB\xE5\xDF\xED\xEF\xF5\xEC\xE5 \xF3\xE5 10'") << QString();
        QTest::newRow("nothing to one") << false << true << QString() << QByteArray() << "No Message Was Entered";
        QTest::newRow("nothing to all") << true << true << QString() << QByteArray() << "No Message Was Entered";
        QTest::newRow("broadcast port not open") << true << false << "terminate" << QByteArray() << notOpen.arg(Ports().broadcastLocal);
        // clang-format on
    }
    void send()
    {
        QFETCH(bool, all);
        QFETCH(bool, open);
        QFETCH(QString, typed);
        QFETCH(QByteArray, bytes);
        QFETCH(QString, told);
        Messages m;
        QVERIFY(!open || m.openGroup());
        m.window->openForAll();
        m.type(QStringLiteral("draft"));
        m.window->close();
        QVERIFY(!m.window->allComputers());
        if (all)
            m.window->openForAll();
        else
            m.window->openForComputer(QStringLiteral("PC1"), QStringLiteral("127.0.0.11"));
        QCOMPARE((QStringList{m.window->windowTitle(), m.frame()}),
                 (all ? QStringList{"Send Message To All Computers", "Sending Message To All Computers"}
                      : QStringList{"Send Message", "Send Message To PC1"}));
        QVERIFY(m.sendOne()->isVisible() != all && m.sendAll()->isVisible() == all);
        QVERIFY(m.message()->toPlainText().isEmpty());
        m.type(typed);
        (all ? m.sendAll() : m.sendOne())->click();
        QCOMPARE(m.prompter.texts(), told.isEmpty() ? QStringList() : QStringList{told});
        if (bytes.isEmpty()) {
            QVERIFY(m.window->isVisible() && !m.channel && !m.group.hasPendingDatagrams());
            QCOMPARE(m.message()->toPlainText(), typed);
        } else if (all) {
            QVERIFY(!m.window->isVisible());
            QTRY_VERIFY(m.group.hasPendingDatagrams());
            QCOMPARE(m.group.receiveDatagram().data(), bytes);
            // Closed, it is back to one computer.
            QVERIFY(!m.group.hasPendingDatagrams() && !m.channel && !m.window->allComputers());
        } else {
            QTRY_VERIFY(!m.window->isVisible());
            QVERIFY(m.channel && !m.group.hasPendingDatagrams());
            QCOMPARE(m.channel->opened(), QStringList{QStringLiteral("127.0.0.11")});
            QCOMPARE(m.channel->sent(), QByteArrayList{bytes});
        }
    }

    void failedMessageToldAndWindowUsable()
    {
        Messages m;
        m.window->openForComputer(QStringLiteral("PC3"), QStringLiteral("127.0.0.13"));
        m.type(QStringLiteral("Your coffee is ready"));
        m.window->setChannelFactory([&m] {
            m.channel = new FakeChannel;
            m.channel->willFail(QStringLiteral("Connection refused"));
            return m.channel;
        });
        m.sendOne()->click();
        QVERIFY(!m.sendOne()->isEnabled());
        QTRY_COMPARE(m.prompter.texts(),
                     QStringList{QStringLiteral("The message could not be delivered to PC3\nConnection refused")});
        QCOMPARE(m.prompter.said().last().icon, Prompter::Icon::Critical);
        QCOMPARE(m.message()->toPlainText(), QStringLiteral("Your coffee is ready"));
        QVERIFY(m.window->isVisible() && m.sendOne()->isEnabled());

        m.channel->willConnect();
        m.sendOne()->click();
        QTRY_VERIFY(!m.window->isVisible());
        QCOMPARE(m.channel->sent(), QByteArrayList{"Your coffee is ready"});
        QCOMPARE(m.prompter.said().size(), 1);
    }
};

QTEST_MAIN(TestMessageWindow)
#include "tst_messagewindow.moc"
