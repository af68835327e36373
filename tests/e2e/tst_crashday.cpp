// A café day played by the real console against korvane-client agents, killed
// with SIGKILL between events and inside the books' commits, restarted on the
// same folder after every kill. After each kill the books are checked against
// the journal of what the operator was told was done.
//
// The same program is both sides: with --day it is the console (the child),
// otherwise the Qt Test driver. KORVANE_CRASH_POINTS and KORVANE_CRASH_SEED
// make the long run (scripts/crash-day.sh).
#include "ConsoleFixture.h"
#include "Files.h"
#include "catalogue/ExtraSale.h"
#include "engine/Transfer.h"
#include "link/PresencePoller.h"
#include "store/CustomerStore.h"
#include "store/Maintenance.h"

#include <QRandomGenerator>

using namespace linktest;

namespace {
const QDateTime DayStart(QDate(2026, 3, 2), QTime(9, 0));
constexpr int Computers = 4;
const QStringList Pins{QStringLiteral("4321"), QStringLiteral("8765")};

QString kindOf(SlotState s)
{
    return s == SlotState::Normal ? "normal" : s == SlotState::Prepaid ? "prepaid" : "account";
}

// The console's side ----------------------------------------------------------

// Says Yes to every question, as an operator who goes along with the console.
class YesPrompter : public Prompter
{
public:
    void tell(const QString &text, Icon) override { qInfo("told: %s", qPrintable(text)); }
    bool ask(const QString &, Icon) override { return true; }
};

class Day
{
public:
    Day(const QStringList &a)
        : m_paths(Paths::resolve(a.value(0)))
        , m_journal(a.value(1))
        , m_seed(a.value(2).toUInt())
        , m_ports(Ports::withOffset(a.value(3).toInt()))
        , m_first(a.value(5).toInt())
        , m_clock(DayStart.addSecs(qint64(m_first) * 300))
    {
        const QStringList kill = a.value(4).split(':');
        const int at = kill.value(1).toInt();
        if (kill.first() == "event")
            m_killEvent = at;
        else if (kill.first() == "before" || kill.first() == "after") {
            const auto moment =
                kill.first() == "before" ? SqlStore::CommitMoment::Before : SqlStore::CommitMoment::After;
            SqlStore::setCommitWatcher([moment, at, n = 0](SqlStore::CommitMoment m, const QString &) mutable {
                if (m == moment && ++n == at)
                    ::raise(SIGKILL);
            });
        }
    }

    int run()
    {
        m_journal.open(QIODevice::Append | QIODevice::Text);
        ScriptedPicker picker;
        ConsoleController console(m_paths, m_ports, m_prompter, m_clock, picker);
        if (auto e = console.openBooks()) {
            qCritical("%s", qPrintable(*e));
            return 3;
        }
        m_console = &console;
        QObject::connect(&console.engine(), &Engine::billOpened, [this](Bill *b) { m_bill = b; });
        console.start(Login::Role::Admin);
        for (qint64 aa : engine().slotKeys())
            if (const Slot *s = engine().slot(aa); !s->isFree())
                say(QStringLiteral("restored %1 %2 %3").arg(s->name, kindOf(s->state), s->start.toString(Qt::ISODate)));
        QTest::qWait(50);
        settleBills(QRandomGenerator(m_seed));
        say("ready");
        QFile in;
        in.open(stdin, QIODevice::ReadOnly);
        in.readLine(); // the driver has looked at the clients
        for (int i = m_first; i < m_first + 12; ++i) {
            if (i == m_killEvent)
                ::raise(SIGKILL);
            event(i);
            note(QStringLiteral("done %1").arg(i));
        }
        return 0;
    }

private:
    Engine &engine() { return m_console->engine(); }
    void say(const QString &line) { QTextStream(stdout) << line << Qt::endl; }
    // Written through before the day goes on: a kill cannot lose it.
    void note(const QString &line)
    {
        m_journal.write(line.toUtf8() + '\n');
        m_journal.flush();
    }
    QList<qint64> having(SlotState state)
    {
        QList<qint64> keys;
        for (qint64 aa : engine().slotKeys())
            if (engine().slot(aa)->state == state)
                keys << aa;
        return keys;
    }
    bool waitFor(qint64 aa, SlotState state)
    {
        return QTest::qWaitFor([&] { return engine().slot(aa)->state == state; }, 3000);
    }
    // What a client sends to the console's logon port, from the client's own address.
    void fromClient(qint64 aa, const QByteArray &text)
    {
        (void)deliver(engine().slot(aa)->address, QStringLiteral("127.0.0.1"), m_ports.logon, text);
    }

