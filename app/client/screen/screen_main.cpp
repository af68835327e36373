#include "ScreenSession.h"

#include "base/Manual.h"

#include <QApplication>
#include <QCommandLineParser>

#include <cstdio>

int main(int argc, char **argv)
{
    // --help and --version answer without a display.
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    QCommandLineParser parser;
    const QCommandLineOption help(QStringList{QStringLiteral("h"), QStringLiteral("help")});
    const QCommandLineOption version(QStringList{QStringLiteral("v"), QStringLiteral("version")});
    // What each option does is in resources/manual/korvane-screen.txt.
    const QCommandLineOption socket(QStringLiteral("socket"), QString(), QStringLiteral("PATH"),
                                    QStringLiteral("/run/korvane-client/screen"));
    const QCommandLineOption window(QStringLiteral("window"));
    parser.addOptions({help, version, socket, window});
    if (!parser.parse(arguments)) {
        std::fprintf(stderr, "korvane-screen: %s (see korvane-screen --help)\n", qPrintable(parser.errorText()));
        return 2;
    }
    if (parser.isSet(help)) {
        std::fputs(Manual::help(QStringLiteral("korvane-screen")).toLocal8Bit().constData(), stdout);
        return 0;
    }
    if (parser.isSet(version)) {
        std::printf("korvane-screen %s\n", KORVANE_VERSION);
        return 0;
    }

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("korvane-screen"));
    QApplication::setApplicationVersion(QStringLiteral(KORVANE_VERSION));
    ScreenSession session({parser.value(socket), parser.isSet(window)});
    // A user the computer's agent does not serve (an administrator at the
    // machine) gets his desktop as it is. Queued: the refusal may come
    // before the event loop runs, which would forget an exit.
    QObject::connect(
        &session, &ScreenSession::refused, &app,
        [](const QString &why) {
            std::fprintf(stderr,
                         "korvane-screen: not allowed to reach the agent (%s): this user is not in the group"
                         " korvane-screen\n",
                         qPrintable(why));
            QApplication::exit(1);
        },
        Qt::QueuedConnection);
    // A cover cannot be closed; a demo's window can, and that ends it.
    QApplication::setQuitOnLastWindowClosed(parser.isSet(window));
    session.start();
    return app.exec();
}
