#include "admin/LoginWindow.h"
#include "ConsoleController.h"
#include "console/MainWindow.h"
#include "console/PickerDialog.h"
#include "store/Installer.h"
#include "store/Paths.h"
#include "store/StartupOptions.h"
#include "base/Clock.h"
#include "base/Format.h"
#include "gui/MessageBoxPrompter.h"
#include "base/UserSettings.h"

#include <QApplication>
#include <QFileInfo>
#include <QIcon>
#include <QTextStream>

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

int fail(QTextStream &err, const QString &text)
{
    err << "korvane: " << text << "\n";
    err.flush();
    if (canShowWindows())
        MessageBoxPrompter().tell(text, Prompter::Icon::Critical);
    return 1;
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
    if (!options.portOffset.isEmpty() && Ports::parseOffset(options.portOffset) < 0) {
        err << "korvane: --port-offset must be a whole number from 0 to 56535\n";
        return 2;
    }

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("korvane"));
    QApplication::setOrganizationName(QStringLiteral("korvane"));
    QApplication::setApplicationVersion(QStringLiteral(KORVANE_VERSION));
    // The launcher's picture on every window; the desktop file name lets
    // Wayland desktops match the windows to the launcher.
    QIcon icon;
    for (const int size : {16, 24, 32, 48, 64, 128, 256})
        icon.addFile(QStringLiteral(":/icons/korvane-%1.png").arg(size));
    QApplication::setWindowIcon(icon);
    QGuiApplication::setDesktopFileName(QStringLiteral("korvane"));
    QLocale::setDefault(Format::chooseLocale(options.locale));

    const Result<Paths> chosen = Paths::choose(options.home, options.database, options.branch);
    if (!chosen)
        return fail(err, chosen.error());
    const Paths &paths = *chosen;
    MessageBoxPrompter prompter;
    SystemClock clock;
    DialogPicker picker;
    ConsoleController console(paths, Ports::fromEnvironment(options.portOffset), prompter, clock, picker);
    // Before the installation, which may bring the books up to a new layout;
    // a folder not made yet is the installation's to make or to report.
    if (QFileInfo(paths.home()).isDir())
        if (const std::optional<QString> error = console.holdFolder())
            return fail(err, *error);
    const Installer::Report installed = Installer::install(paths);
    if (installed.error)
        return fail(err, *installed.error);
    // The branch named on the command line is this console's from now on.
    if (!options.branch.isEmpty())
        if (const Result<void> kept = paths.rememberBranch(); !kept)
            return fail(err, kept.error());
    if (const std::optional<QString> error = console.openBooks())
        return fail(err, *error);
    prompter.setParent(&console.window());

    // The login window first; the console only after a matching password.
    LoginWindow login(console.cafe(), prompter);
    QObject::connect(&login, &LoginWindow::loggedIn, &console, [&console](Login::Role role) { console.start(role); });
    login.noticeFirstRun(UserSettings());
    if (login.exec() != QDialog::Accepted)
        return 0;
    return app.exec();
}
