// Start-up from the look at the books through an accepted login to a fully
// restored main window on a large café, beside the floor of an empty Qt main
// window.
#include "BenchCafe.h"
#include "ConsoleController.h"
#include "console/MainWindow.h"
#include "console/PickerDialog.h"
#include "engine/Engine.h"
#include "base/Clock.h"
#include "base/Prompter.h"

#include <QApplication>
#include <QFileInfo>
#include <QMainWindow>

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTextStream out(stdout);
    QTemporaryDir dir;
    qputenv("XDG_CONFIG_HOME", dir.path().toLocal8Bit());
    Paths paths(dir.path() + QStringLiteral("/home"));
    const bench::CafeSize size = bench::sizeFrom(argc, argv);
    if (!bench::build(paths, size, out) || !bench::onChosenEngine(paths, out))
        return 1;
    const long rssBefore = bench::peakRssKb();

    bench::SilentPrompter prompter;
    SystemClock clock;
    DialogPicker picker;
    // Below the ephemeral ports (32768 up) that the clients' connections take.
    const Ports ports = Ports::withOffset(21000 + int(QCoreApplication::applicationPid() % 10000));
    int restored = 0;
    QList<double> looks;
    const double startup = bench::medianMs(7, [&] {
        // As korvane starts: the look at the books first (over 64 MB, every table but the history).
        QElapsedTimer look;
        look.start();
        if (auto e = Installer::install(paths).error)
            prompter.told << *e;
        looks << look.nsecsElapsed() / 1e6;
        ConsoleController console(paths, ports, prompter, clock, picker);
        console.openBooks();
        console.start(Login::Role::Admin);
        QCoreApplication::processEvents();
        restored = 0;
        for (qint64 aa : console.engine().slotKeys())
            restored += !console.engine().slot(aa)->isFree();
    });
    const double floor = bench::medianMs(7, [&] {
        QMainWindow w;
        w.resize(1100, 720);
        w.show();
        QCoreApplication::processEvents();
    });
    out << "start-up to a restored main window (" << size.computers << " computers, " << restored << " running, "
        << size.transactions << " transactions): median " << startup << " ms; empty QMainWindow " << floor << " ms\n";
    std::sort(looks.begin(), looks.end());
    out << "of which the look at the books (icafe.dat " << QFileInfo(paths.cafeDatabase()).size() / (1024 * 1024)
        << " MB): median " << looks.at(looks.size() / 2) << " ms\n";
    out << "peak memory " << bench::peakRssKb() / 1024 << " MB (" << rssBefore / 1024
        << " MB after building the book)\n";
    if (!prompter.told.isEmpty())
        out << "told: " << prompter.told.join(QStringLiteral(" | ")) << "\n";
    return 0;
}
