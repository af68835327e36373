#include "LinkTestSupport.h"
#include "link/Protocol.h"

using namespace linktest;

constexpr quint16 Port = 1007 + Offset;

class TestTcpChannel : public QObject
{
    Q_OBJECT
private slots:
    // A message arrives exactly, also on a channel whose last open failed:
    // a failure is told once, never from inside open(), and leaves the
    // channel reusable at once.
    void deliversExactly_data()
    {
        QTest::addColumn<QString>("failing"); // opened first, to fail
        QTest::addColumn<QString>("description"); // of that failure; empty: nothing opened first
        QTest::addColumn<int>("timeoutMs"); // 0: no port where connections hang
        QTest::addColumn<QByteArray>("message");
        // clang-format off
        QTest::newRow("command") << QString() << QString() << 0 << Protocol::startpc();
        QTest::newRow("refusal with leading blank") << QString() << QString() << 0 << Protocol::timeExpired();
        QTest::newRow("long text") << QString() << QString() << 0 << QByteArray(200000, 'x');
        QTest::newRow("after refused") << address(1, 2) << "refused" << 0 << Protocol::stoppc();
        QTest::newRow("after no address") << QString() << "No address was given" << 0 << Protocol::stoppc();
        QTest::newRow("after garbage") << QString("12.x") << "Not an IPv4 address: \"12.x\"" << 0 << Protocol::stoppc();
        QTest::newRow("after a hanging connection") << address(1, 4) << "Connection timed out" << 500 << Protocol::startpc();
        // clang-format on
    }
    void deliversExactly()
    {
        QFETCH(QString, failing);
        QFETCH(QString, description);
        QFETCH(int, timeoutMs);
        QFETCH(QByteArray, message);
        TcpChannel c(Port);
        HangingPort hang;
        if (timeoutMs) {
            if (!hang.open(failing, Port))
                QSKIP("cannot make a listener with a full backlog here");
            c.setTimeoutMs(timeoutMs);
        }
        if (!description.isEmpty()) {
            QSignalSpy failed(&c, &CommandChannel::failed);
            QSignalSpy connected(&c, &CommandChannel::connected);
            c.open(failing);
            // Never from inside open(): the caller may still be setting up.
            QVERIFY(failed.isEmpty() && c.isBusy());
            QVERIFY(failed.wait(5000));
            QVERIFY(connected.isEmpty() && failed.size() == 1);
            QVERIFY2(failed.first().first().toString().contains(description, Qt::CaseInsensitive),
                     qPrintable(failed.first().first().toString()));
        }
        QVERIFY(!c.isBusy());
        Receiver r;
        QVERIFY(r.listen(address(1, 1), Port));
        QCOMPARE(deliver(c, address(1, 1), message), QString());
        QVERIFY(!c.isBusy() && c.address() == address(1, 1));
        // The receiver only records a message once the sender has closed.
        QTRY_COMPARE(r.messages.size(), 1);
        QCOMPARE(r.messages.first(), message);
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