    void event(int index)
    {
        QRandomGenerator r(m_seed * 7919u + uint(index));
        m_clock.advance(60 * r.bounded(1, 6));
        for (qint64 aa : having(SlotState::Prepaid))
            engine().checkPrepaidExpiry(aa);
        settleBills(r);
        const QList<qint64> keys = engine().slotKeys();
        const qint64 aa = keys.at(r.bounded(qsizetype(keys.size())));
        const SlotState state = engine().slot(aa)->state;
        const int what = r.bounded(10);
        if (state == SlotState::Free && what < 4) {
            engine().setCurrentComputer(aa);
            engine().startNormal(aa);
            started(aa, SlotState::Normal);
        } else if (state == SlotState::Free && what < 6) {
            engine().startPrepaid(aa, 60 * r.bounded(5, 20));
            started(aa, SlotState::Prepaid);
        } else if (state == SlotState::Free) {
            // A PIN in use is refused at once; the day waits only for one that logs on.
            QStringList free = Pins;
            for (qint64 other : having(SlotState::Account))
                free.removeAll(engine().slot(other)->pin);
            if (free.isEmpty())
                return;
            fromClient(aa, free.at(r.bounded(qsizetype(free.size()))).toLatin1());
            started(aa, SlotState::Account);
        } else if (state == SlotState::Normal && what < 2) {
            ExtraSale(m_console->cafe(), m_prompter, engine().slot(aa)->transaction, engine().slot(aa)->name,
                      ExtraSale::Caller::Console)
                .extraEdit(m_console->cafe().products()->value(r.bounded(2)));
        } else if ((state == SlotState::Normal || state == SlotState::Prepaid) && what < 4) {
            moveCharge(aa);
        } else if (state == SlotState::Normal) {
            engine().startNormal(aa);
            waitFor(aa, SlotState::Free);
        } else if (state == SlotState::Prepaid) {
            engine().stopPrepaid(aa);
            waitFor(aa, SlotState::Free);
        } else if (state == SlotState::Account) {
            fromClient(aa, "closeme");
            waitFor(aa, SlotState::Free);
        }
        settleBills(r);
    }
    void started(qint64 aa, SlotState state)
    {
        if (waitFor(aa, state))
            note(QStringLiteral("started %1 %2").arg(engine().slot(aa)->transaction).arg(kindOf(state)));
    }
    void moveCharge(qint64 from)
    {
        const QList<qint64> free = having(SlotState::Free);
        if (free.isEmpty())
            return;
        Transfer t(engine(), m_console->cafe(), m_prompter, m_clock,
                   [this] { return new TcpChannel(m_ports.command); });
        if (t.load(from) && t.ok(engine().slot(free.first())->name) == Transfer::Answer::Started)
            (void)QTest::qWaitFor([&] { return !t.isBusy(); }, 5000);
    }
    // Every bill on screen is confirmed, but now and then one is left for later.
    void settleBills(QRandomGenerator r)
    {
        for (int guard = 0; guard < 20; ++guard) {
            QTest::qWait(5);
            BillingWindow *window = shownBill();
            if (!window || !m_bill)
                return;
            Bill *bill = m_bill;
            if (r.bounded(8) == 0) {
                window->close();
                continue;
            }
            const qint64 key = bill->transaction();
            const QString total = bill->totalText();
            QTest::mouseClick(window->findChild<QPushButton *>("confirm"), Qt::LeftButton);
            if (bill->isConfirmed())
                note(QStringLiteral("confirmed %1 %2").arg(key).arg(total));
            if (window->isVisible())
                window->close();
        }
    }

    Paths m_paths;
    QFile m_journal;
    uint m_seed;
    Ports m_ports;
    int m_first;
    SettableClock m_clock;
    YesPrompter m_prompter;
    int m_killEvent = -1;
    ConsoleController *m_console = nullptr;
    QPointer<Bill> m_bill;
};

// The driver's side -----------------------------------------------------------

// An ended charge keeps its flag in the row until its bill is confirmed.
bool runsNormal(const KinRow &r) { return r.enab && !r.enddate; }
bool runsPrepaid(const KinRow &r) { return r.pretimeenab && r.totaltime.isEmpty(); }
bool runs(const KinRow &r) { return runsNormal(r) || runsPrepaid(r) || r.userenab; }
QString kindOf(const KinRow &r) { return runsNormal(r) ? "normal" : runsPrepaid(r) ? "prepaid" : "account"; }

struct Books
{
    QList<KinRow> rows;
    QStringList problems;
};

} // namespace

