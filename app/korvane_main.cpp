#include "admin/LoginWindow.h"
#include "console/MainWindow.h"
#include "console/PickerDialog.h"
#include "store/CafeStore.h"
#include "store/Installer.h"
#include "store/Paths.h"
#include "store/StartupOptions.h"
#include "ui/Clock.h"
#include "ui/Format.h"
#include "ui/MessageBoxPrompter.h"

#include <QApplication>
#include <QSettings>
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

    MessageBoxPrompter prompter;
    CafeStore store;
    if (const std::optional<QString> error = store.open(paths.cafeDatabase())) {
        err << "korvane: " << *error << "\n";
        if (canShowWindows())
            prompter.tell(*error, Prompter::Icon::Critical);
        return 1;
    }
    SystemClock clock;
    DialogPicker picker;

    // The login window first; the console only after a matching password.
    MainWindow window(paths, store, prompter, clock, picker);
    prompter.setParent(&window);
    LoginWindow login(store, prompter);
    QObject::connect(&login, &LoginWindow::loggedIn, &window, [&window](Login::Role role) {
        window.applyLogin(role, false);
        window.load();
        window.show();
    });
    login.noticeFirstRun(QSettings(QStringLiteral("korvane"), QStringLiteral("korvane")));
    if (login.exec() != QDialog::Accepted)
        return 0;
    return app.exec();
}
