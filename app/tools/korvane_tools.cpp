// korvane-tools: maintenance of an application folder. With no command it
// opens its window; the commands serve the terminal and scripts.
#include "console/MaintenanceWindow.h"
#include "store/BookMove.h"
#include "store/CafeStore.h"
#include "store/ConsoleLock.h"
#include "store/Installer.h"
#include "store/Maintenance.h"
#include "store/Paths.h"
#include "store/ServerAddress.h"
#include "gui/FileChooserDialog.h"
#include "base/Manual.h"
#include "gui/MessageBoxPrompter.h"

#include <QApplication>
#include <QFileInfo>
#include <QTextStream>
#include <cstdio>

namespace {

// Exit codes a script can test.
enum Exit { Done = 0, Failed = 1, Usage = 2, Findings = 3, ConsoleRunning = 4 };

int usage(QTextStream &out, int code)
{
    out << Manual::help(QStringLiteral("korvane-tools"));
    return code;
}

bool confirm(QTextStream &out, const QString &question)
{
    out << question << " [y/N] ";
    out.flush();
    QTextStream in(stdin);
    const QString answer = in.readLine().trimmed();
    return answer.compare(QLatin1String("y"), Qt::CaseInsensitive) == 0
           || answer.compare(QLatin1String("yes"), Qt::CaseInsensitive) == 0;
}

int failed(QTextStream &err, const QString &text)
{
    err << "korvane-tools: " << text << "\n";
    return text == Maintenance::consoleRunningMessage() ? ConsoleRunning : Failed;
}

int check(const Paths &paths, bool repairAtOnce, QTextStream &out, QTextStream &err)
{
    Maintenance m(paths);
    const auto found = m.check();
    if (!found)
        return failed(err, found.error());
    int repairable = 0;
    for (const Maintenance::Finding &f : *found) {
        out << f.text << (f.repairable ? "" : " (cannot be mended here)") << "\n";
        repairable += f.repairable ? 1 : 0;
    }
    if (found->isEmpty()) {
        out << "Both books are sound.\n";
        return Done;
    }
    if (!repairable || !(repairAtOnce || confirm(out, QStringLiteral("Mend the %1 findings?").arg(repairable))))
        return Findings;
    const Result<int> mended = m.repair();
    if (!mended)
        return failed(err, mended.error());
    out << *mended << " mended.\n";
    return *mended == found->size() ? Done : Findings;
}

int roster(const Paths &paths, const QString &command, const QStringList &args, QTextStream &out, QTextStream &err)
{
    CafeStore cafe;
    if (auto e = cafe.open(paths.cafeDatabase()))
        return failed(err, *e);
    if (command == QLatin1String("add-computer") && args.size() == 4) {
        ComputerRow row;
        row.pcname = args.at(0);
        row.ip = args.at(1);
        row.left = args.at(2).toInt();
        row.top = args.at(3).toInt();
        const auto aa = cafe.addComputer(row);
        if (!aa)
            return failed(err, aa.error());
        out << *aa << "\n";
        return Done;
    }
    const auto rows = cafe.computers();
    if (!rows)
        return failed(err, rows.error());
    for (const ComputerRow &r : *rows)
        out << r.aa << "\t" << r.pcname << "\t" << r.ip << "\t" << r.left << "\t" << r.top << "\n";
    return Done;
}

} // namespace