class TestCrashDay : public QObject
{
    Q_OBJECT
private slots:
    void dayWithKills()
    {
        const uint seed = qEnvironmentVariable("KORVANE_CRASH_SEED", QStringLiteral("20261206")).toUInt();
        const int asked = qEnvironmentVariableIntValue("KORVANE_CRASH_POINTS");
        const int points = asked > 0 ? asked : 60;
        qInfo("seed %u, %d kill points", seed, points);
        QVERIFY(prepare());
        QRandomGenerator plan(seed);
        QStringList runningAtKill;
        int restarts = 0, checks = 0, kills = 0;
        int byKind[3] = {}; // between events, before a commit, after one
        for (int k = 0; k <= points; ++k) {
            const int kind = plan.bounded(3);
            const QString kill =
                k == points ? QStringLiteral("none")
                : kind == 0 ? QStringLiteral("event:%1").arg(m_done + 1 + plan.bounded(4))
                            : QStringLiteral("%1:%2").arg(kind == 1 ? "before" : "after").arg(1 + plan.bounded(12));
            QProcess child;
            QStringList restored;
            child.start(QCoreApplication::applicationFilePath(),
                        {"--day", m_home.path(), m_journalPath, QString::number(seed), QString::number(m_offset), kill,
                         QString::number(m_done + 1)});
            QVERIFY(child.waitForStarted());
            QByteArray out;
            bool ready = false;
            while (!ready && child.waitForReadyRead(15000)) {
                out += child.readAllStandardOutput();
                ready = out.contains("ready\n");
            }
            if (ready) {
                for (const QByteArray &line : out.split('\n'))
                    if (line.startsWith("restored "))
                        restored << QString::fromUtf8(line.mid(9));
                restored.sort();
                const Books books = check();
                QVERIFY2(books.problems.isEmpty(), qPrintable(kill + ": " + books.problems.join("; ")));
                QCOMPARE(restored, running(books));
                // Only an account charge whose account was settled before the kill may end at the restart.
                for (const QString &charge : std::as_const(runningAtKill))
                    QVERIFY2(restored.contains(charge) || charge.contains(" account "),
                             qPrintable(kill + ": " + charge));
                ++checks;
                // The clients are told again at the start, each on its own connection.
                QString disagree;
                (void)QTest::qWaitFor([&] { return (disagree = disagreement()).isEmpty(); }, 5000);
                QVERIFY2(disagree.isEmpty(), qPrintable(kill + ": " + disagree));
                child.write("go\n");
            }
            QVERIFY2(child.state() == QProcess::NotRunning || child.waitForFinished(60000), qPrintable(kill));
            // Only our own SIGKILL may end a run early: any other death is a fault of the console.
            const bool killed = child.exitStatus() == QProcess::CrashExit;
            QVERIFY2(child.exitCode() == (killed ? SIGKILL : 0) && (!killed || k < points),
                     qPrintable(kill + ": " + QString::fromLocal8Bit(child.readAllStandardError())));
            ++restarts;
            if (killed)
                ++kills, ++byKind[kind];
            const Books after = check();
            QVERIFY2(after.problems.isEmpty() || k < points, qPrintable(after.problems.join("; ")));
            runningAtKill = running(after);
        }
        qInfo("kill points %d, kills %d (between events %d, before a commit %d, after one %d), restarts %d, checks %d,"
              " events %d, bills checked %d, violations 0",
              points, kills, byKind[0], byKind[1], byKind[2], restarts, checks, m_done, int(m_confirmed.size()));
        // A commit that a short run never reached is a clean restart, not a kill.
        QVERIFY2(kills >= points * 2 / 3 && checks >= points * 2 / 3, qPrintable(QString::number(kills)));
    }

