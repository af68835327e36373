#include "CafeFixture.h"
#include "NetNamespace.h"

#include <QTemporaryDir>

// The books on a small filesystem that fills up in the middle of a day of
// charges. Each row runs in a user and mount namespace of its own, where the
// test may mount a small tmpfs.
class TestDiskFull : public QObject
{
    Q_OBJECT
private slots:
    void failedWriteMidDay_data();
    void failedWriteMidDay();
};

namespace {
bool mount(const QStringList &args, QString *out) { return netns::runQuietly(QStringLiteral("mount"), args, out); }

// Every byte left on the filesystem taken; the books' write-ahead logs
// emptied first, so that their next write needs a new page.
bool fill(Cafe &c, const QString &path)
{
    if (!c.cafe.exec(QStringLiteral("PRAGMA wal_checkpoint(TRUNCATE)"))
        || !c.customers.exec(QStringLiteral("PRAGMA wal_checkpoint(TRUNCATE)")))
        return false;
    QFile ballast(path);
    if (!ballast.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return false;
    const QByteArray page(4096, 'x');
    while (ballast.write(page) == page.size()) {
    }
    return true;
}

struct Step
{
    const char *name;
    std::function<void(Cafe &)> prepare;
    std::function<void(Cafe &)> act;
    // Whether the step took effect: the charge runs, or its end, total or
    // account end is in the books.
    std::function<bool(Cafe &)> done;
};

// The charge of the step, never the morning's.
qint64 charge(Cafe &c) { return c.rows().size() > 1 ? c.rows().last().aa : 0; }
void ask(Cafe &c, void (Engine::*fn)(qint64))
{
    c.prompter.answer(true);
    (c.engine.get()->*fn)(c.pc2);
}
void normalRunning(Cafe &c)
{
    c.startNormal(c.pc2);
    c.clock.advance(1500);
}
void prepaidDue(Cafe &c)
{
    c.startPrepaid(c.pc2, 1800);
    c.clock.advance(1900);
}
bool ended(Cafe &c) { return !c.row(charge(c)).totaltime.isEmpty(); }

// The starts, refused by the books the same way: tst_moneysafety's refusedWritesChangeNothing.
const QList<Step> steps{
    {"charge and lock", normalRunning, [](Cafe &c) { ask(c, &Engine::startNormal); }, ended},
    {"confirmation",
     [](Cafe &c) {
         normalRunning(c);
         ask(c, &Engine::startNormal);
     },
     [](Cafe &c) { c.bills.last()->confirm(); }, [](Cafe &c) { return c.row(charge(c)).total.has_value(); }},
    {"prepaid stop", prepaidDue, [](Cafe &c) { ask(c, &Engine::stopPrepaid); }, ended},
    {"prepaid run out", prepaidDue, [](Cafe &c) { c.engine->checkPrepaidExpiry(c.pc2); }, ended},
    {"account end",
     [](Cafe &c) {
         c.addAccount(QStringLiteral("1234"), 60, true);
         c.engine->startAccount(c.pc2, 60, QStringLiteral("1234"));
         c.clock.advance(600);
     },
     [](Cafe &c) { ask(c, &Engine::endAccountAsk); }, [](Cafe &c) { return !c.row(charge(c)).userenab; }},
};

// The books and the engine tell the same story: a computer's flag is set
// exactly when its slot runs that kind of charge and an open row exists, and
// every normal or prepaid row closed in the books carries its total.
QString disagreement(Cafe &c)
{
    for (const qint64 aa : c.engine->slotKeys()) {
        const ComputerRow pc = c.computer(aa);
        const SlotState state = c.slot(aa).state;
        for (const ChargeKind &k : chargeKinds)
            if (pc.*k.flagged != (state == k.state)
                || c.cafe.openCharges(k.flag, pc.pcname)->isEmpty() == pc.*k.flagged)
                return pc.pcname + QStringLiteral(" disagrees");
    }
    for (const KinRow &r : c.rows())
        if (r.type != QLatin1String("user") && r.total.has_value() != (!r.enab && !r.pretimeenab))
            return QStringLiteral("row %1 is half confirmed").arg(r.aa);
    return {};
}
} // namespace

void TestDiskFull::failedWriteMidDay_data()
{
    QTest::addColumn<int>("step");
    for (int i = 0; i < steps.size(); ++i)
        QTest::newRow(steps[i].name) << i;
}

// A failed write is told once with its cause and leaves the books as they
// were; once the disk has room again, the same action succeeds and the day's
// confirmed bills are all there. A read-only folder fails the same writes the
// same way, so it has no rows of its own.
void TestDiskFull::failedWriteMidDay()
{
    QFETCH(int, step);
    if (!netns::inside()) {
        if (!netns::runQuietly(QStringLiteral("unshare"), {QStringLiteral("-rm"), QStringLiteral("true")}))
            QSKIP("cannot create a user and mount namespace here (unshare -rm refused): no small filesystem to fill");
        KORVANE_RERUN_INSIDE(netns::rerunUnder({QStringLiteral("-rm")},
                                               QString::fromLatin1(QTest::currentTestFunction()),
                                               QString::fromLatin1(QTest::currentDataTag())));
    }
    QTemporaryDir disk;
    QString out;
    if (!mount(QStringLiteral("-t tmpfs -o size=4m tmpfs").split(' ') << disk.path(), &out))
        QSKIP(qPrintable(QStringLiteral("cannot mount a small tmpfs in the namespace: ") + out));
    const auto unmount = qScopeGuard([&] { netns::runQuietly(QStringLiteral("umount"), {disk.path()}); });
    qputenv("TMPDIR", disk.path().toLocal8Bit());

    Cafe c(2);
    QVERIFY(c.ok());
    // The morning's bill, confirmed before anything goes wrong.
    const auto morning = c.confirmedCharge(c.pc1, 2400);
    QVERIFY(morning && morning->total);

    const Step &s = steps.at(step);
    s.prepare(c);
    QTRY_VERIFY(c.idle());
    const int sent = int(c.channel.sent().size());
    c.prompter.clear();
    // An operator slow to answer: nothing of the command goes on behind the box.
    c.channel.setTimeoutMs(20);
    c.prompter.answerAfter(100);

    QVERIFY(fill(c, disk.path() + QStringLiteral("/ballast")));
    s.act(c);
    QTRY_VERIFY(c.idle());

    QVERIFY(!s.done(c));
    QCOMPARE(c.channel.sent().size(), sent); // the client is told nothing
    const QStringList critical = c.prompter.texts(Prompter::Icon::Critical);
    QCOMPARE(critical.size(), 1);
    QVERIFY2(critical.first().contains(QStringLiteral("disk is full")), qPrintable(critical.first()));
    QVERIFY2(disagreement(c).isEmpty(), qPrintable(disagreement(c)));

    QVERIFY(QFile::remove(disk.path() + QStringLiteral("/ballast")));
    c.prompter.clear();
    if (!s.done(c))
        s.act(c);
    QTRY_VERIFY(c.idle());
    for (Bill *b : c.bills)
        if (b && !b->isConfirmed() && !b->isStatusView())
            QVERIFY(b->confirm());
    QVERIFY(s.done(c));
    QVERIFY2(c.prompter.texts().filter(QStringLiteral("could not")).isEmpty(), qPrintable(c.prompter.last()));
    QVERIFY2(disagreement(c).isEmpty(), qPrintable(disagreement(c)));
    QCOMPARE(c.rows().first().total, morning->total);
    const QStringList unreadable{QStringLiteral("unreadable")};
    QCOMPARE(c.cafe.integrityCheck().value_or(unreadable) + c.customers.integrityCheck().value_or(unreadable),
             QStringList());
}

QTEST_GUILESS_MAIN(TestDiskFull)
#include "tst_diskfull.moc"
