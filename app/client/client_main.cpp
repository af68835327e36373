#include "ClientAgent.h"

#include "link/Protocol.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <cstdio>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("korvane-client"));
    QCoreApplication::setApplicationVersion(QStringLiteral(KORVANE_VERSION));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Reference client program for the Korvane console. Listens on the command, text and probe ports of\n"
        "ADDRESS, follows the broadcast group, keeps the computer locked or unlocked as the console commands\n"
        "and prints one JSON object per line for every event. Standard input takes the lines\n"
        "'pin NNNN', 'closeme' and 'status'. Hooks run through /bin/sh with the text in KORVANE_TEXT,\n"
        "the state in KORVANE_STATE and the hook's name in KORVANE_EVENT."));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption listen(QStringLiteral("listen"), QStringLiteral("IPv4 address to listen on (default: all)."),
                                    QStringLiteral("ADDRESS"));
    const QCommandLineOption console(QStringLiteral("console"),
                                     QStringLiteral("Address of the counter computer (for pin and closeme)."),
                                     QStringLiteral("ADDRESS"));
    const QCommandLineOption offset(QStringLiteral("port-offset"),
                                    QStringLiteral("Added to every port (default: KORVANE_PORT_OFFSET or 0)."),
                                    QStringLiteral("N"));
    const QCommandLineOption noBroadcast(QStringLiteral("no-broadcast"),
                                         QStringLiteral("Do not join the broadcast group."));
    parser.addOptions({listen, console, offset, noBroadcast});
    const QStringList hooks = {QStringLiteral("lock"),     QStringLiteral("unlock"),   QStringLiteral("message"),
                               QStringLiteral("logoff"),   QStringLiteral("reboot"),   QStringLiteral("shutdown"),
                               QStringLiteral("suspend")};
    QList<QCommandLineOption> hookOptions;
    for (const QString &h : hooks) {
        hookOptions.append(QCommandLineOption(QStringLiteral("on-") + h,
                                              QStringLiteral("Shell command to run on %1.").arg(h),
                                              QStringLiteral("CMD")));
        parser.addOption(hookOptions.last());
    }
    parser.process(app);

    ClientAgent::Options o;
    if (parser.isSet(listen)) {
        const auto a = Protocol::ipv4(parser.value(listen));
        if (!a) {
            std::fprintf(stderr, "korvane-client: --listen needs an IPv4 address\n");
            return 2;
        }
        o.listen = *a;
    }
    if (parser.isSet(console)) {
        if (!Protocol::ipv4(parser.value(console))) {
            std::fprintf(stderr, "korvane-client: --console needs an IPv4 address\n");
            return 2;
        }
        o.console = parser.value(console);
    }
    if (parser.isSet(offset) && Ports::parseOffset(parser.value(offset)) < 0) {
        std::fprintf(stderr, "korvane-client: --port-offset needs a number from 0 to %d\n", 65535 - 9000);
        return 2;
    }
    o.ports = Ports::fromEnvironment(parser.value(offset));
    o.broadcast = !parser.isSet(noBroadcast);
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