    // A charge whose end cannot reach its client, ended anyway at the
    // operator's word (the question's text: tst_engine): the row is ended
    // and nothing is counted until the bill, offered at the next start, is
    // confirmed; then it counts once.
    void terminateAfterCommunicationError()
    {
        LiveConsole c(2);
        QVERIFY(c.startAgents() && c.open());
        c.clickYes(0);
        QTRY_COMPARE(c.lastCommand(0), QString("startpc"));
        QTRY_VERIFY(c.engine().canMove(c.pcs[0], c.pcs[1])); // the start's command is done
        c.agents[0]->stop();
        c.clock.advance(47 * 60);
        c.prompter.answer(true); // the end
        c.clickYes(0);           // "do you want to terminate ?"
        QTRY_VERIFY2(c.slot(0).isFree(), qPrintable(c.prompter.texts().join(" | ")));
        QVERIFY(!c.bill());
        // Still away, it is locked once it answers, and only then.
        c.console->poller().check(c.pcs[0], "PC1", address(7, 11), SlotState::Free);
        QVERIFY(c.agents[0]->start(address(7, 11), {"--no-broadcast"}, c.ports.offset));
        c.console->poller().check(c.pcs[0], "PC1", address(7, 11), SlotState::Free);
        QTRY_COMPARE(c.lastCommand(0), QString("stoppc"));
        c.agents[0]->stop();
        c.close();
        const auto books = [&c](Money *takings) {
            CafeStore cafe;
            if (cafe.open(c.home.paths().cafeDatabase()))
                return KinRow();
            *takings = cafe.takingsOn(c.clock.now().date()).value_or(Takings{Money::fromCents(-1), {}, 0}).total;
            return cafe.transaction(1).value_or(KinRow());
        };
        const auto findings = [&c] {
            const auto found = Maintenance(c.home.paths()).check();
            QStringList texts{found ? QString() : found.error()};
            for (const Maintenance::Finding &f : found.value_or(QList<Maintenance::Finding>()))
                texts << f.text;
            return texts;
        };
        Money takings;
        KinRow row = books(&takings);
        QVERIFY(row.enddate && row.totaltime == "0:47:00" && !row.total && !runs(row));
        QCOMPARE(takings, Money());
        QCOMPARE(findings(), QStringList{QString()});

        // The next start locks the client and offers the bill.
        QVERIFY(c.agents[0]->start(address(7, 11), {"--no-broadcast"}, c.ports.offset));
        c.prompter.clear();
        c.prompter.answer(true);
        QVERIFY(c.open());
        QTRY_VERIFY(c.bill()); // its question: tst_moneysafety
        QTRY_COMPARE(c.lastCommand(0), QString("stoppc"));
        QTest::mouseClick(c.bill()->findChild<QPushButton *>("confirm"), Qt::LeftButton);
        QTRY_VERIFY(!c.bill());
        c.close();
        row = books(&takings);
        QVERIFY(row.total && *row.total > Money() && !runs(row));
        QCOMPARE(takings, *row.total);
        QCOMPARE(findings(), QStringList{QString()});
    }

private:
    static QStringList running(const Books &books)
    {
        QStringList list;
        for (const KinRow &row : books.rows)
            if (runs(row))
                list << QStringLiteral("%1 %2 %3").arg(row.computer, kindOf(row), row.starttime.toString(Qt::ISODate));
        list.sort();
        return list;
    }

    bool prepare()
    {
        isolateUserSettings();
        m_offset = 30000 + int(QCoreApplication::applicationPid() % 2000) * 10;
        m_journalPath = m_journalDir.path() + "/journal";
        CafeStore cafe;
        CustomerStore customers;
        if (!m_home.ok() || cafe.open(m_home.paths().cafeDatabase())
            || customers.open(m_home.paths().customerDatabase()))
            return false;
        for (int i = 1; i <= Computers; ++i) {
            m_agents.push_back(std::make_unique<Agent>());
            if (!cafe.addComputer({0, QStringLiteral("PC%1").arg(i), address(60, i), 100 * i, 100, false, false, false})
                || !m_agents.back()->start(address(60, i), {"--no-broadcast"}, m_offset))
                return false;
        }
        for (const QString &pin : Pins) // never runs out, however long the day
            if (!customers.addAccount({0, "Eleni", {}, {}, pin, 1000000, 0, 1000000, false, {}}))
                return false;
        return cafe.addCategory("Drinks") && cafe.addProduct({0, "Coffee", Money::fromCents(250), "Drinks"})
               && cafe.addProduct({0, "Water", Money::fromCents(85), "Drinks"});
    }

    // A computer unlocked without a limit runs a normal charge in the books, and one that runs a
    // normal charge is unlocked.
    QString disagreement()
    {
        CafeStore cafe;
        if (auto e = cafe.open(m_home.paths().cafeDatabase()))
            return *e;
        QString found;
        for (int i = 1; i <= Computers; ++i) {
            const QString name = QStringLiteral("PC%1").arg(i);
            const auto open = cafe.openCharges(ComputerFlag::Timer, name);
            if (!open)
                return open.error();
            const bool charged = !open->isEmpty();
            const QList<QJsonObject> &events = m_agents[i - 1]->events();
            const QString state = events.isEmpty() ? QString() : events.last().value("state").toString();
            if (charged != (state == "unlocked"))
                found += QStringLiteral("%1: books %2, client %3; ").arg(name, charged ? "charged" : "free", state);
        }
        return found;
    }

