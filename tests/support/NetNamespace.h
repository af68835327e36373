#pragma once

// Tests that need the protocol's own ports (below 1024) or the multicast
// group run inside a network namespace of their own: the test binary runs
// itself again under `unshare`, for one test function (and data row) at a
// time, and the outer run reports the inner one's outcome. Inside, only the
// namespace's own loopback exists, so nothing can leave the machine.
//
//     void someTest()
//     {
//         KORVANE_IN_NETNS();
//         ... runs only inside the namespace, with lo up and multicast routed ...
//     }

#include <QCoreApplication>
#include <QNetworkInterface>
#include <QProcess>
#include <QRegularExpression>
#include <QtTest>

namespace netns {

constexpr const char *ChildVariable = "KORVANE_NETNS_CHILD";
constexpr int ChildTimeoutMs = 60000;

inline bool inside() { return qEnvironmentVariableIsSet(ChildVariable); }

inline bool runQuietly(const QString &program, const QStringList &args, QString *output = nullptr)
{
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(program, args);
    const bool ok = p.waitForFinished(10000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
    if (output)
        *output = QString::fromLocal8Bit(p.readAll()).trimmed();
    return ok;
}

// The unshare options that work here: a plain network namespace when we may
// make one, else one inside a user namespace; empty when neither is allowed.
inline QStringList unshareOptions()
{
    static const QStringList how = [] {
        for (const QString &option : {QStringLiteral("-n"), QStringLiteral("-rn")})
            if (runQuietly(QStringLiteral("unshare"), {option, QStringLiteral("true")}))
                return QStringList{option};
        return QStringList();
    }();
    return how;
}

struct Outcome
{
    enum Kind { Passed, Failed, Skipped } kind = Failed;
    QString output;
};

// Runs `function` (with its data row, if any) of this binary under
// `unshare how`, with ChildVariable set.
inline Outcome rerunUnder(const QStringList &how, const QString &function, const QString &dataTag)
{
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QString::fromLatin1(ChildVariable), QStringLiteral("1"));
    child.setProcessEnvironment(env);
    child.setProcessChannelMode(QProcess::MergedChannels);
    const QString which = dataTag.isEmpty() ? function : function + QLatin1Char(':') + dataTag;
    child.start(QStringLiteral("unshare"), how + QStringList{QCoreApplication::applicationFilePath(), which});
    if (!child.waitForFinished(ChildTimeoutMs)) {
        child.kill();
        child.waitForFinished(5000);
        return {Outcome::Failed, QStringLiteral("the run inside the namespace did not end in time:\n")
                                     + QString::fromLocal8Bit(child.readAll())};
    }
    const QString output = QString::fromLocal8Bit(child.readAll());
    if (output.contains(QRegularExpression(QStringLiteral("^SKIP   : "), QRegularExpression::MultilineOption)))
        return {Outcome::Skipped, output};
    const QString passLine = QStringLiteral("::") + function + QLatin1Char('(') + dataTag + QLatin1Char(')');
    const bool passed = child.exitStatus() == QProcess::NormalExit && child.exitCode() == 0
                        && output.contains(QRegularExpression(
                            QStringLiteral("^PASS   : \\S+") + QRegularExpression::escape(passLine) + QLatin1Char('$'),
                            QRegularExpression::MultilineOption));
    return {passed ? Outcome::Passed : Outcome::Failed, output};
}

// Runs `function` (with its data row, if any) of this binary inside a new
// network namespace.
inline Outcome rerun(const QString &function, const QString &dataTag)
{
    const QStringList how = unshareOptions();
    if (how.isEmpty())
        return {Outcome::Skipped,
                QStringLiteral("cannot create a network namespace here (unshare -n and -rn both refused)")};
    return rerunUnder(how, function, dataTag);
}

// Inside: the loopback up, multicast on it, and the group routed to it.
inline bool prepareLoopback(QString *why)
{
    // Never touch the machine's own interfaces: a fresh namespace has the loopback alone.
    for (const QNetworkInterface &i : QNetworkInterface::allInterfaces()) {
        if (!(i.flags() & QNetworkInterface::IsLoopBack)) {
            *why = QStringLiteral("refusing to set up the loopback: interface %1 exists, so this is not a"
                                  " network namespace of our own")
                       .arg(i.name());
            return false;
        }
    }
    for (const char *step : {"link set lo up", "link set lo multicast on", "route replace 224.0.0.0/4 dev lo"}) {
        QString out;
        if (!runQuietly(QStringLiteral("ip"), QString::fromLatin1(step).split(QLatin1Char(' ')), &out)) {
            *why = QStringLiteral("ip %1 failed: %2").arg(QLatin1String(step), out);
            return false;
        }
    }
    return true;
}

} // namespace netns

// Outside the namespace: run this test (row) inside one made by `outcome`
// and report how it went.
#define KORVANE_RERUN_INSIDE(outcome)                                                                                  \
    do {                                                                                                               \
        const netns::Outcome outcome_ = (outcome);                                                                     \
        if (outcome_.kind == netns::Outcome::Skipped)                                                                  \
            QSKIP(qPrintable(outcome_.output));                                                                        \
        QVERIFY2(outcome_.kind == netns::Outcome::Passed, qPrintable(outcome_.output));                                \
        return;                                                                                                        \
    } while (false)

// Outside the namespace: run this test (row) inside one and report its
// outcome. Inside: prepare the loopback and go on with the test.
#define KORVANE_IN_NETNS()                                                                                             \
    do {                                                                                                               \
        if (!netns::inside())                                                                                          \
            KORVANE_RERUN_INSIDE(netns::rerun(QString::fromLatin1(QTest::currentTestFunction()),                       \
                                              QString::fromLatin1(QTest::currentDataTag())));                          \
        QString why_;                                                                                                  \
        if (!netns::prepareLoopback(&why_))                                                                            \
            QSKIP(qPrintable(why_));                                                                                   \
    } while (false)