int main(int argc, char **argv)
{
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);
    QString home, database, branch;
    bool create = false;
    for (bool option = true; option && !args.isEmpty();) {
        if (args.size() >= 2 && args.first() == QLatin1String("--home")) {
            home = args.at(1);
            args = args.mid(2);
        } else if (args.size() >= 2 && args.first() == QLatin1String("--database")) {
            database = args.at(1);
            args = args.mid(2);
        } else if (args.size() >= 2 && args.first() == QLatin1String("--branch")) {
            branch = args.at(1);
            args = args.mid(2);
        } else if (args.first() == QLatin1String("--create")) {
            create = true;
            args.removeFirst();
        } else {
            option = false;
        }
    }
    QTextStream out(stdout);
    QTextStream err(stderr);
    if (!args.isEmpty() && (args.first() == QLatin1String("--help") || args.first() == QLatin1String("-h")))
        return usage(out, Done);
    if (!args.isEmpty() && (args.first() == QLatin1String("--version") || args.first() == QLatin1String("-v"))) {
        out << "korvane-tools " << KORVANE_VERSION << "\n";
        return Done;
    }

    const Result<Paths> chosen = Paths::choose(home, database, branch);
    if (!chosen)
        return failed(err, chosen.error());
    const Paths &paths = *chosen;
    // A mistyped folder would otherwise become a new café whose books are sound.
    const QString missing =
        create || QFileInfo::exists(paths.home()) || args.value(0) == QLatin1String("install")
            ? QString()
            : QStringLiteral("The application folder %1 does not exist. Give --create to make a new café there.")
                  .arg(paths.home());
    if (args.isEmpty()) {
        QApplication app(argc, argv);
        QApplication::setApplicationName(QStringLiteral("korvane-tools"));
        MessageBoxPrompter prompter;
        if (!missing.isEmpty()) {
            prompter.tell(missing, Prompter::Icon::Critical);
            return Failed;
        }
        const Installer::Report installed = Installer::install(paths);
        if (installed.error) {
            prompter.tell(*installed.error, Prompter::Icon::Critical);
            return Failed;
        }
        FileChooserDialog files;
        MaintenanceWindow window(paths, prompter, files);
        window.show();
        return app.exec();
    }

    QCoreApplication app(argc, argv);
    if (!missing.isEmpty())
        return failed(err, missing);
    const Installer::Report installed = Installer::install(paths);
    // A refused book is what restore is there for, and what check is asked to find.
    if (installed.bookRefused && args.first() == QLatin1String("check")) {
        out << *installed.error << " (cannot be mended here)\n";
        return Findings;
    }
    if (installed.error && args.first() != QLatin1String("restore"))
        return failed(err, *installed.error);
    const QString command = args.takeFirst();
    if (command == QLatin1String("install")) {
        for (const QString &c : installed.created)
            out << "created " << c << "\n";
        return Done;
    }
    if ((command == QLatin1String("add-computer") && args.size() == 4)
        || (command == QLatin1String("list-computers") && args.isEmpty()))
        return roster(paths, command, args, out, err);
    if (command == QLatin1String("check") && (args.isEmpty() || args == QStringList{QStringLiteral("--repair")}))
        return check(paths, !args.isEmpty(), out, err);
    const bool toBranch = args.size() == 4 && args.at(2) == QLatin1String("--branch");
    if (command == QLatin1String("migrate") && (args.size() == 2 || toBranch) && args.at(0) == QLatin1String("--to")) {
        if (ConsoleLock::isHeld(paths))
            return failed(err, Maintenance::consoleRunningMessage());
        if (const auto address = ServerAddress::parse(args.at(1)); !address)
            return failed(err, address.error());
        const Result<QString> into = Paths::branchName(toBranch ? args.at(3) : QString());
        if (!into)
            return failed(err, into.error());
        const Result<BookMove::Report> moved = BookMove::toServer(paths, args.at(1), *into);
        if (!moved)
            return failed(err, moved.error());
        for (const QString &line : moved->copied)
            out << "copied " << line << "\n";
        for (const QString &book : moved->skipped)
            out << "already copied: " << book << "\n";
        return Done;
    }
    if (command == QLatin1String("compact") && args.isEmpty()) {
        const Result<void> r = Maintenance(paths).compact();
        if (!r)
            return failed(err, r.error());
        out << "Both books compacted.\n";
        return Done;
    }
    if (command == QLatin1String("restore") && !args.isEmpty() && args.size() <= 2
        && (args.size() == 1 || args.at(1) == QLatin1String("--yes"))) {
        const QString dir = args.at(0);
        if (ConsoleLock::isHeld(paths))
            return failed(err, Maintenance::consoleRunningMessage());
        if (args.size() == 1
            && !confirm(out, QStringLiteral("Replace the books by the backup in %1? Everything recorded since that"
                                            " backup will be lost.")
                                 .arg(dir)))
            return Failed;
        const Result<void> r = Maintenance(paths).restore(dir);
        if (!r)
            return failed(err, r.error());
        out << "Restored from " << dir << ".\n";
        return Done;
    }
    return usage(err, Usage);
}
