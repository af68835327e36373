// korvane-tools: maintenance of an application folder from the terminal.
#include "store/CafeStore.h"
#include "store/Installer.h"
#include "store/Paths.h"
#include "ui/Manual.h"

#include <QCoreApplication>
#include <QTextStream>

namespace {
int usage(QTextStream &out, int code)
{
    out << Manual::help(QStringLiteral("korvane-tools"));
    return code;
}
} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);
    QStringList args = app.arguments().mid(1);
    QString home;
    if (args.size() >= 2 && args.first() == QLatin1String("--home")) {
        home = args.at(1);
        args = args.mid(2);
    }
    if (args.isEmpty())
        return usage(err, 2);
    if (args.first() == QLatin1String("--help") || args.first() == QLatin1String("-h"))
        return usage(out, 0);
    if (args.first() == QLatin1String("--version") || args.first() == QLatin1String("-v")) {
        out << "korvane-tools " << KORVANE_VERSION << "\n";
        return 0;
    }

    const Paths paths = Paths::resolve(home);
    const Installer::Result installed = Installer::install(paths);
    if (installed.error) {
        err << "korvane-tools: " << *installed.error << "\n";
        return 1;
    }
    const QString command = args.takeFirst();
    if (command == QLatin1String("install")) {
        for (const QString &c : installed.created)
            out << "created " << c << "\n";
        return 0;
    }
    CafeStore cafe;
    if (auto e = cafe.open(paths.cafeDatabase())) {
        err << "korvane-tools: " << *e << "\n";
        return 1;
    }
    if (command == QLatin1String("add-computer") && args.size() == 4) {
        ComputerRow row;
        row.pcname = args.at(0);
        row.ip = args.at(1);
        row.left = args.at(2).toInt();
        row.top = args.at(3).toInt();
        const auto aa = cafe.addComputer(row);
        if (!aa) {
            err << "korvane-tools: " << cafe.lastError() << "\n";
            return 1;
        }
        out << *aa << "\n";
        return 0;
    }
    if (command == QLatin1String("list-computers")) {
        const auto rows = cafe.computers();
        if (!rows) {
            err << "korvane-tools: " << cafe.lastError() << "\n";
            return 1;
        }
        for (const ComputerRow &r : *rows)
            out << r.aa << "\t" << r.pcname << "\t" << r.ip << "\t" << r.left << "\t" << r.top << "\n";
        return 0;
    }
    return usage(err, 2);
}
