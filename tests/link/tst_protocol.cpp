#include "link/Protocol.h"

#include <QtTest>

using Kind = Protocol::Command::Kind;
Q_DECLARE_METATYPE(Protocol::Command::Kind)

class TestProtocol : public QObject
{
    Q_OBJECT
private slots:
    void parse_data()
    {
        QTest::addColumn<QByteArray>("message");
        QTest::addColumn<Kind>("kind");
        QTest::addColumn<qint64>("number");
        QTest::newRow("stoppc") << QByteArray("stoppc") << Kind::StopPc << qint64(0);
        QTest::newRow("u") << QByteArray("u120") << Kind::Account << qint64(120);
        QTest::newRow("m") << QByteArray("m65") << Kind::MovedNormal << qint64(65);
        QTest::newRow("m negative") << QByteArray("m-5") << Kind::MovedNormal << qint64(-5);
        QTest::newRow("p") << QByteArray("p2") << Kind::MovedPrepaid << qint64(2);
        QTest::newRow("typed with line end") << QByteArray("startpc\r\n") << Kind::StartPc << qint64(0);
        QTest::newRow("t with line end") << QByteArray("t30\n") << Kind::Prepaid << qint64(30);
        QTest::newRow("empty") << QByteArray() << Kind::Unknown << qint64(0);
        QTest::newRow("letter alone") << QByteArray("t") << Kind::Unknown << qint64(0);
        QTest::newRow("plus sign") << QByteArray("t+5") << Kind::Unknown << qint64(0);
        QTest::newRow("blank inside") << QByteArray("t 5") << Kind::Unknown << qint64(0);
        QTest::newRow("overflow") << QByteArray("t99999999999999999999") << Kind::Unknown << qint64(0);
        QTest::newRow("capitals") << QByteArray("STARTPC") << Kind::Unknown << qint64(0);
        QTest::newRow("terminate is no command") << QByteArray("terminate") << Kind::Unknown << qint64(0);
        QTest::newRow("prefix only") << QByteArray("startpcx") << Kind::Unknown << qint64(0);
        QTest::newRow("nul inside") << QByteArray("stoppc\0", 7) << Kind::Unknown << qint64(0);
    }
    void parse()
    {
        QFETCH(QByteArray, message);
        QFETCH(Kind, kind);
        QFETCH(qint64, number);
        const Protocol::Command c = Protocol::parseCommand(message);
        QVERIFY(c.kind == kind && c.number == number);
    }

    void broadcasts_data()
    {
        QTest::addColumn<QByteArray>("datagram");
        QTest::addColumn<int>("meaning");
        QTest::newRow("terminate") << QByteArray("terminate") << int(Protocol::Broadcast::Terminate);
        QTest::newRow("shutdown") << QByteArray("shutdown") << int(Protocol::Broadcast::Shutdown);
        QTest::newRow("capital") << QByteArray("Terminate") << int(Protocol::Broadcast::Message);
        QTest::newRow("trailing blank") << QByteArray("shutdown ") << int(Protocol::Broadcast::Message);
    }
    void broadcasts()
    {
        QFETCH(QByteArray, datagram);
        QFETCH(int, meaning);
        QCOMPARE(int(Protocol::parseBroadcast(datagram)), meaning);
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