    Books check()
    {
        Books b;
        CafeStore cafe;
        CustomerStore customers;
        if (auto e = cafe.open(m_home.paths().cafeDatabase()))
            return b.problems << *e, b;
        if (auto e = customers.open(m_home.paths().customerDatabase()))
            return b.problems << *e, b;
        for (SqlStore *book : {static_cast<SqlStore *>(&cafe), static_cast<SqlStore *>(&customers)})
            b.problems << book->integrityCheck().value_or(QStringList{"no integrity check"});
        auto q = cafe.run("SELECT aa FROM kin ORDER BY aa");
        while (q && q->next())
            b.rows << *cafe.transaction(q->value(0).toLongLong());

        // The journal: what the operator was told.
        QHash<qint64, Money> confirmed;
        QList<qint64> started;
        for (const QByteArray &raw : fileBytes(m_journalPath).split('\n')) {
            const QStringList f = QString::fromUtf8(raw).split(' ');
            if (f[0] == "done")
                m_done = std::max(m_done, f[1].toInt());
            if (f[0] == "started")
                started << f[1].toLongLong();
            if (f[0] != "confirmed")
                continue;
            if (confirmed.contains(f[1].toLongLong()))
                b.problems << "bill " + f[1] + " confirmed twice";
            confirmed.insert(f[1].toLongLong(), Money::parse(f[2]).value_or(Money::fromCents(-1)));
        }
        QHash<qint64, const KinRow *> byKey;
        qint64 booked = 0;
        QSet<QDate> days;
        for (const KinRow &row : b.rows) {
            byKey.insert(row.aa, &row);
            days << row.startdate;
            if (!row.isOpen())
                booked += row.total.value_or(Money()).units();
        }
        for (qint64 key : std::as_const(started))
            if (!byKey.contains(key))
                b.problems << QStringLiteral("the started charge %1 is not in the books").arg(key);
        for (auto it = confirmed.cbegin(); it != confirmed.cend(); ++it) {
            const KinRow *row = byKey.value(it.key());
            if (!row || row->isOpen() || row->total != it.value())
                b.problems << QStringLiteral("confirmed bill %1 is not in the books with its total").arg(it.key());
        }
        // A bill confirmed in the books but not yet in the journal can only be the last one before the kill.
        int unjournaled = 0;
        for (const KinRow &row : b.rows)
            if (!row.isOpen() && row.total) {
                unjournaled += !confirmed.contains(row.aa) && !m_confirmed.contains(row.aa);
                m_confirmed.insert(row.aa);
            }
        if (unjournaled > 1)
            b.problems << QStringLiteral("%1 bills confirmed unseen").arg(unjournaled);

        qint64 takings = 0;
        for (const QDate &d : days)
            takings += cafe.takingsOn(d).value_or(Takings()).total.units();
        if (takings != booked)
            b.problems << "the takings are not the sum of the confirmed totals";

        for (const ComputerRow &pc : cafe.computers().value_or(QList<ComputerRow>())) {
            int normal = 0, prepaid = 0, account = 0;
            for (const KinRow &row : b.rows)
                if (row.computer == pc.pcname) {
                    normal += runsNormal(row);
                    prepaid += runsPrepaid(row);
                    account += row.userenab;
                }
            if (normal + prepaid + account > 1 || pc.timer != (normal == 1) || pc.pretime != (prepaid == 1)
                || pc.user != (account == 1))
                b.problems << QString::asprintf("%s has flags %d%d%d and open transactions %d %d %d",
                                                qPrintable(pc.pcname), pc.timer, pc.pretime, pc.user, normal, prepaid,
                                                account);
        }
        for (const CustomerRow &c : customers.accounts().value_or(QList<CustomerRow>())) {
            bool running = false;
            for (const KinRow &row : b.rows)
                running = running || (row.userenab && row.userpin == c.password);
            if (c.timer != running)
                b.problems << "account " + c.password + (c.timer ? " in use without a charge" : " charged but free");
        }
        return b;
    }

    QTemporaryDir m_journalDir;
    TempHome m_home;
    QString m_journalPath;
    int m_offset = 0;
    int m_done = 0;
    QSet<qint64> m_confirmed;
    std::vector<std::unique_ptr<Agent>> m_agents;
};

int main(int argc, char **argv)
{
    if (argc > 1 && qstrcmp(argv[1], "--day") == 0) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        QApplication app(argc, argv);
        return Day(app.arguments().mid(2)).run();
    }
    QApplication app(argc, argv);
    TestCrashDay test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_crashday.moc"
