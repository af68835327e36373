#include "store/StartupOptions.h"

#include "base/Manual.h"

StartupOptions StartupOptions::parse(const QStringList &args)
{
    StartupOptions o;
    for (int i = 1; i < args.size(); ++i) {
        const QString a = args.at(i);
        auto value = [&](QString &into) {
            const int eq = a.indexOf(QLatin1Char('='));
            if (eq > 0) {
                into = a.mid(eq + 1);
            } else if (i + 1 < args.size()) {
                into = args.at(++i);
            } else {
                o.error = QStringLiteral("%1 needs a value").arg(a);
            }
        };
        const QString name = a.section(QLatin1Char('='), 0, 0);
        if (a == QLatin1String("--help") || a == QLatin1String("-h"))
            o.help = true;
        else if (a == QLatin1String("--version") || a == QLatin1String("-v"))
            o.version = true;
        else if (name == QLatin1String("--home"))
            value(o.home);
        else if (name == QLatin1String("--database"))
            value(o.database);
        else if (name == QLatin1String("--branch"))
            value(o.branch);
        else if (name == QLatin1String("--locale"))
            value(o.locale);
        else if (name == QLatin1String("--port-offset"))
            value(o.portOffset);
        else if (a.startsWith(QLatin1Char('-')) && o.error.isEmpty())
            o.error = QStringLiteral("unknown option %1").arg(a);
        if (!o.error.isEmpty())
            break;
    }
    return o;
}

QString StartupOptions::usage(const QString &program) { return Manual::help(program); }
