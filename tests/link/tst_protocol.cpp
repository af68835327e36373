#include "link/Protocol.h"

#include <QtTest>

using Kind = Protocol::Command::Kind;
using Broadcast = Protocol::Broadcast;
Q_DECLARE_METATYPE(Protocol::Command::Kind)
Q_DECLARE_METATYPE(Protocol::Broadcast)

class TestProtocol : public QObject
{
    Q_OBJECT
private slots:
    // Each text as a client reads it on its command port and as a datagram
    // from the group; only "terminate" and "shutdown" are broadcasts.
    void parse_data()
    {
        QTest::addColumn<QByteArray>("message");
        QTest::addColumn<Kind>("kind");
        QTest::addColumn<qint64>("number");
        QTest::addColumn<Broadcast>("broadcast");
        const auto row = [](const char *name, const QByteArray &message, Kind kind, qint64 number = 0,
                            Broadcast broadcast = Broadcast::Message) {
            QTest::newRow(name) << message << kind << number << broadcast;
        };
        row("stoppc", "stoppc", Kind::StopPc);
        row("u", "u120", Kind::Account, 120);
        row("m", "m65", Kind::MovedNormal, 65);
        row("m negative", "m-5", Kind::MovedNormal, -5);
        row("p", "p2", Kind::MovedPrepaid, 2);
        row("typed with line end", "startpc\r\n", Kind::StartPc);
        row("t with line end", "t30\n", Kind::Prepaid, 30);
        row("empty", QByteArray(), Kind::Unknown);
        row("letter alone", "t", Kind::Unknown);
        row("plus sign", "t+5", Kind::Unknown);
        row("blank inside", "t 5", Kind::Unknown);
        row("overflow", "t99999999999999999999", Kind::Unknown);
        row("capitals", "STARTPC", Kind::Unknown);
        row("terminate is no command", "terminate", Kind::Unknown, 0, Broadcast::Terminate);
        row("shutdown: command and broadcast", "shutdown", Kind::Shutdown, 0, Broadcast::Shutdown);
        row("capital broadcast", "Terminate", Kind::Unknown);
        row("trailing blank", "shutdown ", Kind::Unknown);
        row("prefix only", "startpcx", Kind::Unknown);
        row("nul inside", QByteArray("stoppc\0", 7), Kind::Unknown);
    }
    void parse()
    {
        QFETCH(QByteArray, message);
        QFETCH(Kind, kind);
        QFETCH(qint64, number);
        QFETCH(Broadcast, broadcast);
        const Protocol::Command c = Protocol::parseCommand(message);
        QVERIFY(c.kind == kind && c.number == number);
        QCOMPARE(Protocol::parseBroadcast(message), broadcast);
    }

    void codePage_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("greek accented") << QString::fromUtf8("Καλημέρα ώρα")
                                        << QByteArray("\xCA\xE1\xEB\xE7\xEC\xDD\xF1\xE1 \xFE\xF1\xE1");
        QTest::newRow("final sigma") << QString::fromUtf8("ς") << QByteArray("\xF2");
        QTest::newRow("euro and tonos") << QString::fromUtf8("€Ά") << QByteArray("\x80\xA2");
        QTest::newRow("latin-1 sign") << QString::fromUtf8("£©") << QByteArray("\xA3\xA9");
    }
    void codePage()
    {
        QFETCH(QString, text);
        QFETCH(QByteArray, bytes);
        QCOMPARE(Protocol::encodeText(text), bytes);
        QCOMPARE(Protocol::decodeText(bytes), text);
    }

    void codePageLosses()
    {
        // Characters the code page lacks become one '?' each, emoji included.
        QCOMPARE(Protocol::encodeText(QString::fromUtf8("Ж€😀é")), QByteArray("?\x80??"));
        // Bytes it leaves out decode to the replacement character.
        QCOMPARE(Protocol::decodeText(QByteArray("\x81\xAA\xD2\xFF")), QString(4, QChar(0xFFFD)));
    }

    void addresses_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("address");
        // Refused: none.
        QTest::newRow("dotted") << "192.168.1.20" << QString("192.168.1.20");
        QTest::newRow("blanks around") << " 127.0.0.2 " << QString("127.0.0.2");
        for (const char *refused : {"", "   ", "pc1", "127.0.1", "127.1", "256.0.0.1", "10.-1.0.1", "::1", "10.0.0.1.",
                                    "10.0.0.x", "10.0.0.1:1007"})
            QTest::newRow(qPrintable("refused: \"" + QString(refused) + '"')) << refused << QString();
    }
    void addresses()
    {
        QFETCH(QString, text);
        QFETCH(QString, address);
        const auto a = Protocol::ipv4(text);
        QCOMPARE(a ? a->toString() : QString(), address);
    }
};

QTEST_MAIN(TestProtocol)
#include "tst_protocol.moc"
