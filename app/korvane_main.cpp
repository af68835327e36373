#include "console/MainWindow.h"
#include "store/Installer.h"
#include "store/Paths.h"
#include "store/StartupOptions.h"
#include "ui/Format.h"
#include "ui/MessageBoxPrompter.h"

#include <QApplication>
#include <QTextStream>
#include <cstdio>

namespace {
QStringList rawArguments(int argc, char **argv)
{
    QStringList args;
    for (int i = 0; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);
    return args;
}

bool canShowWindows()
{
    const QString platform = QGuiApplication::platformName();
    return platform != QLatin1String("offscreen") && platform != QLatin1String("minimal");
}
} // namespace

int main(int argc, char **argv)
{
    // --help and --version answer without a display.
    const StartupOptions options = StartupOptions::parse(rawArguments(argc, argv));
    QTextStream out(stdout);
    QTextStream err(stderr);
    if (!options.error.isEmpty()) {
        err << "korvane: " << options.error << "\n" << StartupOptions::usage(QStringLiteral("korvane"));
        return 2;
    }
    if (options.help) {
        out << StartupOptions::usage(QStringLiteral("korvane"));
        return 0;
    }
    if (options.version) {
        out << "korvane " << KORVANE_VERSION << "\n";
        return 0;
    }

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("korvane"));
    QApplication::setOrganizationName(QStringLiteral("korvane"));
    QApplication::setApplicationVersion(QStringLiteral(KORVANE_VERSION));
    QLocale::setDefault(Format::chooseLocale(options.locale));

    const Paths paths = Paths::resolve(options.home);
    const Installer::Result installed = Installer::install(paths);
    if (installed.error) {
        err << "korvane: " << *installed.error << "\n";
        if (canShowWindows())
            MessageBoxPrompter().tell(*installed.error, Prompter::Icon::Critical);
        return 1;
    }

    MainWindow window;
    window.show();
    return app.exec();
}
