#include "link/Protocol.h"

#include <QtTest>

using Kind = Protocol::Command::Kind;
Q_DECLARE_METATYPE(Protocol::Command::Kind)

class TestProtocol : public QObject
{
    Q_OBJECT
private slots:
    void builders_data()
    {
        QTest::addColumn<QByteArray>("built");
        QTest::addColumn<QByteArray>("wire");
        QTest::newRow("startpc") << Protocol::startpc() << QByteArray("startpc");
        QTest::newRow("stoppc") << Protocol::stoppc() << QByteArray("stoppc");
        QTest::newRow("stopuser") << Protocol::stopuser() << QByteArray("stopuser");
        QTest::newRow("reboot") << Protocol::reboot() << QByteArray("reboot");
        QTest::newRow("logoff") << Protocol::logoff() << QByteArray("logoff");
        QTest::newRow("shutdown") << Protocol::shutdown() << QByteArray("shutdown");
        QTest::newRow("powerdown") << Protocol::powerdown() << QByteArray("powerdown");
        QTest::newRow("closeme") << Protocol::closeme() << QByteArray("closeme");
        QTest::newRow("terminate") << Protocol::terminate() << QByteArray("terminate");
        QTest::newRow("refusal unknown") << Protocol::invalidPassword() << QByteArray("Invalid or non-existing password");
        QTest::newRow("refusal expired") << Protocol::timeExpired() << QByteArray(" Your time has expired");
        QTest::newRow("refusal in use") << Protocol::pinInUse() << QByteArray(" Your PIN is already in use");
        QTest::newRow("t 1800") << Protocol::prepaid(1800) << QByteArray("t1800");
        QTest::newRow("t 0") << Protocol::prepaid(0) << QByteArray("t0");
        QTest::newRow("u 120") << Protocol::account(120) << QByteArray("u120");
        QTest::newRow("m 7") << Protocol::movedNormal(7) << QByteArray("m7");
        QTest::newRow("m negative") << Protocol::movedNormal(-3600) << QByteArray("m-3600");
        QTest::newRow("p 2") << Protocol::movedPrepaid(2) << QByteArray("p2");
        QTest::newRow("large") << Protocol::prepaid(86400000) << QByteArray("t86400000");
    }
    void builders()
    {
        QFETCH(QByteArray, built);
        QFETCH(QByteArray, wire);
        QCOMPARE(built, wire);
    }

    void parse_data()
    {
        QTest::addColumn<QByteArray>("message");
        QTest::addColumn<Kind>("kind");
        QTest::addColumn<qint64>("number");
        QTest::newRow("startpc") << QByteArray("startpc") << Kind::StartPc << qint64(0);
        QTest::newRow("stoppc") << QByteArray("stoppc") << Kind::StopPc << qint64(0);
        QTest::newRow("stopuser") << QByteArray("stopuser") << Kind::StopUser << qint64(0);
        QTest::newRow("reboot") << QByteArray("reboot") << Kind::Reboot << qint64(0);
        QTest::newRow("logoff") << QByteArray("logoff") << Kind::Logoff << qint64(0);
        QTest::newRow("shutdown") << QByteArray("shutdown") << Kind::Shutdown << qint64(0);
        QTest::newRow("powerdown") << QByteArray("powerdown") << Kind::Powerdown << qint64(0);
        QTest::newRow("t") << QByteArray("t1800") << Kind::Prepaid << qint64(1800);
        QTest::newRow("u") << QByteArray("u120") << Kind::Account << qint64(120);
        QTest::newRow("m") << QByteArray("m65") << Kind::MovedNormal << qint64(65);
        QTest::newRow("m negative") << QByteArray("m-5") << Kind::MovedNormal << qint64(-5);
        QTest::newRow("p") << QByteArray("p2") << Kind::MovedPrepaid << qint64(2);
        QTest::newRow("typed with line end") << QByteArray("startpc\r\n") << Kind::StartPc << qint64(0);
        QTest::newRow("t with line end") << QByteArray("t30\n") << Kind::Prepaid << qint64(30);
        QTest::newRow("empty") << QByteArray() << Kind::Unknown << qint64(0);
        QTest::newRow("letter alone") << QByteArray("t") << Kind::Unknown << qint64(0);
        QTest::newRow("minus alone") << QByteArray("t-") << Kind::Unknown << qint64(0);
        QTest::newRow("plus sign") << QByteArray("t+5") << Kind::Unknown << qint64(0);
        QTest::newRow("blank inside") << QByteArray("t 5") << Kind::Unknown << qint64(0);
        QTest::newRow("decimal point") << QByteArray("t5.0") << Kind::Unknown << qint64(0);
        QTest::newRow("overflow") << QByteArray("t99999999999999999999") << Kind::Unknown << qint64(0);
        QTest::newRow("capitals") << QByteArray("STARTPC") << Kind::Unknown << qint64(0);
        QTest::newRow("leading blank") << QByteArray(" startpc") << Kind::Unknown << qint64(0);
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
        QCOMPARE(c.kind, kind);
        QCOMPARE(c.number, number);
    }

    void builtNumbersParseBack()
    {
        for (qint64 n : {qint64(0), qint64(1), qint64(-1), qint64(59), qint64(3600), qint64(999999999)}) {
            QCOMPARE(Protocol::parseCommand(Protocol::prepaid(n)).number, n);
            QCOMPARE(Protocol::parseCommand(Protocol::movedNormal(n)).number, n);
        }
    }

    void broadcasts_data()
    {
        QTest::addColumn<QByteArray>("datagram");
        QTest::addColumn<int>("meaning");
        QTest::newRow("terminate") << QByteArray("terminate") << int(Protocol::Broadcast::Terminate);
        QTest::newRow("shutdown") << QByteArray("shutdown") << int(Protocol::Broadcast::Shutdown);
        QTest::newRow("capital") << QByteArray("Terminate") << int(Protocol::Broadcast::Message);
        QTest::newRow("trailing blank") << QByteArray("shutdown ") << int(Protocol::Broadcast::Message);
        QTest::newRow("text") << QByteArray("Closing in 10 minutes") << int(Protocol::Broadcast::Message);
        QTest::newRow("empty") << QByteArray() << int(Protocol::Broadcast::Message);
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
        QTest::newRow("ascii") << QString("Closing at 22:00") << QByteArray("Closing at 22:00");
        QTest::newRow("greek capitals") << QString::fromUtf8("ΕΠΙΛΟΓΗ") << QByteArray("\xC5\xD0\xC9\xCB\xCF\xC3\xC7");
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
        QTest::newRow("dotted") << "192.168.1.20" << "192.168.1.20";
        QTest::newRow("blanks around") << " 127.0.0.2 " << "127.0.0.2";
        QTest::newRow("empty") << "" << "";
        QTest::newRow("blank") << "   " << "";
        QTest::newRow("host name") << "pc1" << "";
        QTest::newRow("three parts") << "127.0.1" << "";
        QTest::newRow("short form") << "127.1" << "";
        QTest::newRow("octet too big") << "256.0.0.1" << "";
        QTest::newRow("negative") << "10.-1.0.1" << "";
        QTest::newRow("ipv6") << "::1" << "";
        QTest::newRow("trailing dot") << "10.0.0.1." << "";
        QTest::newRow("letters") << "10.0.0.x" << "";
        QTest::newRow("port") << "10.0.0.1:1007" << "";
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
