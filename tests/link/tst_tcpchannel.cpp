#include "LinkTestSupport.h"
#include "link/Protocol.h"

using namespace linktest;

namespace {
constexpr quint16 Port = 1007 + Offset;
} // namespace

class TestTcpChannel : public QObject
{
    Q_OBJECT
private slots:
    void deliversExactly_data()
    {
        QTest::addColumn<QByteArray>("message");
        QTest::newRow("command") << Protocol::startpc();
        QTest::newRow("refusal with leading blank") << Protocol::timeExpired();
        QTest::newRow("long text") << QByteArray(200000, 'x');
    }
    void deliversExactly()
    {
        QFETCH(QByteArray, message);
        Receiver r;
        QVERIFY(r.listen(address(1, 1), Port));
        TcpChannel c(Port);
        QVERIFY(!c.isBusy());
        QCOMPARE(deliver(c, address(1, 1), message), QString());
        QVERIFY(!c.isBusy() && c.address() == address(1, 1));
        // The receiver only records a message once the sender has closed.
        QTRY_COMPARE(r.messages.size(), 1);
        QCOMPARE(r.messages.first(), message);
    }

    void failures_data()
    {
        QTest::addColumn<QString>("target");
        QTest::addColumn<QString>("description");
        QTest::newRow("refused") << address(1, 2) << "refused";
        QTest::newRow("empty") << QString() << "No address was given";
        QTest::newRow("garbage") << QString("12.x") << "Not an IPv4 address: \"12.x\"";
    }
    void failures()
    {
        QFETCH(QString, target);
        QFETCH(QString, description);
        TcpChannel c(Port);
        QSignalSpy failed(&c, &CommandChannel::failed);
        QSignalSpy connected(&c, &CommandChannel::connected);
        c.open(target);
        // Never from inside open(): the caller may still be setting up.
        QVERIFY(failed.isEmpty() && c.isBusy());
        QVERIFY(failed.wait(5000));
        QCOMPARE(connected.size(), 0);
        QVERIFY2(failed.first().first().toString().contains(description, Qt::CaseInsensitive),
                 qPrintable(failed.first().first().toString()));
        QVERIFY(!c.isBusy());

        // Reusable at once, from within the failure handler's aftermath.
        Receiver r;
        QVERIFY(r.listen(address(1, 3), Port));
        QCOMPARE(deliver(c, address(1, 3), Protocol::stoppc()), QString());
        QTRY_COMPARE(r.messages, QList<QByteArray>{Protocol::stoppc()});
    }

    void hangingConnectionTimesOut()
    {
        HangingPort hang;
        if (!hang.open(address(1, 4), Port))
            QSKIP("cannot make a listener with a full backlog here");
        TcpChannel c(Port);
        c.setTimeoutMs(500);
        QCOMPARE(deliver(c, address(1, 4), Protocol::startpc()), QStringLiteral("Connection timed out"));
        QVERIFY(!c.isBusy());

        Receiver r;
        QVERIFY(r.listen(address(1, 5), Port));
        QCOMPARE(deliver(c, address(1, 5), Protocol::startpc()), QString());
    }

    void connectedWithoutSendIsAborted()
    {
        Receiver r;
        QVERIFY(r.listen(address(1, 6), Port));
        TcpChannel c(Port);
        c.setTimeoutMs(300);
        QSignalSpy connected(&c, &CommandChannel::connected);
        QSignalSpy failed(&c, &CommandChannel::failed);
        c.open(address(1, 6));
        QVERIFY(failed.wait(5000));
        QVERIFY(connected.size() == 1 && !c.isBusy());
        // The peer saw the connection end with nothing in it: not left open.
        QTRY_COMPARE(r.messages, QList<QByteArray>{QByteArray()});
    }

    void openWhileBusyKeepsTheFirst()
    {
        Receiver first;
        QVERIFY(first.listen(address(1, 7), Port));
        TcpChannel c(Port);
        QSignalSpy done(&c, &CommandChannel::finished);
        connect(&c, &CommandChannel::connected, &c, [&c] { c.send(Protocol::reboot()); });
        c.open(address(1, 7));
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("open\\(\\) while a message is in flight"));
        c.open(address(1, 8));
        QVERIFY(done.wait(5000));
        QVERIFY(done.size() == 1 && c.address() == address(1, 7));
        QTRY_COMPARE(first.messages, QList<QByteArray>{Protocol::reboot()});
    }
};

QTEST_MAIN(TestTcpChannel)
#include "tst_tcpchannel.moc"
