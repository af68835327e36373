#include "ClientAgent.h"

#include "link/Protocol.h"
#include "base/Manual.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <cstdio>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("korvane-client"));
    QCoreApplication::setApplicationVersion(QStringLiteral(KORVANE_VERSION));

    QCommandLineParser parser;
    const QCommandLineOption help(QStringList{QStringLiteral("h"), QStringLiteral("help")});
    const QCommandLineOption version(QStringList{QStringLiteral("v"), QStringLiteral("version")});
    parser.addOptions({help, version});
    // What each option does is in resources/manual/korvane-client.txt.
    const QCommandLineOption listen(QStringLiteral("listen"), QString(), QStringLiteral("ADDRESS"));
    const QCommandLineOption console(QStringLiteral("console"), QString(), QStringLiteral("ADDRESS"));
    const QCommandLineOption offset(QStringLiteral("port-offset"), QString(), QStringLiteral("N"));
    const QCommandLineOption noBroadcast(QStringLiteral("no-broadcast"));
    const QCommandLineOption screenSocket(QStringLiteral("screen-socket"), QString(), QStringLiteral("PATH"));
    const QCommandLineOption screenGroup(QStringLiteral("screen-group"), QString(), QStringLiteral("GROUP"));
    const QCommandLineOption cafeName(QStringLiteral("cafe-name"), QString(), QStringLiteral("NAME"));
    parser.addOptions({listen, console, offset, noBroadcast, screenSocket, screenGroup, cafeName});
    const QStringList hooks = {QStringLiteral("lock"),   QStringLiteral("unlock"), QStringLiteral("message"),
                               QStringLiteral("logoff"), QStringLiteral("reboot"), QStringLiteral("shutdown"),
                               QStringLiteral("suspend")};
    QList<QCommandLineOption> hookOptions;
    for (const QString &h : hooks) {
        hookOptions.append(QCommandLineOption(QStringLiteral("on-") + h, QString(), QStringLiteral("CMD")));
        parser.addOption(hookOptions.last());
    }
    if (!parser.parse(app.arguments())) {
        std::fprintf(stderr, "korvane-client: %s (see korvane-client --help)\n", qPrintable(parser.errorText()));
        return 2;
    }
    if (parser.isSet(help)) {
        std::fputs(Manual::help(QStringLiteral("korvane-client")).toLocal8Bit().constData(), stdout);
        return 0;
    }
    if (parser.isSet(version)) {
        std::printf("korvane-client %s\n", KORVANE_VERSION);
        return 0;
    }

    ClientAgent::Options o;
    if (parser.isSet(listen)) {
        const auto a = Protocol::ipv4(parser.value(listen));
        if (!a) {
            std::fprintf(stderr, "korvane-client: --listen needs an IPv4 address\n");
            return 2;
        }
        o.listen = *a;
    }
    // Without it anyone could command the computer, so there is no default.
    // Two counters over one room: both addresses, separated by a comma.
    o.consoles = parser.value(console).split(QLatin1Char(','));
    for (const QString &c : std::as_const(o.consoles))
        if (!Protocol::ipv4(c)) {
            std::fprintf(stderr, "korvane-client: --console needs the IPv4 address of the counter computer\n");
            return 2;
        }
    if (parser.isSet(offset) && Ports::parseOffset(parser.value(offset)) < 0) {
        std::fprintf(stderr, "korvane-client: --port-offset needs a number from 0 to %d\n", 65535 - 9000);
        return 2;
    }
    o.ports = Ports::fromEnvironment(parser.value(offset));
    o.broadcast = !parser.isSet(noBroadcast);
    o.screenSocket = parser.value(screenSocket);
    o.screenGroup = parser.value(screenGroup);
    o.cafeName = parser.value(cafeName);
    for (int i = 0; i < hooks.size(); ++i)
        if (parser.isSet(hookOptions[i]))
            o.hooks.insert(hooks[i], parser.value(hookOptions[i]));

    ClientAgent agent(o);
    if (const auto error = agent.start()) {
        std::fprintf(stderr, "korvane-client: %s\n", qPrintable(*error));
        return 1;
    }
    return app.exec();
}
